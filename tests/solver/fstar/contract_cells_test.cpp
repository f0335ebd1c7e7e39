// Constrained F* runs with Contract=1, which rules out the cells that a
// constraint's forward-backward contraction empties: the approximations
// stay sound against sampled feasible points, and infeasible cells go
// sooner.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <sstream>

#include "fstar_helpers.h"
#include "solver/fstar/fstar.h"

namespace {

using namespace modal;
using namespace testing_fstar;

// f = x * y + a * x over x, y in [-2, 2] with the constraint
// (x - b)^2 + c * x * y <= r, whose x occurs three times.
struct problem {
    double a, b, c, r;

    double f(double x, double y) const { return x * y + a * x; }
    double g(double x, double y) const { return (x - b) * (x - b) + c * x * y - r; }

    fstar solver(bool contract) const {
        fstar s;
        quiet(s);
        s.settings.tolerance = 1e-2;
        s.settings.epsilon = 1e-3;
        s.settings.contract = contract;
        const ivalDb d = ivalDb::exact(-2, 2);
        tree& t = s.mainModel.fn;
        t.addVariable("x", d);
        t.addVariable("y", d);
        const nodeId xy = t.createBinary(nodeKind::mul, t.createIncidence(0), t.createIncidence(1));
        t.setRoot(
            t.createBinary(nodeKind::plus, xy,
                           t.createBinary(nodeKind::mul, t.createConst(a), t.createIncidence(0))));
        model con;
        tree& u = con.fn;
        u.addVariable("x", d);
        u.addVariable("y", d);
        const nodeId shifted =
            u.createBinary(nodeKind::sub, u.createIncidence(0), u.createConst(b));
        const nodeId cross = u.createBinary(
            nodeKind::mul, u.createConst(c),
            u.createBinary(nodeKind::mul, u.createIncidence(0), u.createIncidence(1)));
        u.setRoot(u.createBinary(nodeKind::le,
                                 u.createBinary(nodeKind::plus, u.createPower(shifted, 2), cross),
                                 u.createConst(r)));
        s.mainModel.constraints.push_back(con);
        return s;
    }
};

struct outcome {
    ivalDb inner, outer;
    bool noSolution;
    long steps;
};

outcome run(const problem& p, bool contract) {
    fstar s = p.solver(contract);
    box plot(2);
    std::ostringstream log;
    s.prepare(plot);
    s.run(plot, log);
    return {s.globalTwin.getInn(), s.globalTwin.getOut(), s.noSolution, s.stepCount};
}

TEST(ContractedCells, ApproximationsStaySoundOnRandomProblems) {
    std::mt19937 rng(41);
    std::uniform_real_distribution<double> u(-1, 1);
    int infeasible = 0;
    for (int n = 0; n < 40; ++n) {
        SCOPED_TRACE(n);
        const problem p{u(rng), u(rng), 2 * u(rng), 0.6 + u(rng)};
        const outcome plain = run(p, false), contracted = run(p, true);
        // The range of f over the feasible points, sampled.
        double lo = kInf, hi = -kInf;
        for (int i = 0; i <= 200; ++i)
            for (int j = 0; j <= 200; ++j) {
                const double x = -2 + 0.02 * i, y = -2 + 0.02 * j;
                if (p.g(x, y) > -1e-9) continue;
                lo = std::fmin(lo, p.f(x, y));
                hi = std::fmax(hi, p.f(x, y));
            }
        if (lo > hi) {
            ++infeasible;
            continue;
        }
        ASSERT_FALSE(contracted.noSolution);
        EXPECT_LE(contracted.outer.inf(), lo);
        EXPECT_GE(contracted.outer.sup(), hi);
        // Both inner approximations hold values f takes: inside each
        // other's outer one.
        if (!hasNaN(contracted.inner)) {
            EXPECT_GE(contracted.inner.inf(), plain.outer.inf());
            EXPECT_LE(contracted.inner.sup(), plain.outer.sup());
        }
        if (!hasNaN(plain.inner)) {
            EXPECT_GE(plain.inner.inf(), contracted.outer.inf());
            EXPECT_LE(plain.inner.sup(), contracted.outer.sup());
        }
    }
    EXPECT_LT(infeasible, 20);
}

TEST(ContractedCells, InfeasibleCellsGoSooner) {
    // x - x^2 <= 0.25 everywhere: x - x*x >= 0.3 + y*y has no solution,
    // which the plain check sees only on narrow cells.
    long steps[2] = {0, 0};
    for (int contract = 0; contract < 2; ++contract) {
        fstar f;
        quiet(f);
        f.settings.tolerance = 1e-3;
        f.settings.contract = contract == 1;
        tree& t = f.mainModel.fn;
        t.addVariable("x", ivalDb::exact(0, 1));
        t.addVariable("y", ivalDb::exact(-1, 1));
        t.setRoot(t.createBinary(nodeKind::plus, t.createIncidence(0), t.createIncidence(1)));
        model con;
        tree& u = con.fn;
        u.addVariable("x", ivalDb::exact(0, 1));
        u.addVariable("y", ivalDb::exact(-1, 1));
        const nodeId x = u.createIncidence(0);
        const nodeId xx = u.createBinary(nodeKind::mul, u.createIncidence(0), u.createIncidence(0));
        const nodeId y = u.createIncidence(1);
        const nodeId yy = u.createBinary(nodeKind::mul, y, u.createIncidence(1));
        u.setRoot(u.createBinary(nodeKind::ge, u.createBinary(nodeKind::sub, x, xx),
                                 u.createBinary(nodeKind::plus, u.createConst(0.3), yy)));
        f.mainModel.constraints.push_back(con);
        box plot(2);
        std::ostringstream log;
        f.prepare(plot);
        f.run(plot, log);
        EXPECT_TRUE(f.noSolution);
        steps[contract] = f.stepCount;
    }
    EXPECT_LT(steps[1], steps[0]);
}

} // namespace
