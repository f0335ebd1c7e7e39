// Contraction of a box of free variables by a list of constraints, each a
// relation over the free variables and parameters of its own (quantified
// variables, interval constants). Parameters are handled by projection: a
// contraction over the box and the parameters' domains removes only points
// of the box where the relation holds for no parameter value (so such a point
// fails the constraint whatever its quantifiers), and a contraction of the
// complement removes only points where it holds for every parameter value
// (so such a point satisfies it whatever its quantifiers).
#pragma once

#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/box.h"
#include "solver/model/relation_contractor.h"

namespace modal {

class boxContractor {
public:
    // Adds a constraint: box variable boxPositions[k] is the relation's
    // variable treeVariables[k]; the relation's other variables range over
    // `domains` (one per variable of the relation, made proper; entries of box
    // variables are not read).
    void add(relationContractor relation, std::vector<int> boxPositions,
             std::vector<int> treeVariables, std::vector<ivalDb> domains);
    bool empty() const noexcept { return constraints_.empty(); }

    // Narrows `b` to a box that holds every point of it that may satisfy
    // every constraint, contracting by each in turn until the box stops
    // shrinking much. False when no such point is left (`b` is then
    // unspecified).
    bool contractToConstraints(box& b);
    // Narrows `b` to a box that holds every point of it that may fail some
    // constraint (the hull of what each constraint's complement keeps).
    // False when no such point is left: every point of `b` satisfies every
    // constraint.
    bool contractToComplement(box& b);

private:
    struct constraint {
        relationContractor relation;
        std::vector<int> boxPositions;
        std::vector<int> treeVariables;
        std::vector<ivalDb> domains;
    };
    // Contracts one constraint over `b` (in place); false when empty.
    bool contractOne(constraint& c, box& b, bool complement);

    std::vector<constraint> constraints_;
    std::vector<ivalDb> scratch_;
    std::vector<ivalDb> hull_;
    std::vector<ivalDb> whole_;
    std::vector<double> widths_;
};

// Calls f(piece) for boxes that cover what `outer` holds outside `inner`
// (inner lies inside outer, or is empty when `innerEmpty`): for each variable
// in turn the slabs below and above inner's interval, over what is left of
// the others. The pieces do not overlap each other or `inner` (they may share
// faces); pieces of zero volume are skipped. `piece` is scratch with outer's
// variables.
template <class F>
void forEachPieceOutside(const box& outer, const box& inner, bool innerEmpty, box& piece, F&& f) {
    const int n = outer.size();
    for (int i = 0; i < n; ++i)
        piece[i].domain = outer[i].domain;
    if (innerEmpty) {
        f(static_cast<const box&>(piece));
        return;
    }
    const auto thick = [&](int skip) {
        for (int j = 0; j < n; ++j)
            if (j != skip && !(piece[j].domain.inf() < piece[j].domain.sup())) return false;
        return true;
    };
    for (int i = 0; i < n; ++i) {
        const ivalDb all = piece[i].domain;
        const ivalDb in = inner[i].domain;
        if (all.inf() < in.inf() && thick(i)) {
            piece[i].domain = ivalDb::exact(all.inf(), in.inf());
            f(static_cast<const box&>(piece));
        }
        if (in.sup() < all.sup() && thick(i)) {
            piece[i].domain = ivalDb::exact(in.sup(), all.sup());
            f(static_cast<const box&>(piece));
        }
        piece[i].domain = in;
    }
}

// Contracts a box about to be paved: the pieces of `b` that no point
// satisfying the constraints reaches go to rejected(piece), then the pieces
// of what is left that no point failing a constraint reaches go to
// accepted(piece), and `b` is narrowed to the rest. False when nothing is
// left to pave. `outer` and `piece` are scratch boxes with b's variables.
template <class Rejected, class Accepted>
bool contractForPaving(boxContractor& contractor, box& b, box& outer, box& piece,
                       Rejected&& rejected, Accepted&& accepted) {
    for (int i = 0; i < b.size(); ++i)
        outer[i].domain = b[i].domain;
    const bool anyLeft = contractor.contractToConstraints(outer);
    forEachPieceOutside(b, outer, !anyLeft, piece, rejected);
    if (!anyLeft) return false;
    for (int i = 0; i < b.size(); ++i)
        b[i].domain = outer[i].domain;
    const bool anyFailing = contractor.contractToComplement(b);
    forEachPieceOutside(outer, b, !anyFailing, piece, accepted);
    return anyFailing;
}

} // namespace modal
