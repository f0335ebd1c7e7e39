// Inner and outer approximations against the semantic extension computed on
// a grid: min over the proper variables of max over the improper ones for
// the lower bound, max of min for the upper bound.
#include <algorithm>
#include <cmath>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "fstar_helpers.h"
#include "solver/fstar/mean_value.h"
#include "solver/model/derivatives.h"
#include "solver/model/dump.h"

using namespace modal;
using namespace testing_fstar;

namespace {

// A random expression over `nvars` variables; returns the tree node and a
// point evaluator for it.
struct generator {
    std::mt19937 rng;
    int nvars;
    declared decl;
    // Also sqrt, log and division, which are undefined on part of a box.
    bool partial = false;
    // Also abs, min, max (not differentiable everywhere) and the hyperbolic
    // functions.
    bool nonSmooth = false;

    // An inner node: with `nonSmooth`, one of those half of the time.
    int innerChoice() {
        if (nonSmooth && std::uniform_int_distribution<int>(0, 1)(rng) == 0)
            return std::uniform_int_distribution<int>(12, 17)(rng);
        return std::uniform_int_distribution<int>(2, partial ? 11 : 8)(rng);
    }

    nodeId make(tree& t, int depth, std::function<double(const std::vector<double>&)>& f) {
        // Inner nodes down to depth 0, then mostly variables, so that
        // variables occur several times.
        const int choice = depth <= 0 ? (std::uniform_int_distribution<int>(0, 3)(rng) == 0 ? 1 : 0)
                                      : innerChoice();
        if (choice == 0) {
            const int v = std::uniform_int_distribution<int>(0, nvars - 1)(rng);
            f = [v](const std::vector<double>& x) { return x[static_cast<std::size_t>(v)]; };
            return leaf(t, decl, v);
        }
        if (choice == 1) {
            const double c = std::uniform_int_distribution<int>(-3, 3)(rng) * 0.5;
            f = [c](const std::vector<double>&) { return c; };
            return t.createConst(c);
        }
        std::function<double(const std::vector<double>&)> a, b;
        const nodeId l = make(t, depth - 1, a);
        switch (choice) {
        case 2:
        case 3: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) { return a(x) + b(x); };
            return t.createBinary(nodeKind::plus, l, r);
        }
        case 4: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) { return a(x) - b(x); };
            return t.createBinary(nodeKind::sub, l, r);
        }
        case 5: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) { return a(x) * b(x); };
            return t.createBinary(nodeKind::mul, l, r);
        }
        case 6: {
            const int n = std::uniform_int_distribution<int>(2, 3)(rng);
            f = [a, n](const std::vector<double>& x) { return std::pow(a(x), n); };
            return t.createPower(l, n);
        }
        case 7:
            f = [a](const std::vector<double>& x) { return std::exp(a(x) * 0.25); };
            return t.createUnary(nodeKind::exp,
                                 t.createBinary(nodeKind::mul, l, t.createConst(0.25)));
        case 8:
            f = [a](const std::vector<double>& x) { return std::sin(a(x)); };
            return t.createUnary(nodeKind::sin, l);
        // Where these are undefined the point evaluator gives NaN, which the
        // grid leaves out.
        case 9:
            f = [a](const std::vector<double>& x) { return std::sqrt(a(x)); };
            return t.createUnary(nodeKind::sqrt, l);
        case 10:
            f = [a](const std::vector<double>& x) {
                const double v = a(x);
                return v > 0 ? std::log(v) : kNaN;
            };
            return t.createUnary(nodeKind::log, l);
        case 12:
            f = [a](const std::vector<double>& x) { return std::fabs(a(x)); };
            return t.createUnary(nodeKind::abs, l);
        case 13: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) { return std::min(a(x), b(x)); };
            return t.createBinary(nodeKind::min, l, r);
        }
        case 14: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) { return std::max(a(x), b(x)); };
            return t.createBinary(nodeKind::max, l, r);
        }
        case 15:
            f = [a](const std::vector<double>& x) { return std::sinh(a(x)); };
            return t.createUnary(nodeKind::sinh, l);
        case 16:
            f = [a](const std::vector<double>& x) { return std::cosh(a(x)); };
            return t.createUnary(nodeKind::cosh, l);
        case 17:
            f = [a](const std::vector<double>& x) { return std::tanh(a(x)); };
            return t.createUnary(nodeKind::tanh, l);
        default: {
            const nodeId r = make(t, depth - 1, b);
            f = [a, b](const std::vector<double>& x) {
                const double d = b(x);
                return d != 0 ? a(x) / d : kNaN;
            };
            return t.createBinary(nodeKind::div, l, r);
        }
        }
    }
};

