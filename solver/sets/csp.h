// A constraint problem: a box of variables and an ordered list of
// constraints, each decided by its own F* solver run in a stop-by-inclusion
// mode. Offers the contraction of a box (shaving every domain from above and
// from below) and the three-valued test of a box that set inversion uses.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <list>
#include <ostream>
#include <vector>

#include "solver/contract/box_contractor.h"
#include "solver/fstar/fstar.h"
#include "solver/fstar/shared_clock.h"
#include "solver/model/box.h"
#include "solver/sets/verdict.h"

namespace modal {

// One constraint: its solver (whose main model's tree is the constraint's
// relation) and how the variables of a box reach the solver's variables.
struct constraintSolver {
    fstar solver;
    // Parallel lists built by prepare: box position i feeds the model's
    // variable at the same place in modelPositions.
    std::vector<int> boxPositions;
    std::vector<int> modelPositions;
    // The bound the classification asks for: 0 both, 1 lower, 2 upper.
    optimBound classifyOptim = optimBound::both;
    // The solver's time limit as the problem file set it.
    double ownTimeLimit = 1e301;

    // True when one of the model's variables has the name of box variable k.
    bool involves(const box& b, int k) const;
    // Every bound box variable gets its interval made improper, except
    // variable k (pass -1 for none), which gets it made proper.
    void loadImproper(const box& b, int k);
    // Every bound box variable gets its interval as it is, or its dual.
    void load(const box& b, bool asGiven);
};

// Steps a constraint's run may take over one box (or piece) before it gives
// up undecided. Runs that decide take a few steps (at most 17 over the
// test problems and a set of random ones); a run that cannot decide, as
// where the constraint touches its bound exactly on the box, would refine
// until its tolerance, which it may never reach. The box is then left
// undecided: set inversion cuts it and, at CSPEps, reports it undefined.
inline constexpr long kVerdictSteps = 250;

class csp {
public:
    using constraintList = std::list<constraintSolver>;

    csp() = default;
    virtual ~csp() = default;
    csp(const csp&) = default;
    csp& operator=(const csp&) = default;

    // --- the problem, as the problem language (or code) fills it ----------
    box& getBox() noexcept { return box_; }
    const box& getBox() const noexcept { return box_; }
    // Appends a copy of `solver` as the last constraint and returns it; its
    // main model's tree is where the constraint's relation goes.
    fstar& addConstraint(const fstar& solver);
    constraintList& constraints() noexcept { return constraints_; }
    const constraintList& constraints() const noexcept { return constraints_; }

    // --- operations --------------------------------------------------------
    // For each constraint: the F* preparation, the variable binding to the
    // names of `b`, and plot, MinMax and report switched off.
    void prepare(box& b);

    // Narrows every domain of `b` in place by shaving it from above and from
    // below down to pieces of width `epsilon`. On entry `time` is the limit
    // in seconds of process time; on return it holds the elapsed seconds.
    // False when a domain was found empty: `b` then holds, for that
    // variable, the last piece examined, and later variables are unchanged.
    // The constraints' F* logs go to `log`.
    bool contract(box& b, double epsilon, std::ostream& log, double& time);

    // solution when every constraint is proven to hold on the whole box,
    // nonSolution as soon as one is proven to fail on it, else undefined.
    // It runs the constraint solvers: boxes are classified on several
    // threads at once only with a copy of the csp for each thread.
    verdict classify(box& b);

    // Frees the constraints (their trees and derivative trees) at the end of
    // a run. The csp then has no constraints.
    void release();

    // Every later constraint run ends by `limit` seconds of the run's
    // processor time after `start`, a reading of the run context's clock
    // (contract sets its own; set inversion sets the run's).
    void setTimeBudget(double start, double limit) noexcept;

    // The run the constraints are decided for (its clock, memory limit and
    // cancel flag); copies take it. Null: contract is a run of its own, and
    // so is each constraint run of classify.
    run_context* context = nullptr;

    // Contract=1: contract narrows the box by the forward-backward
    // contractor of the constraints to a fixed point before each variable is
    // shaved and after the last, and drops a piece that it empties without
    // an F* run (set inversion reads its own setting).
    bool forwardBackward = false;

    // The forward-backward contractor of the prepared constraints.
    boxContractor constraintContractor() const;

    // Number of F* runs made by contract and classify (for measurements).
    std::uint64_t solverRuns() const noexcept { return solverRuns_; }

protected:
    void addSolverRuns(std::uint64_t n) noexcept { solverRuns_ += n; }
    // Builds `contractor` from the prepared constraints.
    void buildContractor();
    // The forward-backward contractor of the constraints (built by
    // buildContractor).
    boxContractor contractor;

private:
    void runSolver(constraintSolver& c, box& b, std::ostream& log, std::uint64_t& runs);
    // Seconds of the run spent since the budget's start, read from the
    // run's clock at most once a millisecond (with the constraint runs).
    double spent();

    // The constraint runs' log, dropped. Each copy of a csp (one per thread
    // that classifies boxes) has a stream of its own.
    struct droppedLog {
        std::ostream stream{nullptr};
        droppedLog() = default;
        droppedLog(const droppedLog&) {}
        droppedLog& operator=(const droppedLog&) { return *this; }
    };
    droppedLog dropped_;

    box box_;
    constraintList constraints_;
    std::uint64_t solverRuns_ = 0;
    double budgetStart_ = 0;
    double budget_ = kInf;
    // The run's clock as this csp's constraint runs read it (each copy, one
    // per thread, reads its own).
    shared_clock clock_;
};

// Whether the inner approximation `inn` of a constraint over a piece proves
// that the constraint fails at every point of the piece.
// `closed`: the relation is ">=", "<=" or "=", which also holds where its
// function reaches zero; `side`: the bound that decides it (1 lower, 2
// upper, 0 both).
bool rejectsPiece(const ivalDb& inn, bool closed, int side = 0) noexcept;

} // namespace modal
