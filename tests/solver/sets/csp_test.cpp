// Binding, contraction and classification of small constraint problems.
#include <cmath>
#include <limits>
#include <sstream>

#include <gtest/gtest.h>

#include "sets_helpers.h"

using namespace modal;
using namespace sets_testing;

namespace {

bool same(const ivalDb& a, const ivalDb& b) {
    return a.inf() == b.inf() && a.sup() == b.sup();
}

// x <= 1 + y * 0 style one-variable constraints: `name` rel c.
void bound(problem& p, const std::string& name, nodeKind rel, double c) {
    const ivalDb d = p.domain(name);
    p.constraint([=](tree& t) { return t.createBinary(rel, var(t, name, d), num(t, c)); },
                 {[c](const std::vector<double>& x, double) { return x[0] - c; }, rel});
}

double contractTime(problem& p, box& b, double eps, double limit = kInf) {
    std::ostringstream log;
    p.target.prepare(b);
    double time = limit;
    p.target.contract(b, eps, log, time);
    return time;
}

} // namespace

TEST(CspPrepare, BindsBoxVariablesByNameAndSwitchesOutputOff) {
    problem p;
    p.variable("z", 0, 1);
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    circle(p, nodeKind::le, 1); // uses x, y
    circle(p, nodeKind::ge, 1); // uses x, y
    bound(p, "y", nodeKind::eq, 0);
    for (auto& c : p.target.constraints()) {
        c.solver.settings.plot = true;
        c.solver.settings.minmax_mode = true;
        c.solver.settings.write_solution = true;
    }
    box b = p.target.getBox();
    p.target.prepare(b);

    auto it = p.target.constraints().begin();
    EXPECT_EQ(it->boxPositions, (std::vector<int>{1, 2}));
    EXPECT_EQ(it->modelPositions, (std::vector<int>{0, 1}));
    EXPECT_EQ(it->classifyOptim, optimBound::upper); // "<=": the upper bound decides
    ++it;
    EXPECT_EQ(it->classifyOptim, optimBound::lower); // ">=": the lower bound
    ++it;
    EXPECT_EQ(it->boxPositions, (std::vector<int>{2}));
    EXPECT_EQ(it->modelPositions, (std::vector<int>{0}));
    EXPECT_EQ(it->classifyOptim, optimBound::both); // "=": no "aux" term
    for (const auto& c : p.target.constraints()) {
        EXPECT_FALSE(c.solver.settings.plot);
        EXPECT_FALSE(c.solver.settings.minmax_mode);
        EXPECT_FALSE(c.solver.settings.write_solution);
        EXPECT_FALSE(c.involves(b, 0)); // nobody uses z
    }
}

TEST(CspLoad, ImproperLoadAndDualLoadReachOnlyTheBoundVariables) {
    problem p;
    existsDisc(p); // variables x, y and the quantified t = [1, 0]
    box b = p.target.getBox();
    p.target.prepare(b);
    constraintSolver& c = p.target.constraints().front();
    const model& m = c.solver.mainModel;

    c.loadImproper(b, -1);
    EXPECT_TRUE(same(m.variableDomain(0), ivalDb::exact(2, -2)));
    EXPECT_TRUE(same(m.variableDomain(1), ivalDb::exact(2, -2)));
    EXPECT_TRUE(same(m.variableDomain(2), ivalDb::exact(1, 0)));
    c.loadImproper(b, 1);
    EXPECT_TRUE(same(m.variableDomain(1), ivalDb::exact(-2, 2)));
    c.load(b, false);
    EXPECT_TRUE(same(m.variableDomain(0), ivalDb::exact(2, -2)));
    c.load(b, true);
    EXPECT_TRUE(same(m.variableDomain(0), ivalDb::exact(-2, 2)));
    EXPECT_TRUE(same(m.variableDomain(2), ivalDb::exact(1, 0)));
}

