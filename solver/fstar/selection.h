// The choices the F* loop makes the same way for strips and for cells: which
// variable to cut, which pieces define a bound of the whole, and which of
// those is refined first.
#pragma once

#include <cstddef>
#include <vector>

#include "interval/twin.h"
#include "solver/model/tree.h"
#include "solver/model/variable.h"

namespace modal {

// Position of the widest variable of `vars` whose domain can be cut
// (`canCut`), or -1. With `skipSettled`, variables whose cut cannot improve
// the bounds are passed over: totally monotonic ones, and single-incidence
// ones when `singlesExact` (the tree is uniformly monotonic there).
int widestCuttable(const std::vector<variable>& vars, bool skipSettled, bool singlesExact);

// The accelerated mode's choice among the same variables as widestCuttable:
// the one with the largest smear, the magnitude of the enclosure of the
// partial derivative (the sum of its incidences' enclosures) times the width
// of its domain. The smear bounds how much the variable alone can move the
// function over the piece, so cutting it narrows the bounds most; a variable
// whose derivative is not finite counts as infinitely smeared, and equal
// smears go to the widest (then the first). Only variables at least a
// quarter as wide as the widest are candidates.
int largestSmearCuttable(const std::vector<variable>& vars, bool skipSettled, bool singlesExact);

// Whether a piece (strip or cell) with twin `part` defines a bound of the
// whole `whole` that `optim` asks for (both, the lower or the upper): one
// of its inner or outer bounds on that side equals the whole's, or one of
// the two is NaN.
bool definesBound(const twin& part, const twin& whole, optimBound optim) noexcept;

// Position of the first of the largest tolerances among `pieces`
// (iterators to strips or cells), or -1 when there is none.
template <class Iter> int firstLargestTolerance(const std::vector<Iter>& pieces) {
    if (pieces.empty()) return -1;
    int chosen = 0;
    double best = pieces[0]->tw.getTol();
    for (std::size_t i = 1; i < pieces.size(); ++i) {
        const double tol = pieces[i]->tw.getTol();
        if (tol > best) {
            best = tol;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

} // namespace modal
