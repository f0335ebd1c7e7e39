// Forward-backward contraction of one relation `expression rel 0` over a box
// of its variables: the expression is evaluated forward over the box, its
// value is narrowed to what the relation allows, and each operation's
// inverse carries the narrowing back down to the leaves, where every
// occurrence of a variable narrows that variable's one domain.
//
// The contractor reads intervals as sets of real numbers (every domain is
// proper) and rounds outward: a contracted box keeps every point where the
// relation holds. Points where the expression is not defined are not points
// where it holds. The complement (the relation fails, or is not defined) can
// be contracted too; a box that meets undefined points is then left whole.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/node.h"
#include "solver/model/tree.h"

namespace modal {

class relationContractor {
public:
    relationContractor() = default;
    // Copies the subtree `expression` of `t`; its variables are those of the
    // tree, in the tree's order. `rel` is the comparison with zero ("none":
    // nothing can be contracted).
    relationContractor(const tree& t, nodeId expression, comparison rel);

    int variableCount() const noexcept { return variables_; }
    comparison relation() const noexcept { return rel_; }

    // Narrows `domains` (one proper interval per variable, in the tree's
    // order) to a box holding every point of it where the relation holds
    // (`complement` false), or every point where it does not (true). False
    // when no such point is left: `domains` then holds an empty interval.
    // One forward and one backward pass.
    bool contract(std::span<ivalDb> domains, bool complement);
    // The same for "the expression's value lies in `target`" (a proper
    // interval, whatever the relation): used to narrow a box to where an
    // objective can still reach a bound.
    bool contractTo(std::span<ivalDb> domains, const ivalDb& target);

private:
    struct step {
        nodeKind kind = nodeKind::unknown;
        std::int32_t left = -1; // positions in steps_
        std::int32_t right = -1;
        std::int32_t variable = -1; // "var" leaves
        std::int64_t exponent = 0;
        ivalDb constant; // "const" and "one" leaves
    };
    std::int32_t copy(const tree& t, nodeId n);
    // One forward and one backward pass towards `target`; with `complement`
    // a box meeting undefined points is kept whole.
    bool narrow(std::span<ivalDb> domains, const ivalDb& target, bool complement);

    // Children before parents; the expression last.
    std::vector<step> steps_;
    std::vector<ivalDb> values_;
    comparison rel_ = comparison::none;
    int variables_ = 0;
};

} // namespace modal
