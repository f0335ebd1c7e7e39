// The accelerated mode (MeanValue=1) of MINMAX and FSTAR runs: bounds from
// points and strips contracted by the bounds sought. Every printed bound is
// checked against oracles of its own: published optima, and the values of a
// dense sample of points that satisfy the constraints with a margin.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>

#include "modal/problem.h"
#include "modal/solve.h"

namespace {

using namespace modal;

result solveText(const std::string& text) {
    const parse_result p = parse_problem(text);
    EXPECT_TRUE(p) << (p.error ? p.error->reason : "");
    return p ? solve(*p.value) : result{};
}

// The printed Min Approximation [outer.inf, inner.inf] of a minimisation.
struct minimum {
    double lower, upper;
};

minimum minimumOf(const result& r) {
    return {r.outer.inf(), r.inner.inf()};
}

struct published {
    const char* name;
    std::string text;
    double optimum; // to the digits published
    double digits;  // how far the published value may be from the true one
    bool quick;     // reaches its Tolerance within a second (the others run 2 s)
};

// Small constrained problems with known minima. c1: x^2 + y^2 on x + y >= 1
// (0.5 at (0.5, 0.5)). Disc: x + y on the unit disc (-sqrt 2). G24 of the
// CEC 2006 constrained suite (Liang et al., 2006): -5.50801327 at (2.3295,
// 3.17849). Rosen-Suzuki, problem 43 of Hock and Schittkowski (1981): -44 at
// (0, 1, 2, -1).
std::vector<published> publishedProblems() {
    const std::string head = "Algorithm=MINMAX;\nOptim=1;\nMeanValue=1;\nTime=60;\n";
    return {
        {"c1",
         head + "Tolerance=0.0001;\nEpsilon=0.000001;\nMIN(x, [-2, 2]);\nMIN(y, [-2, 2]);\n"
                "c:= x + y >= 1;\nf:= x*x + y*y;\n",
         0.5, 0, true},
        {"disc",
         head + "Tolerance=0.0001;\nEpsilon=0.0000001;\nMIN(x, [-2, 2]);\nMIN(y, [-2, 2]);\n"
                "c:= x*x + y*y <= 1;\nf:= x + y;\n",
         -std::sqrt(2.0), 1e-15, true},
        {"g24",
         head + "Tolerance=0.001;\nEpsilon=0.000001;\nMIN(x1, [0, 3]);\nMIN(x2, [0, 4]);\n"
                "c:= x2 <= 2*pow(x1, 4) - 8*pow(x1, 3) + 8*pow(x1, 2) + 2;\n"
                "c:= x2 <= 4*pow(x1, 4) - 32*pow(x1, 3) + 88*pow(x1, 2) - 96*x1 + 36;\n"
                "f:= -x1 - x2;\n",
         -5.50801327, 1e-8, true},
        {"hs43",
         head +
             "Time=2;\nTolerance=0.01;\nEpsilon=0.000001;\nMIN(x1, [-5, 5]);\nMIN(x2, [-5, 5]);\n"
             "MIN(x3, [-5, 5]);\nMIN(x4, [-5, 5]);\n"
             "c:= 8 - pow(x1, 2) - pow(x2, 2) - pow(x3, 2) - pow(x4, 2) - x1 + x2 - x3 + x4 "
             ">= 0;\n"
             "c:= 10 - pow(x1, 2) - 2*pow(x2, 2) - pow(x3, 2) - 2*pow(x4, 2) + x1 + x4 >= 0;\n"
             "c:= 5 - 2*pow(x1, 2) - pow(x2, 2) - pow(x3, 2) - 2*x1 + x2 + x4 >= 0;\n"
             "f:= pow(x1, 2) + pow(x2, 2) + 2*pow(x3, 2) + pow(x4, 2) - 5*x1 - 5*x2 - 21*x3 "
             "+ 7*x4;\n",
         -44, 0, false},
    };
}

TEST(Accelerated, ConstrainedMinimaAreEnclosedAndReachTheirTolerance) {
    for (const published& p : publishedProblems()) {
        SCOPED_TRACE(p.name);
        const result r = solveText(p.text);
        const minimum m = minimumOf(r);
        EXPECT_LE(m.lower, p.optimum + p.digits);
        EXPECT_GE(m.upper, p.optimum - p.digits);
        // The upper bound comes from a point where every constraint holds,
        // and the run refines until its tolerance.
        EXPECT_TRUE(std::isfinite(m.upper));
        if (p.quick) {
            EXPECT_EQ(r.stop, stop_reason::tolerance);
        }
    }
}

// f = a x^2 + b y^2 + c x y + d x + e sin(3 y) on [-2, 2]^2 with the
// constraint (x - p)^2 + (y - q)^2 <= r^2 (and its twin >= s).
struct randomProblem {
    double a, b, c, d, e, p, q, r, s;
    double f(double x, double y) const {
        return a * x * x + b * y * y + c * x * y + d * x + e * std::sin(3 * y);
    }
    double g(double x, double y) const { return (x - p) * (x - p) + (y - q) * (y - q); }
    // mode: 1 a minimisation (MIN variables), 2 a maximisation (MAX
    // variables, Optim=2), 0 the range (FSTAR).
    std::string text(bool accelerated, int mode = 1) const {
        auto num = [](double v) {
            char buf[64];
            std::snprintf(buf, sizeof buf, "%.17g", v);
            return std::string(buf);
        };
        const std::string head = mode == 0
                                     ? "Algorithm=FSTAR;\n"
                                     : "Algorithm=MINMAX;\nOptim=" + std::to_string(mode) + ";\n";
        const std::string vars = mode == 0   ? "x in [-2, 2]; y in [-2, 2];\n"
                                 : mode == 1 ? "MIN(x, [-2, 2]);\nMIN(y, [-2, 2]);\n"
                                             : "MAX(x, [-2, 2]);\nMAX(y, [-2, 2]);\n";
        return head + "Tolerance=0.001;\nEpsilon=0.00001;\n" +
               (accelerated ? "MeanValue=1;\n" : "") + (accelerated ? "Time=5;\n" : "Time=0.3;\n") +
               vars + "c:= pow(x - " + num(p) + ", 2) + pow(y - " + num(q) +
               ", 2) <= " + num(r * r) + ";\n" + "c:= x + y >= " + num(s) + ";\n" +
               "f:= " + num(a) + "*x*x + " + num(b) + "*y*y + " + num(c) + "*x*y + " + num(d) +
               "*x + " + num(e) + "*sin(3*y);\n";
    }
};

TEST(Accelerated, RandomConstrainedMinimaBracketSampledValues) {
    std::mt19937 rng(33);
    std::uniform_real_distribution<double> u(-1, 1);
    int feasible = 0;
    for (int n = 0; n < 16; ++n) {
        SCOPED_TRACE(n);
        const randomProblem pr{u(rng), u(rng), 2 * u(rng), u(rng),
                               u(rng), u(rng), u(rng),     0.4 + std::fabs(u(rng)),
                               u(rng)};
        // Values at points that satisfy both constraints with a margin: the
        // minimum is at most the least of them.
        double sampled = INFINITY, sampledMax = -INFINITY;
        const int k = 300;
        for (int i = 0; i <= k; ++i)
            for (int j = 0; j <= k; ++j) {
                const double x = -2 + 4.0 * i / k, y = -2 + 4.0 * j / k;
                if (pr.g(x, y) <= pr.r * pr.r - 1e-9 && x + y >= pr.s + 1e-9) {
                    sampled = std::min(sampled, pr.f(x, y));
                    sampledMax = std::max(sampledMax, pr.f(x, y));
                }
            }
        const result fast = solveText(pr.text(true));
        const result plain = solveText(pr.text(false));
        const minimum m = minimumOf(fast);
        if (std::isinf(sampled)) continue;
        ++feasible;
        EXPECT_LE(m.lower, sampled);
        // The default mode's lower bound is a bound of the minimum too.
        EXPECT_GE(m.upper, minimumOf(plain).lower);
        EXPECT_TRUE(std::isfinite(m.upper));
        // The maximum: [inner.sup, outer.sup] holds the greatest sampled
        // value, and its lower end is under the default's upper bound.
        const result most = solveText(pr.text(true, 2));
        const result mostPlain = solveText(pr.text(false, 2));
        EXPECT_GE(most.outer.sup(), sampledMax);
        EXPECT_LE(most.inner.sup(), mostPlain.outer.sup());
        // The range, both ends.
        const result range = solveText(pr.text(true, 0));
        const result rangePlain = solveText(pr.text(false, 0));
        EXPECT_LE(range.outer.inf(), sampled);
        EXPECT_GE(range.outer.sup(), sampledMax);
        EXPECT_GE(range.inner.inf(), rangePlain.outer.inf());
        EXPECT_LE(range.inner.sup(), rangePlain.outer.sup());
    }
    EXPECT_GT(feasible, 8);
}

// FSTAR of proper problems, both ends: the outer approximation holds every
// sampled value and the inner one lies between the default mode's outer
// bounds (which hold the range).
TEST(Accelerated, BothEndsOfTheRangeStayEnclosed) {
    const std::function<double(double, double)> camel = [](double x, double y) {
        return 4 * x * x - 2.1 * std::pow(x, 4) + std::pow(x, 6) / 3 + x * y - 4 * y * y +
               4 * std::pow(y, 4);
    };
    const std::string body = "Tolerance=0.001;\nTime=10;\nx in [-3, 3]; y in [-2, 2];\n"
                             "f:= 4*pow(x, 2) - 2.1*pow(x, 4) + pow(x, 6)/3 + x*y - 4*pow(y, 2)"
                             " + 4*pow(y, 4);\n";
    const result fast = solveText("Algorithm=FSTAR;\nMeanValue=1;\n" + body);
    const result plain = solveText("Algorithm=FSTAR;\n" + body);
    double lo = INFINITY, hi = -INFINITY;
    for (int i = 0; i <= 600; ++i)
        for (int j = 0; j <= 400; ++j) {
            const double v = camel(-3 + 6.0 * i / 600, -2 + 4.0 * j / 400);
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    EXPECT_LE(fast.outer.inf(), lo);
    EXPECT_GE(fast.outer.sup(), hi);
    EXPECT_GE(fast.inner.inf(), plain.outer.inf());
    EXPECT_LE(fast.inner.sup(), plain.outer.sup());
    EXPECT_LE(fast.inner.inf(), fast.inner.sup());
    EXPECT_EQ(fast.stop, stop_reason::tolerance);
}

} // namespace
