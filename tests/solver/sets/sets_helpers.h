// Small constraint problems built by code, with a point test of each
// constraint for checking results by sampling.
#pragma once

#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "solver/sets/csp.h"
#include "tests/support/temp_dir.h"

namespace sets_testing {

using namespace modal;

// The value of (left side - right side) of a constraint at a point of the
// box (in box order) and a value t of its quantified variable.
using pointFunction = std::function<double(const std::vector<double>& x, double t)>;

enum class quantifier { none, forAll, exists };

// How a constraint is read at a point: lhs - rhs compared with 0, with its
// quantified variable (if any) ranging over [tLow, tHigh].
struct pointConstraint {
    pointFunction g;
    nodeKind relation = nodeKind::le;
    quantifier q = quantifier::none;
    double tLow = 0, tHigh = 0;

    // Whether the relation holds at x by `margin` (a negative margin accepts
    // points that miss it by at most that much). The quantified variable is
    // sampled at 41 values, its ends included.
    bool holds(const std::vector<double>& x, double margin = 0) const {
        auto ok = [&](double t) {
            const double v = g(x, t);
            switch (relation) {
            case nodeKind::ge:
            case nodeKind::gt:
                return v > margin;
            default:
                return v < -margin;
            }
        };
        if (q == quantifier::none) return ok(0);
        for (int i = 0; i <= 40; ++i) {
            const double t = tLow + (tHigh - tLow) * i / 40.0;
            const bool r = ok(t);
            if (q == quantifier::forAll && !r) return false;
            if (q == quantifier::exists && r) return true;
        }
        return q == quantifier::forAll;
    }
};

// A problem: the csp (box and constraint solvers) and the point tests.
struct problem {
    csp target;
    std::vector<pointConstraint> tests;

