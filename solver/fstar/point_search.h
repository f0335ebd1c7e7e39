// Bounds of an optimum from points of the domain, for the accelerated mode.
//
// Where every variable of a problem is universal (every domain proper), the
// modal range of the objective is its ordinary range [min f, max f] over the
// points where every constraint holds. A point p where every constraint is
// proven to hold (evaluated over the point box, outward rounded) and whose
// value is enclosed in [lo, hi] then gives min f <= hi and lo <= max f: the
// dual [hi, lo] of its enclosure lies inside the range (with the modal
// order's reading of an inner approximation), as the inner approximation of
// a piece of zero width. With existential or mixed quantifiers a value at a
// point bounds nothing (the extreme of a min-max is no value that some point
// takes), so the search applies only to problems whose variables are all
// universal.
//
// The search itself is a cheap compass descent from a start point: each
// variable is moved by a step in both directions, a move is kept when it
// lowers the violation of the constraints or, at points where none is
// violated, the objective; the steps halve when no move helps. Only points
// proven to satisfy every constraint are returned.
#pragma once

#include <cstdint>
#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/model.h"

namespace modal {

class pointSearch {
public:
    // Whether points bound the optimum of `m` (every variable universal, an
    // objective without relations, inequality constraints only), and the maps
    // from the trees' occurrences to the objective's variables. Call again
    // when the domains change modality.
    bool prepare(const model& m);
    bool applies() const noexcept { return applies_; }

    // A point as one value per variable of the objective's tree.
    using point = std::vector<double>;

    struct result {
        bool found = false; // a point where every constraint was proven to hold
        point at;
        ivalDb value; // the objective's enclosure there
    };

    // Descends from `start` (clamped into the domains of `m`) with first steps
    // `step` (per variable), towards the least values (`lowest`) or the
    // greatest, for at most `budget` evaluations of the objective. Returns
    // the best point where the constraints were proven to hold.
    result descend(model& m, const point& start, const std::vector<double>& step, bool lowest,
                   int budget);
    // Evaluations made by the last descent.
    int evaluations() const noexcept { return evaluations_; }

private:
    struct probe {
        ivalDb value;
        double violation = 0; // 0 where every constraint is proven to hold
        bool defined = false;
    };
    struct constraintMap {
        // Per occurrence slot of the constraint's tree, the objective variable
        // it reads (-1: it keeps its own domain, a parameter of the relation).
        std::vector<int> slotVariable;
        comparison relation = comparison::none;
    };

    probe evaluateAt(model& m, const point& p);
    // Whether `a` is a better point than `b`.
    static bool better(const probe& a, const probe& b, bool lowest);

    bool applies_ = false;
    std::vector<int> slotVariable_; // objective tree: slot -> variable
    std::vector<constraintMap> constraints_;
    std::vector<double> lower_, upper_; // the domains of the objective's variables
    int evaluations_ = 0;
};

} // namespace modal