struct extension {
    double lower, upper, error;
};

// Grid estimate of the semantic extension and a bound of the grid's error
// (the largest change between neighbouring grid points, times the number of
// variables).
extension semantic(const std::function<double(const std::vector<double>&)>& f,
                   const std::vector<ivalDb>& doms, int points) {
    const std::size_t n = doms.size();
    std::vector<std::vector<double>> axes(n);
    for (std::size_t i = 0; i < n; ++i) {
        const ivalDb p = prop(doms[i]);
        for (int k = 0; k < points; ++k)
            axes[i].push_back(p.inf() + (p.sup() - p.inf()) * k / (points - 1));
    }
    std::vector<std::size_t> proper, improper;
    for (std::size_t i = 0; i < n; ++i)
        (isProper(doms[i]) ? proper : improper).push_back(i);
    std::vector<double> x(n);
    double err = 0.0;
    // Enumerate by index vectors.
    std::size_t total = 1;
    for (std::size_t i = 0; i < n; ++i)
        total *= static_cast<std::size_t>(points);
    std::vector<double> values(total);
    for (std::size_t id = 0; id < total; ++id) {
        std::size_t r = id;
        for (std::size_t i = 0; i < n; ++i) {
            x[i] = axes[i][r % static_cast<std::size_t>(points)];
            r /= static_cast<std::size_t>(points);
        }
        values[id] = f(x);
    }
    std::size_t stride = 1;
    for (std::size_t i = 0; i < n; ++i) {
        for (std::size_t id = 0; id < total; ++id)
            if ((id / stride) % static_cast<std::size_t>(points) + 1 <
                static_cast<std::size_t>(points))
                err = std::max(err, std::fabs(values[id] - values[id + stride]));
        stride *= static_cast<std::size_t>(points);
    }
    // min over proper of max over improper, and max over proper of min over improper.
    auto outerInner = [&](bool lower) {
        double best = lower ? kInf : -kInf;
        std::size_t pc = 1, ic = 1;
        for (std::size_t i = 0; i < proper.size(); ++i)
            pc *= static_cast<std::size_t>(points);
        for (std::size_t i = 0; i < improper.size(); ++i)
            ic *= static_cast<std::size_t>(points);
        for (std::size_t a = 0; a < pc; ++a) {
            double inner = lower ? -kInf : kInf;
            bool defined = false; // points where the function is undefined do not count
            for (std::size_t b = 0; b < ic; ++b) {
                std::size_t id = 0, mul = 1, ra = a, rb = b;
                for (std::size_t i = 0; i < n; ++i) {
                    std::size_t digit;
                    if (isProper(doms[i])) {
                        digit = ra % static_cast<std::size_t>(points);
                        ra /= static_cast<std::size_t>(points);
                    } else {
                        digit = rb % static_cast<std::size_t>(points);
                        rb /= static_cast<std::size_t>(points);
                    }
                    id += digit * mul;
                    mul *= static_cast<std::size_t>(points);
                }
                if (std::isnan(values[id])) continue;
                defined = true;
                inner = lower ? std::max(inner, values[id]) : std::min(inner, values[id]);
            }
            if (defined) best = lower ? std::min(best, inner) : std::max(best, inner);
        }
        return best;
    };
    return {outerInner(true), outerInner(false), err * static_cast<double>(n) + 1e-9};
}

