// Contraction of a strip of the accelerated mode by what its points must
// satisfy to matter: every constraint, and an objective value that can still
// reach the bounds sought (f <= an upper bound of the minimum, f >= a lower
// bound of the maximum). Only for problems whose variables are all universal
// (every domain proper), where a strip is a plain box of points: what the
// contraction removes holds no point where every constraint holds and the
// objective reaches a bound sought, so the optimum (and the range's ends) stay
// inside what is left. The strip's approximations are then those of the
// smaller box: its inner bounds are values the objective takes there, which
// it takes in the whole strip too.
#pragma once

#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/model.h"
#include "solver/model/relation_contractor.h"

namespace modal {

class boundContraction {
public:
    // The contractors of the objective and of the constraints of `m` (whose
    // constraint models keep one each when prepared for contraction).
    void prepare(const model& m);

    // Narrows `xp` (the variables of a strip, the tree's Xp group in the order
    // of `xpMap`) to the hull of its points where every constraint may hold
    // and the objective may lie in [-inf, upTo] or in [downTo, +inf] (each
    // NaN when not sought). False when no such point is left.
    bool contract(model& m, std::vector<variable>& xp, const std::vector<int>& xpMap, double upTo,
                  double downTo);

private:
    relationContractor objective_;
    // Per constraint: for each of its tree's variables, the objective's
    // variable of that name (-1: the relation's own parameter).
    std::vector<std::vector<int>> constraintVariables_;
    std::vector<ivalDb> box_, scratch_, low_, high_;
};

} // namespace modal
