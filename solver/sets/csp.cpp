#include "solver/sets/csp.h"

#include <cmath>
#include <deque>
#include <optional>
#include <ostream>

namespace modal {

namespace {

// The midpoint of [a, b] computed in extended precision, stored as a double.
double midpoint(double a, double b) {
    return static_cast<double>((static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L);
}

// A piece can be cut in two only when its midpoint lies strictly between its
// bounds (not so for an infinite bound, a NaN or two adjacent doubles).
bool splittable(double a, double b, double m) {
    return (a < m && m < b) || (b < m && m < a);
}

// Which end of the pieces list a shaving loop works on.
enum class end { back, front };

} // namespace

bool constraintSolver::involves(const box& b, int k) const {
    return solver.mainModel.fn.findVariable(b[k].name) >= 0;
}

void constraintSolver::loadImproper(const box& b, int k) {
    model& m = solver.mainModel;
    for (std::size_t p = 0; p < boxPositions.size(); ++p) {
        const int i = boxPositions[p];
        if (i >= b.size()) continue;
        const ivalDb& d = b[i].domain;
        m.setVariableDomain(modelPositions[p], i == k ? prop(d) : impr(d));
    }
}

void constraintSolver::load(const box& b, bool asGiven) {
    model& m = solver.mainModel;
    for (std::size_t p = 0; p < boxPositions.size(); ++p) {
        const int i = boxPositions[p];
        if (i >= b.size()) continue;
        const ivalDb& d = b[i].domain;
        m.setVariableDomain(modelPositions[p], asGiven ? d : dual(d));
    }
}

bool rejectsPiece(const ivalDb& inn, bool closed, int side) noexcept {
    // A NaN bound proves nothing: the solver gives [NaN, NaN] both for a
    // function with no value on the piece and for a run whose last strip was
    // dropped, and the latter happens on pieces full of solutions.
    const bool lowNaN = std::isnan(inn.inf()), highNaN = std::isnan(inn.sup());
    if ((side != 2 && lowNaN) || (side != 1 && highNaN)) return false;
    // The constraint can hold only where the inner approximation satisfies
    // the relation.
    return !relationHolds(inn, closed, side);
}

namespace {

// The outer approximation of a run proves that the constraint holds on the
// whole box; never where the constraint is undefined at some points.
bool provenToHold(const fstar& f) {
    if (f.undefinedPoints) return false;
    return f.relationHolds(f.globalTwin.getOut());
}

// The inner approximation of a run proves that the constraint fails at every
// point; never from a run that met undefined points.
bool provenToFail(const fstar& f) {
    return !f.undefinedPoints &&
           rejectsPiece(f.globalTwin.getInn(), f.closedRelation, f.relationSide);
}

} // namespace

void csp::setTimeBudget(double start, double limit) noexcept {
    budgetStart_ = start;
    budget_ = limit;
    clock_.reset();
}

double csp::spent() {
    return context != nullptr ? clock_.seconds(*context) - budgetStart_ : 0.0;
}

fstar& csp::addConstraint(const fstar& solver) {
    constraints_.push_back(constraintSolver{solver, {}, {}, optimBound::both});
    return constraints_.back().solver;
}

void csp::prepare(box& b) {
    for (constraintSolver& c : constraints_) {
        fstar& f = c.solver;
        f.prepare(b);
        c.boxPositions.clear();
        c.modelPositions.clear();
        const model& m = f.mainModel;
        for (int i = 0; i < b.size(); ++i) {
            for (int j = 0; j < m.variableCount(); ++j) {
                if (m.variableName(j) == b[i].name) {
                    c.boxPositions.push_back(i);
                    c.modelPositions.push_back(j);
                    break;
                }
            }
        }
        f.settings.plot = false;
        f.settings.minmax_mode = false;
        f.settings.write_solution = false;
        f.settings.step_limit = kVerdictSteps;
        // Most boxes are decided by the first strip's evaluation.
        f.settings.quick_start = true;
        c.ownTimeLimit = f.settings.time_limit;

        // A relation normalised for F* is "-"(L - R, "aux"): its "aux" term
        // says which bound decides the relation.
        c.classifyOptim = optimBound::both;
        const tree& t = m.fn;
        if (t.root != noNode) {
            const nodeId r = t.at(t.root).right;
            if (r != noNode && t.at(r).kind == nodeKind::aux)
                c.classifyOptim =
                    t.at(r).value.inf() == kInf ? optimBound::lower : optimBound::upper;
        }
    }
}

void csp::buildContractor() {
    contractor = constraintContractor();
}

boxContractor csp::constraintContractor() const {
    boxContractor made;
    for (const constraintSolver& c : constraints_) {
        const fstar& f = c.solver;
        const tree& t = f.mainModel.fn;
        if (t.root == noNode) continue;
        // The normalised relation: "-"(E, "aux") for E >= 0 and E <= 0 (and
        // their strict forms), the bare E for E = 0.
        nodeId expression = noNode;
        comparison rel = comparison::none;
        if (f.relationSide != 0) {
            const node& r = t.at(t.root);
            if (r.kind == nodeKind::sub && r.right != noNode &&
                t.at(r.right).kind == nodeKind::aux) {
                expression = r.left;
                rel = f.relationSide == 1 ? (f.closedRelation ? comparison::ge : comparison::gt)
                                          : (f.closedRelation ? comparison::le : comparison::lt);
            }
        } else if (f.closedRelation) {
            expression = t.root;
            rel = comparison::eq;
        }
        if (rel == comparison::none) continue;
        std::vector<ivalDb> domains;
        for (int j = 0; j < f.mainModel.variableCount(); ++j)
            domains.push_back(f.mainModel.variableDomain(j));
        made.add(relationContractor(t, expression, rel), c.boxPositions, c.modelPositions,
                 std::move(domains));
    }
    return made;
}

void csp::runSolver(constraintSolver& c, box& b, std::ostream& log, std::uint64_t& runs) {
    ++runs;
    // The solver's own time limit, within what is left of the run's.
    double limit = c.ownTimeLimit;
    if (std::isfinite(budget_)) limit = std::fmin(limit, budget_ - spent());
    c.solver.settings.time_limit = limit;
    c.solver.context = context;
    c.solver.sharedClock = &clock_;
    c.solver.run(b, log);
}

bool csp::contract(box& b, double epsilon, std::ostream& log, double& time) {
    const own_context guard(context);
    const double limit = time;
    const double start = context->seconds();
    setTimeBudget(start, limit);
    double elapsed = 0.0;
    // Without a limit that can stop a loop the clock (a system call) is read
    // only at the end.
    const bool timed = limit < kInf;

    std::vector<constraintSolver*> upper;
    std::vector<constraintSolver*> lower;
    std::deque<ivalDb> pieces;
    // Contract=1: the forward-backward contractor, and the box a piece is
    // contracted in.
    if (forwardBackward) buildContractor();
    box trial = forwardBackward ? b : box();

    // One shaving loop: examine the piece at one end of the list until it
    // is too narrow, no constraint involves the variable, or time is up.
    // A piece that a constraint rejects is removed; any other is cut in two,
    // and the half at the same end is examined next.
    auto shave = [&](int k, std::vector<constraintSolver*>& list, end side) {
        while (!pieces.empty()) {
            const ivalDb p = side == end::back ? pieces.back() : pieces.front();
            if (p.width() <= epsilon || list.empty()) break;
            bool rejected = false;
            if (forwardBackward) {
                // A piece the constraints' forward-backward contraction
                // empties needs no F* run; otherwise it is narrowed to what
                // the contraction keeps.
                for (int i = 0; i < b.size(); ++i)
                    trial[i].domain = b[i].domain;
                trial[k].domain = p;
                rejected = !contractor.contractToConstraints(trial);
                if (!rejected) {
                    ivalDb& kept = side == end::back ? pieces.back() : pieces.front();
                    kept = trial[k].domain;
                }
            }
            const ivalDb piece = side == end::back ? pieces.back() : pieces.front();
            b[k].domain = piece;
            for (constraintSolver* c : list) {
                if (rejected) break;
                c->loadImproper(b, -1);
                c->solver.settings.logic_mode = inclusionStop::withoutVerdict;
                runSolver(*c, b, log, solverRuns_);
                if (provenToFail(c->solver)) {
                    rejected = true;
                    break;
                }
            }
            if (rejected) {
                if (side == end::back)
                    pieces.pop_back();
                else
                    pieces.pop_front();
            } else {
                const double lo = piece.inf(), hi = piece.sup();
                const double m = midpoint(lo, hi);
                // A piece that cannot be cut further is as narrow as it gets.
                if (!splittable(lo, hi, m)) break;
                if (side == end::back) {
                    pieces.pop_back();
                    pieces.push_back(ivalDb::exact(lo, m));
                    pieces.push_back(ivalDb::exact(m, hi));
                } else {
                    pieces.pop_front();
                    pieces.push_front(ivalDb::exact(m, hi));
                    pieces.push_front(ivalDb::exact(lo, m));
                }
            }
            if (context->cancelled()) break;
            if (!timed) continue;
            elapsed = clock_.seconds(*context) - start;
            if (elapsed > limit) break;
        }
    };

    bool nonEmpty = !forwardBackward || contractor.contractToConstraints(b);
    for (int k = 0; nonEmpty && k < b.size(); ++k) {
        if (forwardBackward && k > 0 && !contractor.contractToConstraints(b)) {
            nonEmpty = false;
            break;
        }
        upper.clear();
        for (constraintSolver& c : constraints_)
            if (c.involves(b, k)) upper.push_back(&c);
        lower = upper;
        pieces.assign(1, b[k].domain);

        shave(k, upper, end::back);
        shave(k, lower, end::front);

        if (pieces.empty()) {
            nonEmpty = false;
            break;
        }
        b[k].domain = ivalDb::exact(pieces.front().inf(), pieces.back().sup());
    }
    if (nonEmpty && forwardBackward && b.size() > 0) nonEmpty = contractor.contractToConstraints(b);

    time = context->seconds() - start;
    return nonEmpty;
}

verdict csp::classify(box& b) {
    std::ostream& log = dropped_.stream;
    verdict v = verdict::solution;
    for (constraintSolver& c : constraints_) {
        fstar& f = c.solver;
        bool proven = false;
        if (v == verdict::solution) {
            c.load(b, true);
            f.settings.logic_mode = inclusionStop::withVerdict;
            f.settings.optim = c.classifyOptim;
            runSolver(c, b, log, solverRuns_);
            proven = provenToHold(f);
        }
        if (proven) continue;
        c.load(b, false);
        f.settings.logic_mode = inclusionStop::withoutVerdict;
        f.settings.optim = c.classifyOptim;
        runSolver(c, b, log, solverRuns_);
        if (provenToFail(f)) return verdict::nonSolution;
        v = verdict::undefined;
    }
    return v;
}

void csp::release() {
    constraints_.clear();
}

} // namespace modal
