// Long chains of one operation written flat: a sum x1 + x2 + ... + xn (with
// any mix of + and -) or a product x1 * x2 * ... * xn builds a tree as deep
// as it is long, and the walks over a tree (derivatives, dumps, simplified
// copies) go down it recursively. A chain of more than kLongestChain terms is
// regrouped into a balanced tree of the same terms with the same signs, so
// that a flat sum of 100,000 terms is as shallow as one grouped by hand.
// Shorter chains stay as they are written (and evaluate as before).
#pragma once

#include <cstddef>

#include "solver/model/tree.h"

namespace modal {

inline constexpr std::size_t kLongestChain = 1000;

// The operation class that chains a binary node of kind k: 1 for + and -,
// 2 for *, 0 for any other (a chain follows the left operands of nodes of
// one class).
int chainClass(nodeKind k) noexcept;

// Depth of a chain of `terms` terms, the deepest `deepestTerm` deep, once
// balanced.
int balancedDepth(std::size_t terms, int deepestTerm) noexcept;

// Regroups every chain of the tree below its root that has more than
// kLongestChain terms. The walk is iterative: the tree may be as deep as
// its longest chain.
void balanceLongChains(tree& t);

} // namespace modal
