// Symbolic derivatives of a tree per incidence, their simplification and
// evaluation, and the analysis of the nodes whose monotonicity depends on the
// box.
#pragma once

#include <cstdint>
#include <vector>

#include "solver/model/tree.h"

namespace modal {

// Derivative of the subtree `n` with respect to the occurrence held by slot
// `target` (every other leaf is a constant). New nodes go into `t`; the result
// is noNode for a zero derivative.
nodeId differentiate(tree& t, nodeId n, int target);

// Simplifies the subtree referred to by `ref` in place; `ref` may become
// noNode or another node of the tree.
void simplify(tree& t, nodeId& ref);

// derivTrees[i][j] = differentiate(root, vars[i][j]), simplified twice.
void buildDerivatives(tree& t);
// The same, one occurrence at a time with nothing shared: what
// buildDerivatives does for an expression that is not a tree.
void buildDerivativesOneByOne(tree& t);

// evalList from the root and, when derivative trees exist, their lists.
void buildEvalLists(tree& t);

// Which variables `evaluateDerivatives` works on.
enum class varGroup : std::uint8_t { Xi, Xp, Full };

// Fills the derivatives of the bound incidences. With Xi, variables whose
// (first incidence's) domain is proper are skipped. Once one occurrence of a
// variable has zero strictly inside its derivative, the later occurrences of
// that variable get [-inf, +inf] without evaluation. An occurrence whose
// derivative tree is null gets [0, 0].
void evaluateDerivatives(tree& t, varGroup group);

// Monotonicity class of the subtree of `n` (0, 1 or 2); nodes whose uniform
// monotonicity must be checked per box are appended to `list`.
std::uint8_t classifyMonotony(const tree& t, nodeId n, std::vector<nodeId>& list);

// nonUniformList from the root and the evaluation list of each listed node.
void buildNonUniformList(tree& t);

// True when every node of nonUniformList is monotonic over the bound box.
bool isUniformlyMonotonic(tree& t);

// uniformKnown = nonUniformList is empty or groupEmpty is set.
void markUniform(tree& t);

} // namespace modal