// Runs the F* problem `f` (its tree built over the variables of `decl`, `fn`
// the same function on points) for both bounds and for the bound `oneSide`
// alone, and checks the approximations against the semantic extension on a
// grid. True when the run for both bounds stopped on "Tolerance".
bool checkProblem(fstar& f, const std::function<double(const std::vector<double>&)>& fn,
                  const declared& decl, bool allImproper, optimBound oneSide) {
    const int nvars = static_cast<int>(decl.names.size());
    tree& t = f.mainModel.fn;
    bool tolStop = false;
    // Variables the expression does not use keep no domain in the model;
    // the grid runs over the model's own variables only.
    std::vector<ivalDb> doms;
    std::vector<int> used;
    for (int i = 0; i < nvars; ++i)
        if (t.findVariable(decl.names[static_cast<std::size_t>(i)]) >= 0) {
            used.push_back(i);
            doms.push_back(decl.domains[static_cast<std::size_t>(i)]);
        }
    auto fused = [&](const std::vector<double>& x) {
        std::vector<double> all(static_cast<std::size_t>(nvars), 0.0);
        for (std::size_t k = 0; k < used.size(); ++k)
            all[static_cast<std::size_t>(used[k])] = x[k];
        return fn(all);
    };
    // The same problem for one bound only (as MINMAX runs it).
    fstar oneSided = f;
    oneSided.settings.optim = oneSide;
    oneSided.settings.minmax_mode = true;
    box plot(2);
    f.prepare(plot);
    std::ostringstream log;
    f.run(plot, log);
    oneSided.prepare(plot);
    oneSided.run(plot, log);
    const int points = used.size() <= 1 ? 2001 : used.size() == 2 ? 161 : 31;
    const extension e = doms.empty() ? extension{fn({0, 0, 0}), fn({0, 0, 0}), 1e-9}
                                     : semantic(fused, doms, points);
    std::ostringstream expr;
    printNode(t, t.root, expr, true);
    const twin& tw = f.globalTwin;
    const ivalDb& out = tw.getOut();
    const ivalDb& inn = tw.getInn();
    SCOPED_TRACE(expr.str());
    std::ostringstream sem;
    sem << "semantic [" << e.lower << ", " << e.upper << "] err " << e.error;
    SCOPED_TRACE(sem.str());
    if (!std::isnan(out.inf())) {
        EXPECT_LE(out.inf(), e.lower + e.error);
    }
    if (!std::isnan(out.sup())) {
        EXPECT_GE(out.sup(), e.upper - e.error);
    }
    if (!std::isnan(inn.inf())) {
        EXPECT_GE(inn.inf(), e.lower - e.error);
    }
    if (!std::isnan(inn.sup())) {
        EXPECT_LE(inn.sup(), e.upper + e.error);
    }
    // Inner within outer in the modal order, exactly: rounding may widen
    // the gap between them but never cross them over.
    EXPECT_FALSE(out.inf() > inn.inf()) << "inner below outer";
    EXPECT_FALSE(inn.sup() > out.sup()) << "inner above outer";
    if (allImproper) {
        EXPECT_FALSE(hasNaN(out) || hasNaN(inn)) << f.settings.stop_reason;
    }
    // Over a domain with undefined points no inner approximation is
    // claimed.
    if (f.undefinedPoints) {
        EXPECT_TRUE(isNaN(inn)) << inn;
    }
    if (f.settings.stop_reason == "Tolerance" && !f.undefinedPoints) {
        tolStop = true;
        EXPECT_LE(tw.getTol(), f.settings.tolerance);
    }
    // Its run builds the joined boxes: each must reach the bound's twin.
    for (const auto* boxes : {&oneSided.joinedMinBoxes, &oneSided.joinedMaxBoxes})
        for (const cell& c : *boxes)
            EXPECT_TRUE(intersects(c.tw.getOut(), oneSided.settings.optim == optimBound::lower
                                                      ? oneSided.globalTwin.minTwin()
                                                      : oneSided.globalTwin.maxTwin()));
    const twin& b = oneSided.globalTwin;
    if (allImproper) {
        const double o =
            oneSided.settings.optim == optimBound::lower ? b.getOut().inf() : b.getOut().sup();
        const double i =
            oneSided.settings.optim == optimBound::lower ? b.getInn().inf() : b.getInn().sup();
        EXPECT_FALSE(std::isnan(o) || std::isnan(i)) << oneSided.settings.stop_reason;
    }
    // Over a domain with undefined points only the inner bound of the
    // extreme is kept, and only where every variable is universal. Near a
    // pole the function takes values far beyond the samples: the kept bound
    // is then checked against the samples only where the outer bound shows
    // that they reach the extreme.
    if (oneSided.undefinedPoints) {
        const ivalDb& i = b.getInn();
        EXPECT_TRUE(oneSided.allProper() || (std::isnan(i.inf()) && std::isnan(i.sup()))) << i;
    }
    const bool samplesReach =
        !oneSided.undefinedPoints || (oneSided.settings.optim == optimBound::lower
                                          ? b.getOut().inf() >= e.lower - 2 * e.error
                                          : b.getOut().sup() <= e.upper + 2 * e.error);
    if (oneSided.settings.optim == optimBound::lower) {
        // Minimum twin [out.inf, inn.inf] around the lower oneSided.
        if (!std::isnan(b.getOut().inf())) {
            EXPECT_LE(b.getOut().inf(), e.lower + e.error) << "optim 1";
        }
        if (!std::isnan(b.getInn().inf()) && samplesReach) {
            EXPECT_GE(b.getInn().inf(), e.lower - e.error) << "optim 1";
        }
        if (oneSided.settings.stop_reason == "Tolerance" && !oneSided.undefinedPoints) {
            EXPECT_LE(b.lowerDistance(), oneSided.settings.tolerance);
        }
    } else {
        if (!std::isnan(b.getOut().sup())) {
            EXPECT_GE(b.getOut().sup(), e.upper - e.error) << "optim 2";
        }
        if (!std::isnan(b.getInn().sup()) && samplesReach) {
            EXPECT_LE(b.getInn().sup(), e.upper + e.error) << "optim 2";
        }
        if (oneSided.settings.stop_reason == "Tolerance" && !oneSided.undefinedPoints) {
            EXPECT_LE(b.upperDistance(), oneSided.settings.tolerance);
        }
    }
    return tolStop;
}