TEST(CspContract, ShavesTheDiscAndLeavesAnUninvolvedVariableAlone) {
    problem p;
    p.variable("x", -3, 3);
    p.variable("z", 5, 7);
    p.variable("y", -0.5, 0.5);
    circle(p, nodeKind::le, 1);
    box b = p.target.getBox();
    std::ostringstream log;
    p.target.prepare(b);
    double time = kInf;
    ASSERT_TRUE(p.target.contract(b, 0.01, log, time));
    EXPECT_GE(time, 0.0);
    // x: the disc's width at |y| <= 0.5 is [-1, 1], kept to a piece of 0.01.
    EXPECT_LE(b[0].domain.inf(), -1.0);
    EXPECT_GE(b[0].domain.inf(), -1.0 - 0.01);
    EXPECT_GE(b[0].domain.sup(), 1.0);
    EXPECT_LE(b[0].domain.sup(), 1.0 + 0.01);
    // The bounds are those of kept pieces: pieces of [-3, 3] halved.
    EXPECT_EQ(std::fmod(b[0].domain.sup() * 1024.0, 3.0), 0.0);
    EXPECT_TRUE(same(b[1].domain, ivalDb::exact(5, 7)));
    // y is inside the disc for x = 0: nothing to shave.
    EXPECT_TRUE(same(b[2].domain, ivalDb::exact(-0.5, 0.5)));
    EXPECT_TRUE(log.str().empty()); // debug level 0 writes no step log
}

TEST(CspContract, DomainsAlreadyWithinEpsilonAreNotTouchedAndRunNoSolver) {
    problem p;
    p.variable("x", 0.5, 0.5625);
    p.variable("y", 0.9375, 1.0);
    circle(p, nodeKind::le, 1);
    box b = p.target.getBox();
    contractTime(p, b, 0.0625);
    EXPECT_EQ(p.target.solverRuns(), 0u);
    EXPECT_TRUE(same(b[0].domain, ivalDb::exact(0.5, 0.5625)));
    EXPECT_TRUE(same(b[1].domain, ivalDb::exact(0.9375, 1.0)));
}

TEST(CspContract, NoVariablesOrNoConstraintsReturnTrueAtOnce) {
    problem none;
    box empty;
    double time = kInf;
    std::ostringstream log;
    EXPECT_TRUE(none.target.contract(empty, 0.1, log, time));
    EXPECT_GE(time, 0.0);
    EXPECT_LT(time, 1.0);

    problem unconstrained;
    unconstrained.variable("x", -1, 1);
    box b = unconstrained.target.getBox();
    EXPECT_TRUE(unconstrained.target.contract(b, 0.0, log, time));
    EXPECT_TRUE(same(b[0].domain, ivalDb::exact(-1, 1)));
}

TEST(CspContract, EveryPieceRejectedReturnsFalseAndLeavesLaterVariables) {
    problem p;
    p.variable("x", 2, 3);
    p.variable("y", -1, 1);
    circle(p, nodeKind::le, 1);
    box b = p.target.getBox();
    std::ostringstream log;
    p.target.prepare(b);
    double time = kInf;
    EXPECT_FALSE(p.target.contract(b, 0.01, log, time));
    // The first piece, the whole of x, was the last one examined.
    EXPECT_TRUE(same(b[0].domain, ivalDb::exact(2, 3)));
    EXPECT_TRUE(same(b[1].domain, ivalDb::exact(-1, 1)));
    EXPECT_EQ(p.target.solverRuns(), 1u);
}

TEST(CspContract, AnnulusHullKeepsTheOuterRing) {
    // The hole of the annulus is not between the lowest and highest kept
    // pieces' ends, so the hull is the outer disc's extent.
    problem p;
    annulus(p);
    box b = p.target.getBox();
    contractTime(p, b, 0.02);
    EXPECT_LE(b[0].domain.inf(), -2.0);
    EXPECT_GE(b[0].domain.inf(), -2.03);
    EXPECT_GE(b[1].domain.sup(), 2.0);
    EXPECT_LE(b[1].domain.sup(), 2.03);
}

