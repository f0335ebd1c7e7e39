// The forward and backward projection rules of every node kind, for
// forward-backward contraction. They read intervals as sets of real numbers:
// every interval here is proper (inf <= sup, bounds possibly infinite), and
// one with inf > sup is empty.
//
// Forward: the image of the children's sets under the node's operation,
// taken over the points where it is defined; a child is narrowed to those
// points and `undefined` is set when some of it lies outside them.
// Backward: each child narrowed to the points whose image lies in the
// node's set. Both round outward (through the interval operations), so a
// narrowed set keeps every point it must keep.
#pragma once

#include <cstdint>

#include "interval/ivalDb.h"
#include "solver/model/node.h"

namespace modal {

inline bool isEmptySet(const ivalDb& x) noexcept {
    return !(x.inf() <= x.sup());
}

// The set of node kind `k` (exponent `e` for "pow") over the sets `x` (left
// child) and `y` (right child; ignored by unary kinds). Leaves are not
// handled here: "var" and the constants take their sets from their callers.
// An operation with no real value at a point (a relation inside an
// expression, "aux", "?") gives every real number.
ivalDb forwardImage(nodeKind k, std::int64_t e, ivalDb& x, ivalDb& y, bool& undefined) noexcept;

// Narrows `x` and `y` (as forwardImage reads them) to the points from which
// the operation reaches `z`. False when a child becomes empty.
bool backwardProject(nodeKind k, std::int64_t e, const ivalDb& z, ivalDb& x, ivalDb& y) noexcept;

} // namespace modal
