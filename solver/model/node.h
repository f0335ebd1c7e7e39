// Expression nodes. A node's kind is kept as a small enumeration for the
// evaluation loop; `kindText` gives the text the program shows and writes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "interval/ivalDb.h"

namespace modal {

enum class nodeKind : std::uint8_t {
    unknown, // "?": a fresh node, or a kind this system does not know
    var,
    constant, // "const"
    aux,
    one,
    minus,
    plus, // "+"
    sub,  // "-"
    mul,  // "*"
    div,  // "/"
    eq,   // "="
    ge,   // ">="
    gt,   // ">"
    le,   // "<="
    lt,   // "<"
    exp,
    log,
    sqr,
    sqrt,
    cos,
    sin,
    tan,
    acos,
    asin,
    atan,
    pow,
};

// The kind for a text; anything not in the table is `unknown`.
nodeKind kindFromText(std::string_view text) noexcept;
// "var", "const", "+", ...; "?" for `unknown`.
std::string_view kindText(nodeKind k) noexcept;

bool isRelation(nodeKind k) noexcept; // "=", ">=", ">", "<=", "<"
bool isBinary(nodeKind k) noexcept;   // arithmetic operators and relations
bool isUnary(nodeKind k) noexcept;    // "minus", the functions and "pow"

// Hash of names for maps that are searched with a string_view.
struct nameHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const noexcept {
        return std::hash<std::string_view>{}(s);
    }
};

// Index of a node in its tree's node storage; -1 for none.
using nodeId = std::int32_t;
inline constexpr nodeId noNode = -1;

struct node {
    nodeKind kind = nodeKind::unknown;
    // "pow" exponent; 64 bits, so that the exponent of a derivative (one
    // less) of any exponent the problem language accepts is exact.
    std::int64_t exponent = 0;
    nodeId left = noNode;
    nodeId right = noNode;
    // On a "var" leaf: index of its incidence slot in the tree's slot table.
    std::int32_t slot = -1;
    // The node's current value; for "const" and "aux" the stored constant.
    ivalDb value;
    // On a "var" leaf: the variable's name.
    std::string label = "?";

    // Sets the exponent from a double, truncating toward zero.
    void setExponent(double x) noexcept;
    std::string_view kindName() const noexcept { return kindText(kind); }
};

} // namespace modal
