// Paving and contraction checked by sampling: every solution box satisfies
// every constraint at every sampled point, every non-solution box violates
// one at every sampled point, the paving covers the start box, and a
// contracted box keeps every point that satisfies the constraints.
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "sets_helpers.h"
#include "solver/sets/qsi.h"

using namespace modal;
using namespace sets_testing;

namespace {

// Points of a 2-D box: a 5 x 5 grid strictly inside it and a few random ones.
std::vector<std::vector<double>> samples(const box& b, std::mt19937& rng) {
    std::vector<std::vector<double>> out;
    const ivalDb x = prop(b[0].domain), y = prop(b[1].domain);
    for (int i = 1; i <= 5; ++i)
        for (int j = 1; j <= 5; ++j)
            out.push_back({x.inf() + x.width() * i / 6.0, y.inf() + y.width() * j / 6.0});
    std::uniform_real_distribution<double> u(0.0, 1.0);
    for (int k = 0; k < 5; ++k)
        out.push_back({x.inf() + x.width() * u(rng), y.inf() + y.width() * u(rng)});
    return out;
}

double area(const box& b) {
    return b[0].domain.width() * b[1].domain.width();
}

// A margin for rounding: points this close to a boundary count either way.
constexpr double kMargin = 1e-9;

// Paves the box of `p` at `epsilon` with `solver`; returns the start box.
box pave(qsi& solver, const problem& p, double epsilon) {
    static_cast<csp&>(solver) = p.target;
    solver.setEpsilon(epsilon);
    box start = solver.getBox();
    solver.prepare(start);
    solver.getAgenda().push_back(start);
    solver.run();
    return start;
}

void checkPaving(problem& p, double epsilon, const std::string& name) {
    SCOPED_TRACE(name);
    qsi solver;
    const box start = pave(solver, p, epsilon);

    std::mt19937 rng(7);
    double covered = 0;
    for (const box& b : solver.solutionBoxes()) {
        covered += area(b);
        for (const auto& x : samples(b, rng))
            ASSERT_TRUE(p.allHold(x, -kMargin)) << b << "\nat " << x[0] << ", " << x[1];
    }
    for (const box& b : solver.nonSolutionBoxes()) {
        covered += area(b);
        for (const auto& x : samples(b, rng))
            ASSERT_TRUE(p.oneFails(x, kMargin)) << b << "\nat " << x[0] << ", " << x[1];
    }
    for (const box& b : solver.undefinedBoxes())
        covered += area(b);
    EXPECT_NEAR(covered, area(start), 1e-9 * area(start));
    EXPECT_FALSE(solver.solutionBoxes().empty());
    EXPECT_FALSE(solver.nonSolutionBoxes().empty());
}

// `somePoints`: the constraints hold on part of the box that sampling finds.
// `forwardBackward`: Contract=1.
void checkContraction(problem& p, double epsilon, const std::string& name, bool somePoints = true,
                      bool forwardBackward = false) {
    SCOPED_TRACE(name);
    p.target.forwardBackward = forwardBackward;
    box b = p.target.getBox();
    const box start = b;
    std::ostringstream log;
    p.target.prepare(b);
    double time = kInf;
    const bool nonEmpty = p.target.contract(b, epsilon, log, time);
    std::mt19937 rng(11);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    const ivalDb x = start[0].domain, y = start[1].domain;
    int kept = 0;
    for (int k = 0; k < 20000; ++k) {
        const std::vector<double> pt{x.inf() + x.width() * u(rng), y.inf() + y.width() * u(rng)};
        if (!p.allHold(pt, kMargin)) continue;
        ++kept;
        ASSERT_TRUE(nonEmpty);
        ASSERT_GE(pt[0], b[0].domain.inf());
        ASSERT_LE(pt[0], b[0].domain.sup());
        ASSERT_GE(pt[1], b[1].domain.inf());
        ASSERT_LE(pt[1], b[1].domain.sup());
    }
    if (somePoints) {
        EXPECT_GT(kept, 0);
    }
    // Contraction stays inside the start box.
    EXPECT_GE(b[0].domain.inf(), x.inf());
    EXPECT_LE(b[0].domain.sup(), x.sup());
}

} // namespace

TEST(Soundness, PavingOfDiscsAnnulusKinksAndQuantifiedConstraints) {
    const std::vector<std::pair<std::string, std::function<void(problem&)>>> problems{
        {"disc", disc},
        {"annulus", annulus},
        {"forAll", forAllWedge},
        {"exists", existsDisc},
        {"nonSmooth", nonSmooth}};
    for (const auto& [name, build] : problems) {
        problem p;
        build(p);
        checkPaving(p, 0.05, name);
    }
}

TEST(Soundness, ContractionKeepsEverySatisfyingPoint) {
    const std::vector<std::pair<std::string, std::function<void(problem&)>>> problems{
        {"disc", disc},
        {"annulus", annulus},
        {"forAll", forAllWedge},
        {"exists", existsDisc},
        {"nonSmooth", nonSmooth}};
    for (const bool forwardBackward : {false, true})
        for (const auto& [name, build] : problems) {
            problem p;
            build(p);
            checkContraction(p, 1e-3, name + (forwardBackward ? " Contract=1" : ""), true,
                             forwardBackward);
        }
    std::mt19937 rng(77);
    for (int n = 0; n < 12; ++n) {
        problem p;
        randomTwoConstraints(p, rng);
        checkContraction(p, 1e-3, "random Contract=1 " + std::to_string(n), false, true);
    }
}