TEST(CspContract, TimeLimitEndsEachLoopAfterOneStep) {
    problem p;
    disc(p);
    box b = p.target.getBox();
    const double reported = contractTime(p, b, 1e-3, -1.0);
    // One step from above and one from below per variable, one constraint.
    EXPECT_EQ(p.target.solverRuns(), 4u);
    EXPECT_GE(reported, 0.0);
    // Each first step only halves: the hull is still the whole domain.
    EXPECT_TRUE(same(b[0].domain, ivalDb::exact(-2, 2)));

    problem unlimited;
    disc(unlimited);
    box c = unlimited.target.getBox();
    contractTime(unlimited, c, 1e-3);
    EXPECT_GT(unlimited.target.solverRuns(), 4u);
    EXPECT_LT(c[0].domain.width(), 2.01);
}

TEST(CspContract, NarrowOrUnboundedPiecesDoNotHang) {
    problem p;
    p.variable("x", -kInf, 5);
    p.variable("y", 1.0, std::nextafter(1.0, 2.0));
    circle(p, nodeKind::le, 1);
    box b = p.target.getBox();
    const double t = contractTime(p, b, 0.0, 10.0);
    EXPECT_LT(t, 10.0);
}

TEST(CspContract, AStripDroppedByTheSolverDoesNotRejectAPieceWithSolutions) {
    // On x in [0.984375, 1.03125], y in [-0.5, 0.5] the constraint solver
    // ends with an empty agenda and [NaN, NaN]; x = 1, y = 0 is a solution.
    problem p;
    p.variable("x", 0.984375, 1.03125);
    p.variable("y", -0.5, 0.5);
    circle(p, nodeKind::le, 1);
    box b = p.target.getBox();
    std::ostringstream log;
    p.target.prepare(b);
    double time = kInf;
    ASSERT_TRUE(p.target.contract(b, 1e-3, log, time));
    EXPECT_GE(b[0].domain.sup(), 1.0);
    // y keeps the solutions at x = 1 - 1e-3 and more: |y| < 0.04.
    EXPECT_LE(b[1].domain.inf(), -0.04);
    EXPECT_GE(b[1].domain.sup(), 0.04);
}

TEST(CspContract, UndefinedPiecesAreKeptAndUndecided) {
    // sqrt(x) - 1 <= 0 has no value below 0: nothing is proven there.
    problem p;
    p.variable("x", -4, -1);
    const ivalDb d = p.domain("x");
    p.constraint(
        [=](tree& t) {
            const nodeId root = t.createUnary(nodeKind::sqrt, var(t, "x", d));
            return t.createBinary(nodeKind::le, root, num(t, 1));
        },
        {[](const std::vector<double>& x, double) { return std::sqrt(x[0]) - 1; }, nodeKind::le});
    box b = p.target.getBox();
    std::ostringstream log;
    p.target.prepare(b);
    double time = kInf;
    EXPECT_TRUE(p.target.contract(b, 0.01, log, time));
    EXPECT_TRUE(same(b[0].domain, ivalDb::exact(-4, -1)));
    box c = p.target.getBox();
    EXPECT_EQ(p.target.classify(c).code(), verdict::undefined);
}

