// Set inversion with Contract=1, checked by sampling: solution boxes satisfy
// every constraint, non-solution boxes fail one, the three kinds cover the
// box without overlapping, and the paving does not depend on the threads.
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "sets_helpers.h"
#include "solver/sets/qsi.h"

using namespace modal;
using namespace sets_testing;

namespace {

constexpr double kMargin = 1e-9;

double volume(const box& b) {
    double v = 1;
    for (int i = 0; i < b.size(); ++i)
        v *= b[i].domain.width();
    return v;
}

// Points strictly inside a box: the centre, points near each corner and a
// few random ones.
std::vector<std::vector<double>> samples(const box& b, std::mt19937& rng) {
    std::vector<std::vector<double>> out;
    const int n = b.size();
    std::uniform_real_distribution<double> u(0.02, 0.98);
    for (int k = 0; k < (1 << n) + 6; ++k) {
        std::vector<double> x(static_cast<std::size_t>(n));
        for (int i = 0; i < n; ++i) {
            const ivalDb d = b[i].domain;
            const double f = k == 0          ? 0.5
                             : k <= (1 << n) ? (((k - 1) >> i) & 1 ? 0.95 : 0.05)
                                             : u(rng);
            x[static_cast<std::size_t>(i)] = d.inf() + d.width() * f;
        }
        out.push_back(std::move(x));
    }
    return out;
}

struct paving {
    double solution = 0, nonSolution = 0, undefined = 0;
    std::vector<box_kind> order;
};

paving pave(const problem& p, double epsilon, bool contract, int threads = 1) {
    qsi solver;
    static_cast<csp&>(solver) = p.target;
    solver.setEpsilon(epsilon);
    solver.setThreads(threads);
    solver.setContract(contract);
    box start = solver.getBox();
    solver.prepare(start);
    solver.getAgenda().push_back(start);
    solver.run();

    paving out;
    std::mt19937 rng(3);
    for (const box& b : solver.solutionBoxes()) {
        out.solution += volume(b);
        for (const auto& x : samples(b, rng))
            EXPECT_TRUE(p.allHold(x, -kMargin)) << "solution box" << b;
    }
    for (const box& b : solver.nonSolutionBoxes()) {
        out.nonSolution += volume(b);
        for (const auto& x : samples(b, rng))
            EXPECT_TRUE(p.oneFails(x, kMargin)) << "non-solution box" << b;
    }
    for (const box& b : solver.undefinedBoxes())
        out.undefined += volume(b);
    const double whole = volume(start);
    EXPECT_NEAR(out.solution + out.nonSolution + out.undefined, whole, 1e-9 * whole);
    out.order = solver.decisionOrder();
    return out;
}

// sqrt(x) + y >= 1 and log(x + y + 1) <= 0.5 in [-2, 2]^2: undefined where
// x < 0 or x + y + 1 <= 0, and no solution there.
void undefinedParts(problem& p) {
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    p.constraint(
        [=](tree& t) {
            return t.createBinary(
                nodeKind::ge,
                add(t, t.createUnary(nodeKind::sqrt, var(t, "x", dx)), var(t, "y", dy)), num(t, 1));
        },
        {[](const std::vector<double>& x, double) { return std::sqrt(x[0]) + x[1] - 1; },
         nodeKind::ge});
    p.constraint(
        [=](tree& t) {
            const nodeId s = add(t, add(t, var(t, "x", dx), var(t, "y", dy)), num(t, 1));
            return t.createBinary(nodeKind::le, t.createUnary(nodeKind::log, s), num(t, 0.5));
        },
        {[](const std::vector<double>& x, double) { return std::log(x[0] + x[1] + 1) - 0.5; },
         nodeKind::le});
}

TEST(ContractedPaving, SoundAndCoveringOnFixedProblems) {
    const std::vector<std::pair<std::string, std::function<void(problem&)>>> problems{
        {"disc", disc},
        {"annulus", annulus},
        {"forAll", forAllWedge},
        {"exists", existsDisc},
        {"nonSmooth", nonSmooth},
        {"undefined", undefinedParts},
        {"ball3", [](problem& p) { ball(p, 3); }}};
    for (const auto& [name, build] : problems) {
        SCOPED_TRACE(name);
        problem p;
        build(p);
        const paving plain = pave(p, 0.05, false);
        const paving contracted = pave(p, 0.05, true);
        // Contraction leaves less undecided at the same smallest width.
        EXPECT_LE(contracted.undefined, plain.undefined * 1.0001);
        EXPECT_GT(contracted.solution + contracted.nonSolution, 0);
    }
}

TEST(ContractedPaving, SoundAndCoveringOnRandomProblems) {
    std::mt19937 rng(31);
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE(n);
        problem p;
        randomTwoConstraints(p, rng);
        pave(p, 0.05, true);
    }
}

TEST(ContractedPaving, LeavesMuchLessUndefinedOnTheAnnulus) {
    problem p;
    annulus(p);
    const paving plain = pave(p, 0.01, false);
    const paving contracted = pave(p, 0.01, true);
    EXPECT_LT(contracted.undefined, 0.5 * plain.undefined);
}

TEST(ContractedPaving, SameForAnyNumberOfThreads) {
    problem p;
    nonSmooth(p);
    const paving one = pave(p, 0.02, true, 1);
    const paving three = pave(p, 0.02, true, 3);
    EXPECT_EQ(one.order, three.order);
    EXPECT_EQ(one.solution, three.solution);
    EXPECT_EQ(one.undefined, three.undefined);
}

} // namespace