// Runs `count` random problems with their own seed. With `allImproper`
// every domain is improper and the global twin must be defined on each side
// the run computes. Returns how many full runs stopped on "Tolerance".
int checkProblems(unsigned seed, int count, bool allImproper, bool partial = false,
                  bool meanValue = false, bool nonSmooth = false) {
    std::mt19937 seeds(seed);
    int tolStops = 0, checked = 0;
    for (int problem = 0; problem < count; ++problem) {
        generator g{std::mt19937(seeds()), 1 + problem % 3, {}, partial, nonSmooth};
        std::uniform_real_distribution<double> bound(-2.0, 2.0);
        for (int i = 0; i < g.nvars; ++i) {
            double a = bound(g.rng), b = bound(g.rng);
            if (std::fabs(a - b) < 0.1) b = a + 0.5;
            std::ostringstream name;
            name << "x" << i;
            g.decl.names.push_back(name.str());
            // Sorted bounds, then improper for about a third of the variables.
            const bool improper =
                (std::uniform_int_distribution<int>(0, 2)(g.rng) == 0 || allImproper) && !partial;
            const double lo = std::min(a, b), hi = std::max(a, b);
            g.decl.domains.push_back(improper ? ivalDb::exact(hi, lo) : ivalDb::exact(lo, hi));
        }
        fstar f;
        quiet(f);
        f.settings.time_limit = partial ? 0.1 : 0.3;
        f.settings.tolerance = 1e-2;
        f.settings.epsilon = 1e-6;
        f.settings.mean_value = meanValue;
        std::function<double(const std::vector<double>&)> fn;
        tree& t = f.mainModel.fn;
        t.setRoot(g.make(t, 2 + problem % 2, fn));
        if (checkProblem(f, fn, g.decl, allImproper,
                         problem % 2 == 0 ? optimBound::lower : optimBound::upper))
            ++tolStops;
        ++checked;
    }
    EXPECT_EQ(checked, count);
    return tolStops;
}

} // namespace

