// Builds the simplified derivative tree of every occurrence of a tree with
// memory in step with the tree and its derivatives.
#pragma once

#include "solver/model/tree.h"

namespace modal {

// Fills t.derivTrees exactly as differentiating the root with respect to each
// occurrence and simplifying the result twice would, node for node. What does
// not depend on the occurrence (the derivative of a subtree that does not hold
// it, the copies of the function's subtrees, and their simplified forms) is
// built once and shared by all derivative trees; per occurrence only the nodes
// on the path from the root to its leaf are built, and of those only what the
// simplification keeps stays in the tree. Returns false, leaving the tree
// unchanged, when the expression is not a tree (a node reached twice) or an
// occurrence has more than one leaf.
bool buildSharedDerivatives(tree& t);

} // namespace modal
