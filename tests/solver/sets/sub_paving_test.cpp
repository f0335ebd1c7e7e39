// A run whose roots are paved apart (by a farm) and merged: the paving of
// the run alone, whatever the number of roots and the order in which they
// are paved, with or without contraction; a run stopped half-way still
// covers its box.
#include <algorithm>
#include <numeric>
#include <random>
#include <sstream>

#include <gtest/gtest.h>

#include "sets_helpers.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_report.h"

using namespace modal;
using namespace sets_testing;

namespace {

// Paves the roots here, in an order of its own, and stops every paving
// once `budget` boxes have been asked about (when set).
class shuffledFarm : public box_farm {
public:
    shuffledFarm(std::size_t roots, unsigned seed) : roots_(roots), rng_(seed) {}
    std::size_t roots_wanted() const override { return roots_; }
    std::vector<sub_paving> pave(const sub_paving& roots, const local_paving& here,
                                 const std::function<bool()>& stop) override {
        std::vector<std::size_t> order(roots.waiting_depths.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::shuffle(order.begin(), order.end(), rng_);
        std::vector<sub_paving> subs(order.size());
        // Every other root comes back as its trace, as a worker sends it.
        for (std::size_t i : order)
            subs[i] = here(i, stop, i % 2 == 1);
        paved_ = order.size();
        return subs;
    }
    double seconds() const override { return 0; }
    std::size_t paved() const { return paved_; }

private:
    std::size_t roots_;
    std::mt19937 rng_;
    std::size_t paved_ = 0;
};

struct paving {
    std::string report;
    std::vector<box_kind> order;
    result r;
};

paving paveWith(const problem& built, double epsilon, box_farm* farm, double timeLimit = kInf,
                run_context* context = nullptr, bool contract = false) {
    qsi solver;
    static_cast<csp&>(solver) = built.target;
    solver.context = context;
    solver.setEpsilon(epsilon);
    solver.setContract(contract);
    solver.setThreads(1);
    solver.setTimeLimit(timeLimit);
    box start = solver.getBox();
    solver.prepare(start);
    solver.getAgenda().push_back(start);
    solver.farm = farm;
    solver.run();
    paving p;
    p.order = solver.decisionOrder();
    p.r.algorithm = algorithm::qsi;
    p.r.cpu_seconds = 0;
    solver.moveResult(p.r);
    std::ostringstream os;
    writeQsiReport(p.r, os);
    p.report = os.str();
    return p;
}

// Two random constraints over [-2, 2] x [-2, 2] (and z in [-1, 3]).
problem randomProblem(std::mt19937& rng, bool threeVariables) {
    problem built;
    built.variable("x", -2, 2);
    built.variable("y", -2, 2);
    if (threeVariables) built.variable("z", -1, 3);
    randomConstraint(built, rng);
    randomConstraint(built, rng);
    return built;
}

double area(const box_list& l) {
    double a = 0;
    for (std::size_t k = 0; k < l.size(); ++k) {
        double v = 1;
        for (std::size_t i = 0; i < l.dimension; ++i)
            v *= l.at(k, i).width();
        a += v;
    }
    return a;
}

} // namespace

TEST(SubPaving, MergedRootsGiveThePavingOfTheRunAlone) {
    std::mt19937 rng(29);
    for (int n = 0; n < 6; ++n) {
        SCOPED_TRACE(n);
        // Contracting runs file the pieces cut off each half as it is
        // queued, on whichever side paves the box that was cut.
        const bool contract = n >= 4;
        // Three variables: the roots lie on two levels in other patterns.
        const problem built = randomProblem(rng, n % 2 == 1);
        const double eps = n % 2 == 1 ? 0.02 : 0.001;
        const paving alone = paveWith(built, eps, nullptr, kInf, nullptr, contract);
        ASSERT_GT(alone.order.size(), 1000U);
        // One root, a few (stopping mid-level), and more than ever wait.
        for (std::size_t roots : {1U, 7U, 64U, 333U, 1000000U}) {
            SCOPED_TRACE(roots);
            shuffledFarm farm(roots, static_cast<unsigned>(roots));
            const paving merged = paveWith(built, eps, &farm, kInf, nullptr, contract);
            if (roots > 1 && roots < 1000) {
                EXPECT_GE(farm.paved(), roots);
            }
            EXPECT_TRUE(merged.report == alone.report);
            EXPECT_TRUE(merged.order == alone.order);
        }
    }
}

TEST(SubPaving, RunStoppedHalfWayStillCoversItsBox) {
    problem built;
    disc(built);
    shuffledFarm farm(50, 3);
    // A time limit of zero stops every paving at its first box.
    const paving p = paveWith(built, 0.001, &farm, 0.0);
    EXPECT_EQ(p.r.left_undecided, 1U);
    EXPECT_EQ(area(p.r.undefined), 16.0);

    // Stopped while the roots are paved: what is left waiting is reported
    // undefined, and the boxes still tile the start box.
    class stopping : public shuffledFarm {
    public:
        using shuffledFarm::shuffledFarm;
        std::vector<sub_paving> pave(const sub_paving& roots, const local_paving& here,
                                     const std::function<bool()>& stop) override {
            std::size_t asked = 0;
            return shuffledFarm::pave(roots, here, [&] { return ++asked > 3000 || stop(); });
        }
    } halfway(50, 5);
    const paving h = paveWith(built, 0.001, &halfway);
    EXPECT_GT(h.r.left_undecided, 0U);
    const double total = area(h.r.solution) + area(h.r.non_solution) + area(h.r.undefined);
    EXPECT_NEAR(total, 16.0, 1e-9);
    EXPECT_EQ(h.order.size(), h.r.solution.size() + h.r.non_solution.size() + h.r.undefined.size());

    // A worker passed its memory limit: the run stops as at its own limit.
    class outOfMemory : public shuffledFarm {
    public:
        using shuffledFarm::shuffledFarm;
        std::vector<sub_paving> pave(const sub_paving& roots, const local_paving& here,
                                     const std::function<bool()>& stop) override {
            std::size_t asked = 0;
            return shuffledFarm::pave(roots, here, [&] {
                ranOut_ = ranOut_ || ++asked > 3000;
                return stop();
            });
        }
        bool memory_ran_out() const override { return ranOut_; }

    private:
        bool ranOut_ = false;
    } full(50, 7);
    run_context context;
    const run_context::worker working(context);
    const paving m = paveWith(built, 0.001, &full, kInf, &context);
    EXPECT_TRUE(context.memoryRanOut());
    EXPECT_GT(m.r.left_undecided, 0U);
    EXPECT_NEAR(area(m.r.solution) + area(m.r.non_solution) + area(m.r.undefined), 16.0, 1e-9);
}

TEST(SubPaving, ReplayedTraceGivesTheBoxesOfThePaving) {
    std::mt19937 rng(31);
    for (int n = 0; n < 4; ++n) {
        SCOPED_TRACE(n);
        const problem built = randomProblem(rng, n % 2 == 1);
        qsi constraints;
        static_cast<csp&>(constraints) = built.target;
        box start = constraints.getBox();
        constraints.prepare(start);
        const double eps = n % 2 == 1 ? 0.03 : 0.004;
        const paving_setup setup{&constraints, start, pavingEpsilons(start, eps), eps};
        std::vector<double> bounds;
        for (int i = 0; i < start.size(); ++i) {
            bounds.push_back(start[i].domain.inf());
            bounds.push_back(start[i].domain.sup());
        }
        // Whole, and stopped part-way (in the middle of a level).
        for (std::size_t budget : {std::size_t{0}, std::size_t{777}}) {
            std::size_t asked = 0;
            const std::function<bool()> stop = [&] { return budget > 0 && ++asked > budget; };
            const sub_paving plain = paveBoxes(setup, bounds, 0, stop);
            asked = 0;
            const sub_paving traced = paveBoxes(setup, bounds, 0, stop, true);
            ASSERT_GT(plain.kinds.size(), 100U);
            EXPECT_TRUE(traced.kinds.empty() && traced.bounds.empty());
            const sub_paving replayed = replayPaving(setup, bounds, traced.trace);
            EXPECT_TRUE(replayed.bounds == plain.bounds);
            EXPECT_TRUE(replayed.kinds == plain.kinds);
            EXPECT_TRUE(replayed.waiting == plain.waiting);
            EXPECT_TRUE(replayed.waiting_depths == plain.waiting_depths);
            // A stop may leave the plain paving one empty level more.
            std::vector<std::uint32_t> levels = plain.level_starts;
            while (levels.size() > replayed.level_starts.size() &&
                   levels.back() == levels.end()[-2])
                levels.pop_back();
            EXPECT_TRUE(replayed.level_starts == levels);
            EXPECT_EQ(budget > 0, !plain.waiting.empty());
        }
    }
}