    void variable(const std::string& name, double lo, double hi) {
        target.getBox().append(modal::variable(0, ivalDb::exact(lo, hi), name));
    }
    // Builds one constraint: `build` makes the relation in the solver's tree.
    void constraint(const std::function<nodeId(tree&)>& build, pointConstraint test) {
        fstar f;
        f.settings.screen_out = false;
        f.settings.write_solution = false;
        fstar& added = target.addConstraint(f);
        tree& t = added.mainModel.fn;
        t.setRoot(build(t));
        tests.push_back(std::move(test));
    }
    ivalDb domain(const std::string& name) const {
        const box& b = target.getBox();
        for (int i = 0; i < b.size(); ++i)
            if (b[i].name == name) return b[i].domain;
        return ivalDb::exact(-1, 1);
    }
    // Every constraint holds at x (by margin).
    bool allHold(const std::vector<double>& x, double margin = 0) const {
        for (const auto& c : tests)
            if (!c.holds(x, margin)) return false;
        return true;
    }
    // Some constraint does not hold at x by margin.
    bool oneFails(const std::vector<double>& x, double margin = 0) const {
        for (const auto& c : tests)
            if (!c.holds(x, margin)) return true;
        return false;
    }
};

// Expression pieces.
inline nodeId var(tree& t, const std::string& name, ivalDb domain) {
    return t.createIncidence(name, domain);
}
inline nodeId num(tree& t, double x) {
    return t.createConst(x);
}
inline nodeId sqr(tree& t, nodeId a) {
    return t.createPower(a, 2);
}
inline nodeId add(tree& t, nodeId a, nodeId b) {
    return t.createBinary(nodeKind::plus, a, b);
}
inline nodeId sub(tree& t, nodeId a, nodeId b) {
    return t.createBinary(nodeKind::sub, a, b);
}
inline nodeId mul(tree& t, nodeId a, nodeId b) {
    return t.createBinary(nodeKind::mul, a, b);
}

// x^2 + y^2 rel r2 over the box variables x and y.
inline void circle(problem& p, nodeKind rel, double r2) {
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    p.constraint(
        [=](tree& t) {
            const nodeId x2 = sqr(t, var(t, "x", dx));
            const nodeId y2 = sqr(t, var(t, "y", dy));
            return t.createBinary(rel, add(t, x2, y2), num(t, r2));
        },
        {[r2](const std::vector<double>& x, double) { return x[0] * x[0] + x[1] * x[1] - r2; },
         rel});
}

// The disc x^2 + y^2 <= 1 in [-2, 2] x [-2, 2].
inline void disc(problem& p) {
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    circle(p, nodeKind::le, 1);
}

// The annulus 1 <= x^2 + y^2 <= 4 in [-3, 3] x [-3, 3].
inline void annulus(problem& p) {
    p.variable("x", -3, 3);
    p.variable("y", -3, 3);
    circle(p, nodeKind::le, 4);
    circle(p, nodeKind::ge, 1);
}

// For all t in [0, 1]: y - t * x <= 0 (that is y <= min(0, x)), in [-1, 1]^2.
inline void forAllWedge(problem& p) {
    p.variable("x", -1, 1);
    p.variable("y", -1, 1);
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    p.constraint(
        [=](tree& t) {
            const nodeId y = var(t, "y", dy);
            const nodeId q = var(t, "t", ivalDb::exact(0, 1));
            const nodeId x = var(t, "x", dx);
            return t.createBinary(nodeKind::le, sub(t, y, mul(t, q, x)), num(t, 0));
        },
        {[](const std::vector<double>& x, double t) { return x[1] - t * x[0]; }, nodeKind::le,
         quantifier::forAll, 0, 1});
}

// There is a t in [0, 1] with x^2 + y^2 - t <= 1 (that is x^2 + y^2 <= 2),
// in [-2, 2]^2; t is declared with an improper domain.
inline void existsDisc(problem& p) {
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    p.constraint(
        [=](tree& t) {
            const nodeId x2 = sqr(t, var(t, "x", dx));
            const nodeId y2 = sqr(t, var(t, "y", dy));
            const nodeId q = var(t, "t", ivalDb::exact(1, 0));
            return t.createBinary(nodeKind::le, sub(t, add(t, x2, y2), q), num(t, 1));
        },
        {[](const std::vector<double>& x, double t) { return x[0] * x[0] + x[1] * x[1] - t - 1; },
         nodeKind::le, quantifier::exists, 0, 1});
}

// The ball x1^2 + ... + xn^2 <= 1 in [-3, 3]^n, variables x1 ... xn.
inline void ball(problem& p, int n) {
    std::vector<std::string> names;
    for (int i = 1; i <= n; ++i) {
        names.push_back("x" + std::to_string(i));
        p.variable(names.back(), -3, 3);
    }
    const ivalDb d = ivalDb::exact(-3, 3);
    p.constraint(
        [=](tree& t) {
            nodeId sum = sqr(t, var(t, names[0], d));
            for (std::size_t i = 1; i < names.size(); ++i)
                sum = add(t, sum, sqr(t, var(t, names[i], d)));
            return t.createBinary(nodeKind::le, sum, num(t, 1));
        },
        {[](const std::vector<double>& x, double) {
             double s = -1;
             for (double v : x)
                 s += v * v;
             return s;
         },
         nodeKind::le});
}

// Kinks and hyperbolic functions, in [-2, 2]^2: max(|x|, |y|) >= 0.5 (out of
// a square), |x| + |y| <= 1.5 (in a diamond) and
// sinh(x) - tanh(y) <= cosh(min(x, y)).
inline void nonSmooth(problem& p) {
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    const auto abs = [](tree& t, nodeId a) { return t.createUnary(nodeKind::abs, a); };
    p.constraint(
        [=](tree& t) {
            const nodeId m =
                t.createBinary(nodeKind::max, abs(t, var(t, "x", dx)), abs(t, var(t, "y", dy)));
            return t.createBinary(nodeKind::ge, m, num(t, 0.5));
        },
        {[](const std::vector<double>& x, double) {
             return std::max(std::fabs(x[0]), std::fabs(x[1])) - 0.5;
         },
         nodeKind::ge});
    p.constraint(
        [=](tree& t) {
            const nodeId s = add(t, abs(t, var(t, "x", dx)), abs(t, var(t, "y", dy)));
            return t.createBinary(nodeKind::le, s, num(t, 1.5));
        },
        {[](const std::vector<double>& x, double) {
             return std::fabs(x[0]) + std::fabs(x[1]) - 1.5;
         },
         nodeKind::le});
    p.constraint(
        [=](tree& t) {
            const nodeId l = sub(t, t.createUnary(nodeKind::sinh, var(t, "x", dx)),
                                 t.createUnary(nodeKind::tanh, var(t, "y", dy)));
            const nodeId r = t.createUnary(
                nodeKind::cosh, t.createBinary(nodeKind::min, var(t, "x", dx), var(t, "y", dy)));
            return t.createBinary(nodeKind::le, l, r);
        },
        {[](const std::vector<double>& x, double) {
             return std::sinh(x[0]) - std::tanh(x[1]) - std::cosh(std::min(x[0], x[1]));
         },
         nodeKind::le});
}

using test_support::TempDir;

// A random constraint (x - a)^2 + c * (y - b) rel r over [-2, 2]^2.
inline void randomConstraint(problem& p, std::mt19937& rng) {
    std::uniform_real_distribution<double> u(-1.0, 1.0);
    const double a = u(rng), b = u(rng), c = 2 * u(rng), r = 1.0 + u(rng) * 0.5;
    const nodeKind rel = u(rng) < 0 ? nodeKind::le : nodeKind::ge;
    const ivalDb dx = p.domain("x"), dy = p.domain("y");
    p.constraint(
        [=](tree& t) {
            const nodeId x = sub(t, var(t, "x", dx), num(t, a));
            const nodeId y = sub(t, var(t, "y", dy), num(t, b));
            return t.createBinary(rel, add(t, sqr(t, x), mul(t, num(t, c), y)), num(t, r));
        },
        {[=](const std::vector<double>& x, double) {
             return (x[0] - a) * (x[0] - a) + c * (x[1] - b) - r;
         },
         rel});
}

// x and y in [-2, 2] with two random constraints.
inline void randomTwoConstraints(problem& p, std::mt19937& rng) {
    p.variable("x", -2, 2);
    p.variable("y", -2, 2);
    randomConstraint(p, rng);
    randomConstraint(p, rng);
}

} // namespace sets_testing
