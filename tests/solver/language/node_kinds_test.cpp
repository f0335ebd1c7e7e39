// Every node kind of the table, walked through what the system does with it:
// read from its text, evaluated over boxes (enclosing the values at sampled
// points, the inner value inside the outer one and inside the sampled range),
// differentiated (against difference quotients) and dumped (the dump reads
// back as the same expression). The reference values come from the C
// library in long double, case by case below: a kind added to the table
// without its case here does not compile.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "problem_reader.h"
#include "solver/model/derivatives.h"
#include "solver/model/dump.h"

namespace modal {
namespace {

using LD = long double;

// What a kind computes at a point: x is the left operand, y the right one
// (relations: the left side, whose range decides them). Operands are drawn
// from [lo, hi] and [ylo, yhi].
struct kindCase {
    LD (*at)(LD x, LD y);
    double lo = -2, hi = 2;
    double ylo = -2, yhi = 2;
    bool jumpsAtZero = false; // piecewise constant with a jump at 0
};

constexpr int kExponent = 3; // of "pow" in these tests

kindCase caseOf(nodeKind k) {
    switch (k) {
    case nodeKind::unknown:
    case nodeKind::constant:
    case nodeKind::aux:
    case nodeKind::one:
        return {nullptr};
    case nodeKind::var:
        return {[](LD x, LD) { return x; }};
    case nodeKind::minus:
        return {[](LD x, LD) { return -x; }};
    case nodeKind::plus:
        return {[](LD x, LD y) { return x + y; }};
    case nodeKind::sub:
        return {[](LD x, LD y) { return x - y; }};
    case nodeKind::mul:
        return {[](LD x, LD y) { return x * y; }};
    case nodeKind::div:
        return {[](LD x, LD y) { return x / y; }, -2, 2, 0.5, 2};
    case nodeKind::eq:
    case nodeKind::ge:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::lt:
        return {[](LD x, LD) { return x; }};
    case nodeKind::exp:
        return {[](LD x, LD) { return std::exp(x); }};
    case nodeKind::log:
        return {[](LD x, LD) { return std::log(x); }, 0.05, 3};
    case nodeKind::sqr:
        return {[](LD x, LD) { return x * x; }};
    case nodeKind::sqrt:
        return {[](LD x, LD) { return std::sqrt(x); }, 0.05, 3};
    case nodeKind::cos:
        return {[](LD x, LD) { return std::cos(x); }, -4, 4};
    case nodeKind::sin:
        return {[](LD x, LD) { return std::sin(x); }, -4, 4};
    case nodeKind::tan:
        return {[](LD x, LD) { return std::tan(x); }, -1.4, 1.4};
    case nodeKind::acos:
        return {[](LD x, LD) { return std::acos(x); }, -0.95, 0.95};
    case nodeKind::asin:
        return {[](LD x, LD) { return std::asin(x); }, -0.95, 0.95};
    case nodeKind::atan:
        return {[](LD x, LD) { return std::atan(x); }};
    case nodeKind::pow:
        return {[](LD x, LD) { return std::pow(x, static_cast<LD>(kExponent)); }};
    case nodeKind::abs:
        return {[](LD x, LD) { return std::fabs(x); }};
    case nodeKind::min:
        return {[](LD x, LD y) { return std::min(x, y); }};
    case nodeKind::max:
        return {[](LD x, LD y) { return std::max(x, y); }};
    case nodeKind::sinh:
        return {[](LD x, LD) { return std::sinh(x); }, -3, 3};
    case nodeKind::cosh:
        return {[](LD x, LD) { return std::cosh(x); }, -3, 3};
    case nodeKind::tanh:
        return {[](LD x, LD) { return std::tanh(x); }, -3, 3};
    case nodeKind::sign:
        return {[](LD x, LD) { return x > 0 ? 1.0L : x < 0 ? -1.0L : 0.0L; }, -2, 2, -2, 2, true};
    case nodeKind::step:
        return {[](LD x, LD) { return x > 0 ? 1.0L : x < 0 ? 0.0L : 0.5L; }, -2, 2, -2, 2, true};
    }
    return {nullptr};
}

// How the language writes a node of the kind over x (and y).
std::string statementOf(const kindInfo& k) {
    const std::string name(k.text);
    switch (k.syntax) {
    case kindSyntax::leaf:
        return k.kind == nodeKind::var ? "f:= x;" : "f:= 2;";
    case kindSyntax::negation:
        return "f:= -x;";
    case kindSyntax::infix:
        return "f:= x " + name + " y;";
    case kindSyntax::relation:
        return "lf:= x " + name + " y;";
    case kindSyntax::function:
        return "f:= " + name + (k.arity == 2 ? "(x, y);" : "(x);");
    case kindSyntax::power:
        return "f:= " + name + "(x, " + std::to_string(kExponent) + ");";
    case kindSyntax::internal:
        return {};
    }
    return {};
}

// The dump of a node of the kind over x (and y).
std::string dumpOf(const kindInfo& k) {
    const std::string name(k.text);
    switch (k.syntax) {
    case kindSyntax::leaf:
        return k.kind == nodeKind::var ? "x[0]" : "[2, 2]";
    case kindSyntax::negation:
        return "-(x[0])";
    case kindSyntax::infix:
    case kindSyntax::relation:
        return "(x[0])" + name + "(y[0])";
    case kindSyntax::function:
        return name + (k.arity == 2 ? "(x[0],y[0])" : "(x[0])");
    case kindSyntax::power:
        return name + "(x[0]," + std::to_string(kExponent) + ")";
    case kindSyntax::internal:
        if (k.arity == 1) return name + "(x[0])";
        return k.kind == nodeKind::one ? "1" : k.kind == nodeKind::aux ? "[1, 3]" : name;
    }
    return {};
}

// Point i of n from the lower to the upper bound of a proper interval.
LD gridPoint(const ivalDb& d, int i, int n) {
    if (n == 1 || i == n - 1) return n == 1 ? d.inf() : d.sup();
    return d.inf() + (static_cast<LD>(d.sup()) - d.inf()) * i / (n - 1);
}

class NodeKindsTest : public ::testing::Test, protected testing_language::problem_reader {
protected:
    std::mt19937 rng{2027};

