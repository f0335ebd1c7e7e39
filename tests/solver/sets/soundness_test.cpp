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

void checkPaving(problem& p, double epsilon, const std::string& name) {
    SCOPED_TRACE(name);
    qsi solver;
    static_cast<csp&>(solver) = p.target;
    solver.setEpsilon(epsilon);
    box start = solver.getBox();
    solver.prepare(start);
    solver.getAgenda().push_back(start);
    repere noPicture;
    TempDir dir;
    ASSERT_TRUE(solver.run(dir.file(name), noPicture));

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

void checkContraction(problem& p, double epsilon, const std::string& name) {
    SCOPED_TRACE(name);
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
    EXPECT_GT(kept, 0);
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
    for (const auto& [name, build] : problems) {
        problem p;
        build(p);
        checkContraction(p, 1e-3, name);
    }
}

TEST(Soundness, RandomTwoConstraintProblems) {
    std::mt19937 rng(2024);
    for (int n = 0; n < 12; ++n) {
        problem p;
        p.variable("x", -2, 2);
        p.variable("y", -2, 2);
        randomConstraint(p, rng);
        randomConstraint(p, rng);
        problem q = p;
        const std::string name = "random" + std::to_string(n);
        checkContraction(q, 1e-3, name);
        SCOPED_TRACE(name);
        qsi solver;
        static_cast<csp&>(solver) = p.target;
        solver.setEpsilon(0.05);
        box start = solver.getBox();
        solver.prepare(start);
        solver.getAgenda().push_back(start);
        repere noPicture;
        TempDir dir;
        ASSERT_TRUE(solver.run(dir.file(name), noPicture));
        std::mt19937 srng(n);
        for (const box& b : solver.solutionBoxes())
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.allHold(x, -kMargin)) << b;
        for (const box& b : solver.nonSolutionBoxes())
            for (const auto& x : samples(b, srng))
                ASSERT_TRUE(p.oneFails(x, kMargin)) << b;
    }
}
