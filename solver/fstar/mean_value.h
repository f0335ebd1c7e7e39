// The mean-value (centred) form of a function over a box of modal intervals.
//
// With c the centre of the box and D_k enclosures of the partial derivatives
// over the whole box (its proper projection),
//     f(c) + sum_k D_k * (X_k - c_k)
// evaluated in Kaucher arithmetic contains the modal range f*(X) in the modal
// order, whatever the modality of each X_k: for every value a of the proper
// (universal) variables, each improper (existential) X_k can be moved to the
// end of its domain that the product D_k * (X_k - c_k) favours, and the
// bilinear product's min-max equals its max-min, so the bounds of the sum are
// reached or passed by f(a, .) over the existential domains. Its width shrinks
// with the square of the box's width near a stationary point, where the
// natural extension shrinks only linearly.
//
// A variable whose derivative enclosure keeps one sign is not given a term:
// it is set instead at the end of its domain where the bound is reached (for
// a universal variable the end where the function is least for the lower
// bound; for an existential one any value of it is a witness, and the end
// where the function is greatest is the best one). Each bound then comes from
// its own point, f at the other variables' centres and those ends.
//
// Inner bounds come from points too. For any fixed values a of the
// universal variables, max over the existential ones of f(a, .) is at least
// the lowest value of f* (the min over a of that max), and min over them of
// f(a, .) is at most its greatest value. An upper bound of that max and a
// lower bound of that min are therefore the ends of an inner approximation;
// the existential variables are set as above, with the classical centred
// form over their proper domains, and the universal ones at the midpoints of
// their domains. (For a proper problem this is f at the centre, a value the
// function takes.)
#pragma once

#include "interval/ivalDb.h"
#include "solver/model/tree.h"

namespace modal {

struct meanValueBounds {
    ivalDb outer; // contains f*(X) in the modal order
    ivalDb inner; // contained in f*(a, Xe) for a the universal midpoints, so in f*(X)
};

// The mean-value forms of the tree's function over the box its slots are
// bound to (a bound may be infinite). Both NaN when the forms do not apply:
// a node kind without a derivative rule here (relations), an unbound slot,
// an unbounded domain, no derivative trees, or a derivative that is not
// finite over the box (which is also the case wherever the function is
// undefined on part of the box, since a domain boundary inside the box makes
// a derivative unbounded). Node values are overwritten; the tree's root value
// and its undefined-points flag are left as they were.
// With `derivativesFresh` the incidences hold the derivative enclosures just
// evaluated over this box (evaluateDerivatives over every variable), which
// are taken instead of evaluating the derivative trees again.
meanValueBounds meanValueForm(tree& t, bool derivativesFresh = false);

} // namespace modal