TEST(Soundness, ApproximationsBracketTheSemanticExtension) {
    EXPECT_GT(checkProblems(12345, 120, false), 20);
}

// All variables improper: the inner and outer approximations are computed
// on the same leaves, so one rounding the wrong way shows at once.
TEST(Soundness, AllImproperProblemsKeepADefinedTwin) {
    EXPECT_GT(checkProblems(777, 60, true), 10);
}

// Functions undefined on part of the box (sqrt, log, division): every value
// taken where the function is defined stays inside the outer approximation,
// and no inner approximation is claimed over undefined points.
TEST(Soundness, UndefinedPointsDropNoValueAndClaimNoInnerBound) {
    checkProblems(2468, 40, false, true);
}

// abs, min, max and the hyperbolic functions among the operations: kinks
// where the derivative jumps, and fast growth.
TEST(Soundness, NonSmoothAndHyperbolicFunctionsKeepTheApproximationsAroundTheExtension) {
    EXPECT_GT(checkProblems(31337, 120, false, false, false, true), 20);
    EXPECT_GT(checkProblems(4711, 60, true, false, false, true), 10);
    EXPECT_GT(checkProblems(31337, 60, false, false, true, true), 10);
    checkProblems(8642, 40, false, true, true, true);
}

// Each variable once, universal x and existential y, so that the solver may
// read both whole wherever the expression is monotonic: at a kink of abs,
// min or max, or the bottom of cosh, over a sum it must not.
TEST(Soundness, KinksOverSumsOfSingleVariables) {
    using point = std::vector<double>;
    struct kinked {
        const char* name;
        nodeId (*build)(tree&, nodeId sum, nodeId z);
        double (*at)(double sum, double z);
    };
    const kinked cases[] = {
        {"abs", [](tree& t, nodeId s, nodeId) { return t.createUnary(nodeKind::abs, s); },
         [](double s, double) { return std::fabs(s); }},
        {"cosh", [](tree& t, nodeId s, nodeId) { return t.createUnary(nodeKind::cosh, s); },
         [](double s, double) { return std::cosh(s); }},
        {"max", [](tree& t, nodeId s, nodeId z) { return t.createBinary(nodeKind::max, s, z); },
         [](double s, double z) { return std::max(s, z); }},
        {"min", [](tree& t, nodeId s, nodeId z) { return t.createBinary(nodeKind::min, s, z); },
         [](double s, double z) { return std::min(s, z); }},
    };
    for (const kinked& k : cases) {
        SCOPED_TRACE(k.name);
        for (const bool existsFirst : {false, true}) {
            const declared decl{
                {"x", "y", "z"},
                {ivalDb::exact(0, 1), ivalDb::exact(0, -1), ivalDb::exact(0.2, 0.3)}};
            fstar f;
            quiet(f);
            f.settings.time_limit = 0.3;
            f.settings.tolerance = 1e-2;
            tree& t = f.mainModel.fn;
            const nodeId x = leaf(t, decl, existsFirst ? 1 : 0);
            const nodeId y = leaf(t, decl, existsFirst ? 0 : 1);
            t.setRoot(k.build(t, t.createBinary(nodeKind::plus, x, y), leaf(t, decl, 2)));
            const auto fn = [&k](const point& v) { return k.at(v[0] + v[1], v[2]); };
            checkProblem(f, fn, decl, false, optimBound::lower);
        }
    }
}

// The same problems with bounds also taken from the mean-value forms.
TEST(Soundness, MeanValueFormKeepsTheApproximationsAroundTheExtension) {
    EXPECT_GT(checkProblems(12345, 120, false, false, true), 20);
    EXPECT_GT(checkProblems(777, 60, true, false, true), 10);
    checkProblems(2468, 40, false, true, true);
}