    static std::string text(const tree& t) {
        std::ostringstream os;
        printNode(t, t.root, os, true);
        return os.str();
    }
    double uniform(double lo, double hi) {
        return std::uniform_real_distribution<double>(lo, hi)(rng);
    }
};

// The tree of a kind over variables x and y: read from its statement, or
// built for the kinds the language does not write.
tree treeOf(problem_grammar& grammar, fstar& solver, const kindInfo& k) {
    const std::string statement = statementOf(k);
    if (!statement.empty()) {
        solver.mainModel.fn = tree();
        EXPECT_TRUE(grammar.parse(statement)) << statement;
        return solver.mainModel.fn;
    }
    tree t;
    if (k.arity == 0) {
        t.setRoot(k.kind == nodeKind::aux ? t.createValue(nodeKind::aux, ivalDb::exact(1, 3))
                                          : t.createNode(k.kind));
        if (k.kind == nodeKind::one) t.at(t.root).value = ivalDb(1.0);
        return t;
    }
    t.setRoot(t.createUnary(k.kind, t.createIncidence("x", ivalDb())));
    return t;
}

TEST_F(NodeKindsTest, EveryKindIsReadEvaluatedDifferentiatedAndDumped) {
    ASSERT_TRUE(grammar.parse("x in [-1, 1]; y in [-1, 1];"));
    for (const kindInfo& k : nodeKinds()) {
        SCOPED_TRACE(std::string(k.text));
        tree t = treeOf(grammar, solver, k);
        ASSERT_NE(t.root, noNode);
        EXPECT_EQ(t.at(t.root).kind, k.kind);
        EXPECT_EQ(kindFromText(k.text), k.kind);
        EXPECT_EQ(text(t), dumpOf(k));
        // The dump, without its occurrence numbers, reads back as the same
        // expression.
        if (const std::string statement = statementOf(k);
            !statement.empty() && k.syntax != kindSyntax::leaf) {
            const std::string written = std::regex_replace(text(t), std::regex("\\[0\\]"), "");
            solver.mainModel.fn = tree();
            ASSERT_TRUE(
                grammar.parse(statement.substr(0, statement.find('=') + 1) + " " + written + ";"))
                << written;
            EXPECT_EQ(text(solver.mainModel.fn), text(t));
        }

        const kindCase c = caseOf(k.kind);
        if (c.at == nullptr) continue;
        const int nvars = t.variableCount();
        ASSERT_EQ(nvars, k.kind == nodeKind::var || k.arity < 2 ? 1 : 2);
        std::vector<variable> vars;
        for (int i = 0; i < nvars; ++i)
            vars.emplace_back(1, ivalDb(), i == 0 ? "x" : "y");
        const std::vector<int> map{0, 1};
        modal::bind(t, vars, map);
        buildDerivatives(t);
        buildEvalLists(t);
        const auto f = [&](LD x, LD y) { return c.at(x, y); };

        for (int trial = 0; trial < 200; ++trial) {
            // A box, and the values at points of it.
            double a = uniform(c.lo, c.hi), b = uniform(c.lo, c.hi);
            double ya = uniform(c.ylo, c.yhi), yb = uniform(c.ylo, c.yhi);
            if (trial % 4 == 0) b = a + (b - a) * 1e-6;
            vars[0].domain = ivalDb::exact(std::min(a, b), std::max(a, b));
            if (nvars == 2) {
                vars[1].domain = ivalDb::exact(std::min(ya, yb), std::max(ya, yb));
                // An equation holds where its sides meet: over one box.
                if (k.kind == nodeKind::eq) vars[1].domain = vars[0].domain;
            }
            const ivalDb X = vars[0].domain;
            const ivalDb Y = nvars == 2 ? vars[1].domain : ivalZero();
            t.undefinedSeen = false;
            const ivalDb outer = evaluateTree(t, evalMode::Prop);
            const ivalDb inner = dual(evaluateTree(t, evalMode::Impr));
            // The values on a grid over the box, and the largest change
            // between neighbours (how far the grid may miss an extreme).
            const int n = nvars == 2 ? 41 : 401, m = nvars == 2 ? n : 1;
            std::vector<LD> values(static_cast<std::size_t>(n * m));
            const auto at = [&](int i, int j) -> LD& {
                return values[static_cast<std::size_t>(i * m + j)];
            };
            LD jump = 0;
            for (int i = 0; i < n; ++i) {
                for (int j = 0; j < m; ++j) {
                    const LD x = gridPoint(X, i, n);
                    const LD y = gridPoint(Y, j, m);
                    at(i, j) = f(x, y);
                    if (i > 0) jump = std::max(jump, std::fabs(at(i, j) - at(i - 1, j)));
                    if (j > 0) jump = std::max(jump, std::fabs(at(i, j) - at(i, j - 1)));
                }
            }
            const LD lowest = *std::min_element(values.begin(), values.end());
            const LD highest = *std::max_element(values.begin(), values.end());
            std::ostringstream box;
            box << "over " << X << " x " << Y << ": outer " << outer << ", inner " << inner;
            switch (k.relation) {
            case comparison::ge:
            case comparison::gt:
                EXPECT_LE(outer.inf(), lowest) << box.str();
                break;
            case comparison::le:
            case comparison::lt:
                EXPECT_GE(outer.sup(), highest) << box.str();
                break;
            case comparison::eq:
                EXPECT_TRUE(outer.inf() <= lowest && highest <= outer.sup()) << box.str();
                break;
            case comparison::none:
                EXPECT_TRUE(outer.inf() <= lowest && highest <= outer.sup()) << box.str();
                // Inner inside outer, and inside the range up to the grid's step
                // (a step function has no inner value across its jump).
                if (!hasNaN(inner)) {
                    EXPECT_TRUE(outer.inf() <= inner.inf() && inner.sup() <= outer.sup())
                        << box.str();
                    const LD slack = c.jumpsAtZero ? 0 : jump * 2 + 1e-12L;
                    EXPECT_TRUE(inner.inf() >= lowest - slack && inner.sup() <= highest + slack)
                        << box.str();
                }
                break;
            }

            // Derivatives over a narrow box around a point hold the
            // difference quotient across it (a slope the function takes
            // there), by each variable with the other one fixed.
            const double h = 1e-4;
            const double p = uniform(c.lo + h, c.hi - h), q = uniform(c.ylo + h, c.yhi - h);
            for (int v = 0; v < nvars; ++v) {
                if (c.jumpsAtZero && std::fabs(v == 0 ? p : q) <= h) continue;
                vars[0].domain = v == 0 ? ivalDb::exact(p - h, p + h) : ivalDb::exact(p, p);
                if (nvars == 2)
                    vars[1].domain = v == 1 ? ivalDb::exact(q - h, q + h) : ivalDb::exact(q, q);
                evaluateDerivatives(t, varGroup::Full);
                const ivalDb d = vars[static_cast<std::size_t>(v)].getIncidence(0).derivative;
                const LD quotient = v == 0 ? (f(p + h, q) - f(p - h, q)) / (2 * h)
                                           : (f(p, q + h) - f(p, q - h)) / (2 * h);
                const LD slack = 1e-9L * (1 + std::fabs(quotient));
                EXPECT_TRUE(d.inf() <= quotient + slack && quotient - slack <= d.sup())
                    << "d/d" << (v == 0 ? "x" : "y") << " at " << p << ", " << q << ": " << d
                    << " against " << static_cast<double>(quotient);
            }
            if (HasFailure()) break;
        }
    }
}

} // namespace
} // namespace modal
