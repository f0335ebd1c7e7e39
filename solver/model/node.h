// Expression nodes and the table of their kinds. A node's kind is a small
// enumeration for the evaluation loop; the table below says once, per kind,
// its text (in the problem language and in every dump), its arity, how the
// language writes it and how the monotonicity analysis reads it. What a kind
// computes, and its derivative, are the cases of the evaluation and the
// differentiation: every switch over kinds names each kind and has no
// default, so that a kind added here cannot be left out of one.
#pragma once

#include <cstdint>
#include <span>
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
    abs,
    min,
    max,
    sinh,
    cosh,
    tanh,
    sign,
    step,
};
inline constexpr std::size_t kNodeKindCount = static_cast<std::size_t>(nodeKind::step) + 1;

// How the problem language writes a kind.
enum class kindSyntax : std::uint8_t {
    internal, // never written: made by the solver ("?", "aux", "one", "sqr", "sign", "step")
    leaf,     // a declared name ("var") or a number ("const")
    negation, // -e
    infix,    // e1 + e2, e1 - e2, e1 * e2, e1 / e2
    relation, // e1 = e2, e1 >= e2, e1 > e2, e1 <= e2, e1 < e2
    function, // name(e), or name(e1, e2) for two arguments
    power,    // pow(e, n) with an integer n
};

// The comparison a relation kind states.
enum class comparison : std::uint8_t { none, eq, ge, gt, le, lt };

// How the monotonicity analysis reads a kind: the class of its subtree (0
// nothing to check, 1 a node of it must be checked on each box, 2 arithmetic
// that needs no check) and whether the node itself must be checked.
enum class monotonyRule : std::uint8_t {
    opaque,  // class 0 whatever lies below: leaves, relations, and the kinds it does not look into
    sum,     // increasing in each operand: class 1 when an operand needs a check, else 2
    product, // checked on each box when an operand is not a lone leaf; else class 2
    turning, // has turning points (`turns`): checked when its argument is not a lone leaf
    passing, // increasing: the class of its argument
    power,   // "pow": odd exponents pass, even ones turn at zero
};

// Where a turning kind stops being monotonic.
enum class turningPoints : std::uint8_t {
    none,
    atZero,  // sqr, abs, cosh, even powers: decreasing below zero, increasing above
    cosine,  // at the multiples of pi
    sine,    // at the odd multiples of pi/2
    tangent, // poles at the odd multiples of pi/2
};

struct kindInfo {
    nodeKind kind;
    std::string_view text; // in the problem language and in dumps
    std::uint8_t arity;    // children a node of this kind evaluates
    kindSyntax syntax;
    comparison relation = comparison::none;
    monotonyRule monotony = monotonyRule::opaque;
    turningPoints turns = turningPoints::none;
    std::string_view meaning = {}; // what a function computes, for the help texts
};

// The table, one entry per kind in the order of the enumeration.
std::span<const kindInfo> nodeKinds() noexcept;
const kindInfo& infoOf(nodeKind k) noexcept;

// The kind for a text; anything not in the table is `unknown`.
nodeKind kindFromText(std::string_view text) noexcept;
// "var", "const", "+", ...; "?" for `unknown`.
inline std::string_view kindText(nodeKind k) noexcept {
    return infoOf(k).text;
}

inline bool isRelation(nodeKind k) noexcept {
    return infoOf(k).syntax == kindSyntax::relation;
}
// Arithmetic operators, relations and the functions of two arguments.
inline bool isBinary(nodeKind k) noexcept {
    return infoOf(k).arity == 2;
}
// "minus", the functions of one argument and "pow".
inline bool isUnary(nodeKind k) noexcept {
    return infoOf(k).arity == 1;
}

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