TEST(CspRejection, NaNBoundsProveNothingAndClosedRelationsHoldAtZero) {
    for (const bool closed : {false, true}) {
        EXPECT_FALSE(rejectsPiece(ivalNaN(), closed));
        EXPECT_FALSE(rejectsPiece(ivalDb::exact(-kNaN, -kNaN), closed));
        EXPECT_FALSE(rejectsPiece(ivalDb::exact(kNaN, -1), closed));
        EXPECT_FALSE(rejectsPiece(ivalDb::exact(kInf, kNaN), closed));
        EXPECT_FALSE(rejectsPiece(ivalDb::exact(kInf, -0.5), closed));
        EXPECT_TRUE(rejectsPiece(ivalDb::exact(-1, -2), closed));
    }
    // An inner bound reaching zero exactly: a point where L - R = 0, which
    // satisfies ">=" and "<=" but not ">" or "<".
    EXPECT_TRUE(rejectsPiece(ivalDb::exact(kInf, 0.0), false));
    EXPECT_FALSE(rejectsPiece(ivalDb::exact(kInf, 0.0), true));
    EXPECT_FALSE(rejectsPiece(ivalDb::exact(0.0, -kInf), true));
}

TEST(CspClassify, ThreeVerdictsOnTheDisc) {
    problem p;
    disc(p);
    box b = p.target.getBox();
    p.target.prepare(b);
    auto classify = [&](double x0, double x1, double y0, double y1) {
        box c = b;
        c[0].domain = ivalDb::exact(x0, x1);
        c[1].domain = ivalDb::exact(y0, y1);
        return p.target.classify(c).code();
    };
    EXPECT_EQ(classify(-0.5, 0.5, -0.5, 0.5), verdict::solution);
    EXPECT_EQ(classify(1.1, 2.0, -0.5, 0.5), verdict::nonSolution);
    EXPECT_EQ(classify(-2, 2, -2, 2), verdict::undefined);
}

TEST(CspClassify, AfterAnUndecidedConstraintLaterOnesAreOnlyTestedForFailure) {
    problem p;
    p.variable("x", 0.5, 1.5);
    bound(p, "x", nodeKind::le, 1); // undecided on [0.5, 1.5]
    bound(p, "x", nodeKind::ge, 0); // holds on the whole box
    box b = p.target.getBox();
    p.target.prepare(b);
    EXPECT_EQ(p.target.classify(b).code(), verdict::undefined);
    // Two runs for the first constraint, only the failure run for the second.
    EXPECT_EQ(p.target.solverRuns(), 3u);

    problem q;
    q.variable("x", 0.5, 1.5);
    bound(q, "x", nodeKind::le, 1);
    bound(q, "x", nodeKind::ge, 2); // fails on the whole box
    box c = q.target.getBox();
    q.target.prepare(c);
    EXPECT_EQ(q.target.classify(c).code(), verdict::nonSolution);
}

TEST(CspClassify, QuantifiedVariablesKeepTheirModality) {
    problem all;
    forAllWedge(all); // y <= min(0, x)
    box b = all.target.getBox();
    all.target.prepare(b);
    box c = b;
    c[0].domain = ivalDb::exact(0.5, 1); // min(0, x) = 0
    c[1].domain = ivalDb::exact(-1, -0.5);
    EXPECT_EQ(all.target.classify(c).code(), verdict::solution);
    c[1].domain = ivalDb::exact(0.1, 0.4); // above 0: fails for t = 0
    EXPECT_EQ(all.target.classify(c).code(), verdict::nonSolution);

    problem some;
    existsDisc(some); // x^2 + y^2 <= 2
    box d = some.target.getBox();
    some.target.prepare(d);
    box e = d;
    e[0].domain = ivalDb::exact(1.0, 1.2); // 1 < x^2 + y^2 < 1.44 + 0.04
    e[1].domain = ivalDb::exact(0.0, 0.2);
    EXPECT_EQ(some.target.classify(e).code(), verdict::solution);
    e[0].domain = ivalDb::exact(1.5, 2.0);
    EXPECT_EQ(some.target.classify(e).code(), verdict::nonSolution);
}

TEST(CspRelease, LeavesNoConstraints) {
    problem p;
    disc(p);
    box b = p.target.getBox();
    p.target.prepare(b);
    p.target.release();
    EXPECT_TRUE(p.target.constraints().empty());
    EXPECT_EQ(p.target.getBox().size(), 2);
}