TEST(Soundness, ForwardBackwardContractionSparesRunsOnASmallSolutionSet) {
    // The disc of radius 0.25 about (1, -1) in [-3, 3]^2.
    const auto build = [](problem& p) {
        p.variable("x", -3, 3);
        p.variable("y", -3, 3);
        const ivalDb d = ivalDb::exact(-3, 3);
        p.constraint(
            [=](tree& t) {
                const nodeId x = sub(t, var(t, "x", d), num(t, 1));
                const nodeId y = add(t, var(t, "y", d), num(t, 1));
                return t.createBinary(nodeKind::le, add(t, sqr(t, x), sqr(t, y)), num(t, 0.0625));
            },
            {[](const std::vector<double>& x, double) {
                 return (x[0] - 1) * (x[0] - 1) + (x[1] + 1) * (x[1] + 1) - 0.0625;
             },
             nodeKind::le});
    };
    std::uint64_t runs[2] = {0, 0};
    box result[2];
    for (int on = 0; on < 2; ++on) {
        problem p;
        build(p);
        p.target.forwardBackward = on == 1;
        box b = p.target.getBox();
        p.target.prepare(b);
        std::ostringstream log;
        double time = kInf;
        ASSERT_TRUE(p.target.contract(b, 1e-3, log, time));
        runs[on] = p.target.solverRuns();
        result[on] = b;
    }
    EXPECT_LT(runs[1], runs[0]);
    for (int i = 0; i < 2; ++i) {
        const double centre = i == 0 ? 1 : -1;
        EXPECT_LE(result[1][i].domain.inf(), centre - 0.25);
        EXPECT_GE(result[1][i].domain.sup(), centre + 0.25);
        EXPECT_LE(result[1][i].domain.width(), result[0][i].domain.width() + 2e-3);
    }
}

TEST(Soundness, RandomTwoConstraintProblems) {
    std::mt19937 rng(2024);
    for (int n = 0; n < 12; ++n) {
        problem p;
        randomTwoConstraints(p, rng);
        problem q = p;
        const std::string name = "random" + std::to_string(n);
        checkContraction(q, 1e-3, name);
        SCOPED_TRACE(name);
        qsi solver;
        pave(solver, p, 0.05);
        std::mt19937 srng(n);
        for (const box& b : solver.solutionBoxes())
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.allHold(x, -kMargin)) << b;
        for (const box& b : solver.nonSolutionBoxes())
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.oneFails(x, kMargin)) << b;
    }
}

// Constraints that touch their bound exactly on the box's edges, some with a
// quantified parameter: (x - a)^2 + c * (y - p)^2 rel r over dyadic boxes,
// r chosen so that the boundary meets an edge or a corner of the box. Runs
// whose constraint can neither be proven nor refuted there must still end
// (a run that never ends fails the suite by its time limit) with a sound
// paving that covers the box.
TEST(Soundness, PavingsOfTouchingConstraintsEndSound) {
    std::mt19937 rng(25);
    auto pick = [&rng](std::initializer_list<double> values) {
        return *(values.begin() +
                 std::uniform_int_distribution<std::size_t>(0, values.size() - 1)(rng));
    };
    for (int n = 0; n < 16; ++n) {
        problem p;
        double lo = pick({-1, -0.5, 0}), hi = pick({0.5, 1});
        double a = pick({0, 0.5}), c = pick({0.5, 1, 2});
        // The boundary passes through the box's corner (hi, 1) or an edge.
        double r = pick({(hi - a) * (hi - a), (lo - a) * (lo - a) + c, 1.0});
        nodeKind rel = pick({0, 1}) == 0 ? nodeKind::le : nodeKind::ge;
        const quantifier q = n % 3 == 0   ? quantifier::none
                             : n % 3 == 1 ? quantifier::exists
                                          : quantifier::forAll;
        if (n == 1) {
            // x^2 + (y - p)^2 <= 1, some p in [-1, 1]: every point of
            // [-1, 1]^2 is a solution (p = y), touching at x = -1 and 1.
            lo = -1, hi = 1, a = 0, c = 1, r = 1, rel = nodeKind::le;
        }
        p.variable("x", lo, hi);
        p.variable("y", -1, 1);
        const ivalDb dx = p.domain("x"), dy = p.domain("y");
        // The parameter ranges over [-1, 1]: an improper domain reads "there is".
        const ivalDb dp = q == quantifier::exists ? ivalDb::exact(1, -1) : ivalDb::exact(-1, 1);
        p.constraint(
            [=](tree& t) {
                const nodeId x = sub(t, var(t, "x", dx), num(t, a));
                const nodeId y = q == quantifier::none ? var(t, "y", dy)
                                                       : sub(t, var(t, "y", dy), var(t, "p", dp));
                return t.createBinary(rel, add(t, sqr(t, x), mul(t, num(t, c), sqr(t, y))),
                                      num(t, r));
            },
            {[=](const std::vector<double>& x, double t) {
                 const double d = q == quantifier::none ? x[1] : x[1] - t;
                 return (x[0] - a) * (x[0] - a) + c * d * d - r;
             },
             rel, q, -1, 1});
        const std::string name = "touching" + std::to_string(n);
        SCOPED_TRACE(name);
        problem contracted = p;
        checkContraction(contracted, 1e-3, name, false);
        qsi solver;
        const box start = pave(solver, p, 0.05);
        EXPECT_EQ(solver.leftUndecided(), 0u);
        std::mt19937 srng(n);
        double covered = 0;
        for (const box& b : solver.solutionBoxes()) {
            covered += area(b);
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.allHold(x, -kMargin)) << b;
        }
        for (const box& b : solver.nonSolutionBoxes()) {
            covered += area(b);
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.oneFails(x, kMargin)) << b;
        }
        for (const box& b : solver.undefinedBoxes())
            covered += area(b);
        EXPECT_NEAR(covered, area(start), 1e-9 * area(start));
        if (n == 1) {
            EXPECT_TRUE(solver.nonSolutionBoxes().empty());
        }
    }
}