// The form over random sub-boxes of proper domains holds every value the
// function takes there (it may be NaN where it does not apply), and it is
// sharper than the natural extension over a small box at a minimum.
TEST(Soundness, MeanValueFormEnclosesSampledValues) {
    std::mt19937 seeds(4321);
    int applied = 0;
    for (int problem = 0; problem < 300; ++problem) {
        generator g{std::mt19937(seeds()), 1 + problem % 3, {}, problem % 4 == 0, problem % 3 == 0};
        std::uniform_real_distribution<double> coordinate(-2.0, 2.0);
        std::vector<ivalDb> box;
        for (int i = 0; i < g.nvars; ++i) {
            const double a = coordinate(g.rng);
            const double w = std::uniform_real_distribution<double>(1e-3, 1.0)(g.rng);
            g.decl.names.push_back("x" + std::to_string(i));
            g.decl.domains.push_back(ivalDb::exact(a, a + w));
        }
        model m;
        std::function<double(const std::vector<double>&)> fn;
        m.fn.setRoot(g.make(m.fn, 2 + problem % 2, fn));
        m.buildGroups();
        m.bindOwn();
        buildDerivatives(m.fn);
        buildEvalLists(m.fn);
        const meanValueBounds bounds = meanValueForm(m.fn);
        const ivalDb& form = bounds.outer;
        if (hasNaN(form)) continue;
        // Inner within outer in the modal order.
        EXPECT_LE(form.inf(), bounds.inner.inf());
        EXPECT_LE(bounds.inner.sup(), form.sup());
        ++applied;
        std::ostringstream expr;
        printNode(m.fn, m.fn.root, expr, true);
        SCOPED_TRACE(expr.str());
        std::vector<double> x(static_cast<std::size_t>(g.nvars));
        for (int k = 0; k < 200; ++k) {
            for (int i = 0; i < g.nvars; ++i) {
                const ivalDb& d = g.decl.domains[static_cast<std::size_t>(i)];
                // The corners too, where monotone variables are set.
                const int pick = std::uniform_int_distribution<int>(0, 3)(g.rng);
                x[static_cast<std::size_t>(i)] =
                    pick == 0   ? d.inf()
                    : pick == 1 ? d.sup()
                                : std::uniform_real_distribution<double>(d.inf(), d.sup())(g.rng);
            }
            const double v = fn(x);
            if (std::isnan(v)) continue;
            EXPECT_LE(form.inf(), v) << form;
            EXPECT_GE(form.sup(), v) << form;
        }
    }
    EXPECT_GT(applied, 150);

    // Six-hump camel near its minimum: quadratic against linear width.
    declared d{{"x", "y"}, {ivalDb::exact(0.08, 0.1), ivalDb::exact(-0.72, -0.7)}};
    model m;
    tree& t = m.fn;
    auto p = [&](nodeId n, int e) { return t.createPower(n, e); };
    auto times = [&](double c, nodeId n) {
        return t.createBinary(nodeKind::mul, t.createConst(c), n);
    };
    const nodeId x = leaf(t, d, 0), y = leaf(t, d, 1);
    nodeId f = t.createBinary(nodeKind::sub, times(4, p(x, 2)), times(2.1, p(x, 4)));
    f = t.createBinary(nodeKind::plus, f, times(1.0 / 3.0, p(x, 6)));
    f = t.createBinary(nodeKind::plus, f, t.createBinary(nodeKind::mul, x, y));
    f = t.createBinary(nodeKind::sub, f, times(4, p(y, 2)));
    t.setRoot(t.createBinary(nodeKind::plus, f, times(4, p(y, 4))));
    m.buildGroups();
    m.bindOwn();
    buildDerivatives(t);
    buildEvalLists(t);
    const ivalDb natural = evaluateTree(t, evalMode::Prop);
    const ivalDb form = meanValueForm(t).outer;
    ASSERT_FALSE(hasNaN(form));
    EXPECT_LT(form.sup() - form.inf(), (natural.sup() - natural.inf()) / 10) << form << natural;
}
