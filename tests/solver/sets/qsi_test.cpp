// The paving loop, its order, bisection and the report.
#include <climits>
#include <cmath>
#include <cstring>
#include <fstream>
#include <iterator>
#include <random>
#include <regex>
#include <sstream>

#include <gtest/gtest.h>

#include "sets_helpers.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_report.h"

using namespace modal;
using namespace sets_testing;

namespace {

// A problem held by a qsi object: the box, its constraints and point tests.
struct qsiProblem {
    problem built;
    qsi solver;

    // Moves what `built` holds into the qsi object and prepares a run on
    // a copy of the box placed on the agenda.
    void start(double epsilon) {
        static_cast<csp&>(solver) = built.target;
        solver.setEpsilon(epsilon);
        box b = solver.getBox();
        solver.prepare(b);
        solver.getAgenda().push_back(b);
    }
};

// The report of the last run of `q` (its boxes move into the result).
std::string reportOf(qsi& q, double seconds = 0.0) {
    result r;
    r.algorithm = algorithm::qsi;
    r.cpu_seconds = seconds;
    q.moveResult(r);
    std::ostringstream os;
    writeQsiReport(r, os);
    return os.str();
}

std::vector<std::pair<double, double>> firstComponents(const boxStore& l) {
    std::vector<std::pair<double, double>> out;
    for (const box& b : l)
        out.emplace_back(b[0].domain.inf(), b[0].domain.sup());
    return out;
}

using pairs = std::vector<std::pair<double, double>>;

void atMost(problem& p, double c) {
    const ivalDb d = p.domain("x");
    p.constraint([=](tree& t) { return t.createBinary(nodeKind::le, var(t, "x", d), num(t, c)); },
                 {[c](const std::vector<double>& x, double) { return x[0] - c; }, nodeKind::le});
}

} // namespace

TEST(QsiSettings, DefaultsAndSetters) {
    qsi q;
    EXPECT_EQ(q.getEpsilon(), 0.1);
    EXPECT_EQ(q.getTimeLimit(), kInf);
    q.setEpsilon(0.02);
    q.setTimeLimit(3.5);
    q.setPlotXName("b");
    EXPECT_EQ(q.getSettings().epsilon, 0.02);
    EXPECT_EQ(q.getSettings().time_limit, 3.5);
    EXPECT_EQ(q.getSettings().plot_x_name, "b");
    qsiParam p;
    p.plot_y_name = "a";
    q.setSettings(p);
    EXPECT_EQ(q.getEpsilon(), 0.1);
    EXPECT_EQ(q.getSettings().plot_y_name, "a");
}

TEST(QsiPlotIndices, FirstExactNameMatchOtherwiseUnchanged) {
    qsi q;
    box b;
    for (const char* n : {"a", "b", "c", "b"})
        b.append(variable(0, ivalDb::exact(0, 1), n));
    q.setPlotXName("b");
    q.setPlotYName("B"); // no exact match
    b.setPlotY(2);
    q.setPlotIndices(b);
    EXPECT_EQ(b.getPlotX(), 1);
    EXPECT_EQ(b.getPlotY(), 2);
    q.setPlotYName("a");
    q.setPlotIndices(b);
    EXPECT_EQ(b.getPlotY(), 0);
}

TEST(QsiBisection, WidestVariableLastOfEqualWidthsAboveItsEpsilon) {
    qsi q; // no run yet: widths are compared with the epsilon 0.1
    box b;
    b.append(variable(0, ivalDb::exact(0, 4), "x"));
    b.append(variable(0, ivalDb::exact(1, 5), "y"));
    b.append(variable(0, ivalDb::exact(0, 2), "z"));
    EXPECT_EQ(q.bisectionVariable(b), 1);
    EXPECT_FALSE(q.isSmall(b));
    b[1].domain = ivalDb::exact(1, 1.05);
    EXPECT_EQ(q.bisectionVariable(b), 0);
    b[0].domain = ivalDb::exact(0, 0.1);
    b[2].domain = ivalDb::exact(0, 0.1);
    EXPECT_EQ(q.bisectionVariable(b), -1);
    EXPECT_TRUE(q.isSmall(b));
}

TEST(QsiBisection, WidestVariableCutInTwoKeepingItsModality) {
    qsi q;
    box lower;
    lower.append(variable(0, ivalDb::exact(-1, 1), "x"));
    lower.append(variable(0, ivalDb::exact(3, -1), "y")); // improper, the widest
    box upper = lower;
    upper[0].domain = ivalDb::exact(5, 6); // overwritten
    ASSERT_TRUE(q.bisect(lower, upper));
    EXPECT_EQ(lower[0].domain.inf(), -1.0);
    EXPECT_EQ(lower[0].domain.sup(), 1.0);
    EXPECT_EQ(upper[0].domain.inf(), -1.0);
    EXPECT_EQ(upper[0].domain.sup(), 1.0);
    EXPECT_EQ(lower[1].domain.inf(), 3.0); // [3, 1]: stays improper
    EXPECT_EQ(lower[1].domain.sup(), 1.0);
    EXPECT_EQ(upper[1].domain.inf(), 1.0); // [1, -1]
    EXPECT_EQ(upper[1].domain.sup(), -1.0);

    // Two adjacent doubles cannot be cut: nothing changes.
    box tiny;
    tiny.append(variable(0, ivalDb::exact(1, std::nextafter(1.0, 2.0)), "x"));
    box other = tiny;
    q.setEpsilon(0);
    EXPECT_FALSE(q.bisect(tiny, other));
    EXPECT_EQ(tiny[0].domain.sup(), std::nextafter(1.0, 2.0));
}

TEST(QsiRun, BreadthFirstLowerHalfFirstWithAnyNumberOfThreads) {
    // Every core, one thread, and a setting far beyond any machine.
    for (int threads : {0, 1, 2, INT_MAX}) {
        SCOPED_TRACE(threads);
        qsiProblem p;
        p.built.variable("x", 0, 1);
        atMost(p.built, 0.3);
        p.start(0.1);
        p.solver.setThreads(threads);
        p.solver.run();
        EXPECT_TRUE(p.solver.getAgenda().empty());
        EXPECT_EQ(firstComponents(p.solver.solutionBoxes()), (pairs{{0, 0.25}}));
        EXPECT_EQ(firstComponents(p.solver.nonSolutionBoxes()),
                  (pairs{{0.5, 1}, {0.375, 0.5}, {0.3125, 0.375}}));
        EXPECT_EQ(firstComponents(p.solver.undefinedBoxes()), (pairs{{0.25, 0.3125}}));
        EXPECT_EQ(p.solver.variableEpsilons(), (std::vector<double>{0.1}));
        // run releases the constraints
        EXPECT_TRUE(p.solver.constraints().empty());
    }
}

TEST(QsiRun, RandomProblemsGiveTheSamePavingOnAnyNumberOfThreads) {
    // Fine pavings: many more boxes than the threads work on at once, so
    // that the window of claimed boxes wraps and the queue drops its front.
    std::mt19937 rng(15);
    for (int n = 0; n < 3; ++n) {
        SCOPED_TRACE(n);
        problem built;
        randomTwoConstraints(built, rng);
        std::string reports[2];
        std::vector<box_kind> orders[2];
        std::size_t decided = 0;
        for (int k = 0; k < 2; ++k) {
            qsi solver;
            static_cast<csp&>(solver) = built.target;
            solver.setEpsilon(0.001);
            solver.setThreads(k == 0 ? 1 : 3);
            box start = solver.getBox();
            solver.prepare(start);
            solver.getAgenda().push_back(start);
            solver.run();
            decided = solver.solutionBoxes().size() + solver.nonSolutionBoxes().size() +
                      solver.undefinedBoxes().size();
            orders[k] = solver.decisionOrder();
            reports[k] = reportOf(solver);
        }
        // About twice as many boxes classified: the window wrapped twice.
        EXPECT_GT(decided, 4500U);
        EXPECT_TRUE(reports[0] == reports[1]);
        // The order of the decisions, which the picture follows.
        EXPECT_TRUE(orders[0] == orders[1]);
        EXPECT_EQ(orders[0].size(), decided);
    }
}

TEST(QsiRun, NoBoxIsCutAlongAVariableAlreadyWithinItsShareOfTheStartWidth) {
    qsiProblem p;
    p.built.variable("x", -2, 2);
    p.built.variable("y", 0, 0.1); // start width 0.1: its epsilon is 0.01
    circle(p.built, nodeKind::le, 1);
    p.start(0.1);
    p.solver.run();
    for (const auto* l :
         {&p.solver.solutionBoxes(), &p.solver.nonSolutionBoxes(), &p.solver.undefinedBoxes()})
        for (const box& b : *l) {
            EXPECT_GT(b[0].domain.width(), 0.4 / 2);
            EXPECT_GT(b[1].domain.width(), 0.01 / 2);
        }
    EXPECT_FALSE(p.solver.undefinedBoxes().empty());
}

TEST(QsiRun, StartBoxProvenASolutionIsReportedAlone) {
    qsiProblem p;
    p.built.variable("x", -0.5, 0.5);
    p.built.variable("y", -0.5, 0.5);
    circle(p.built, nodeKind::le, 1);
    p.start(0.1);
    p.solver.run();
    EXPECT_EQ(p.solver.solutionBoxes().size(), 1u);
    EXPECT_TRUE(p.solver.nonSolutionBoxes().empty());
    const std::string text = reportOf(p.solver, 0.25);
    const std::regex expected(
        "Solution File:\n\nComputation Time:0\\.25\n\n"
        "Solution Boxes:\n\n\nBox:\nx=\\[-0\\.5, 0\\.5\\]\ny=\\[-0\\.5, 0\\.5\\]"
        "\n\nNon Solution Boxes:\n\n\n\nUndefined Boxes:\n\n");
    EXPECT_TRUE(std::regex_match(text, expected)) << text;
}

TEST(QsiRun, TimeLimitZeroReportsTheUndecidedBoxesAsUndefined) {
    qsiProblem p;
    disc(p.built);
    p.start(0.1);
    p.solver.setTimeLimit(0.0);
    p.solver.run();
    EXPECT_TRUE(p.solver.getAgenda().empty());
    EXPECT_TRUE(p.solver.solutionBoxes().empty());
    EXPECT_EQ(p.solver.undefinedBoxes().size(), 1u);
    EXPECT_EQ(p.solver.leftUndecided(), 1u);
    const std::string report = reportOf(p.solver);
    EXPECT_NE(report.find("Undefined Boxes:\n\n\nBox:"), std::string::npos) << report;
}

TEST(QsiRun, TimeLimitBoundsTheConstraintRuns) {
    // x - x >= 0 cannot be proven on any box (the dependency keeps the outer
    // bound below zero), so without a budget each F* run would go on for
    // ever; the run's limit stops them.
    qsiProblem p;
    p.built.variable("x", -1, 1);
    p.built.constraint(
        [](tree& t) {
            const ivalDb d = ivalDb::exact(-1, 1);
            return t.createBinary(nodeKind::ge, sub(t, var(t, "x", d), var(t, "x", d)), num(t, 0));
        },
        {[](const std::vector<double>&, double) { return 0.0; }, nodeKind::ge});
    p.start(0.0625);
    p.solver.setTimeLimit(0.2);
    p.solver.run();
    EXPECT_TRUE(p.solver.solutionBoxes().empty());
    EXPECT_TRUE(p.solver.nonSolutionBoxes().empty());
    EXPECT_FALSE(p.solver.undefinedBoxes().empty());
}

TEST(QsiReport, FourSignificantDigitsAndNoFinalNewline) {
    result empty;
    std::ostringstream os;
    os.precision(10);
    empty.cpu_seconds = 1.234567;
    writeQsiReport(empty, os);
    EXPECT_EQ(os.str(), "Solution File:\n\nComputation Time:1.235\n\nSolution Boxes:\n\n"
                        "\n\nNon Solution Boxes:\n\n\n\nUndefined Boxes:\n\n");
    EXPECT_EQ(os.precision(), 10);

    // A paving's boxes.
    qsiProblem p;
    p.built.variable("x", 0, 1);
    atMost(p.built, 0.3);
    p.start(0.5);
    p.solver.run();
    const std::string text = reportOf(p.solver);
    // [0, 0.5] is undecided and already at its epsilon 0.5: undefined.
    const std::string tail = "Solution Boxes:\n\n\n\nNon Solution Boxes:\n\n"
                             "\nBox:\nx=[0.5, 1]\n\nUndefined Boxes:\n\n\nBox:\nx=[0, 0.5]";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
}

TEST(QsiReport, BoxTextIsWhatTheStreamWritesForAnyBound) {
    // Bounds from random bit patterns, decimal values near a rounding of
    // the last digit, zeros, infinities and NaNs of both signs.
    std::vector<double> values = {
        0.0,        -0.0,       kInf, -kInf, std::nan(""), -std::nan(""), 9.9995,
        9.99949999, 0.00012345, 1e-5, 1e16,  123456.0,     5e-324,        1.7976931348623157e308};
    std::mt19937_64 random(15);
    for (int i = 0; i < 4000; ++i) {
        const std::uint64_t bits = random();
        double x;
        std::memcpy(&x, &bits, sizeof x);
        values.push_back(x);
        values.push_back(std::ldexp(static_cast<double>(bits % 200001) - 100000.0,
                                    static_cast<int>(bits >> 58) - 40));
    }
    const std::vector<std::string> names{"x", "long_name"};
    box_list list;
    list.dimension = 2;
    for (std::size_t i = 0; i + 3 < values.size(); i += 2)
        list.bounds.insert(list.bounds.end(),
                           {values[i], values[i + 1], values[i + 2], values[i + 3]});
    for (int precision : {4, 1, 6}) {
        std::ostringstream stream;
        stream.precision(precision);
        for (std::size_t k = 0; k < list.size(); ++k)
            stream << "\nBox:\nx=" << list.at(k, 0) << "\nlong_name=" << list.at(k, 1);
        std::string text;
        appendBoxesText(text, names, list, 0, list.size() / 2, precision, regionText::nearest);
        appendBoxesText(text, names, list, list.size() / 2, list.size() + 5, precision,
                        regionText::nearest);
        EXPECT_EQ(text, stream.str()) << "precision " << precision;
    }
}

TEST(QsiRun, BoxesThatCannotBeCutFurtherEndUndefinedInsteadOfLooping) {
    // With CSPEps 0 no box is ever small; halving stops at adjacent doubles.
    qsiProblem p;
    p.built.variable("x", std::nextafter(0.3, 0.0), std::nextafter(0.3, 1.0));
    atMost(p.built, 0.3);
    p.start(0.0);
    p.solver.run();
    EXPECT_TRUE(p.solver.getAgenda().empty());
    std::size_t total = p.solver.solutionBoxes().size() + p.solver.nonSolutionBoxes().size() +
                        p.solver.undefinedBoxes().size();
    EXPECT_GE(total, 2u);
    EXPECT_LE(total, 4u);
}

TEST(QsiRun, BoxWithoutVariablesIsDecidedOnce) {
    qsi q;
    q.getAgenda().push_back(box{});
    q.run();
    EXPECT_EQ(q.solutionBoxes().size(), 1u); // no constraint: nothing fails
}

// Constraints that hold with equality on the edges of boxes: a disc of radius
// sqrt 2 through the corners (1, 1) and (-1, -1), and a half-plane through
// the origin. The corners of every box are exact dyadic points, so the test
// decides them exactly: no non-solution box may hold a point that satisfies
// both constraints, and every corner of a solution box must satisfy them.
TEST(QsiRun, BoxesTouchingClosedRelationsAreDecidedSoundly) {
    qsiProblem p;
    p.built.variable("x", -2, 2);
    p.built.variable("y", -2, 2);
    circle(p.built, nodeKind::le, 2);
    p.built.constraint(
        [](tree& t) {
            const ivalDb d = ivalDb::exact(-2, 2);
            return t.createBinary(nodeKind::ge, add(t, var(t, "x", d), var(t, "y", d)), num(t, 0));
        },
        {[](const std::vector<double>& x, double) { return x[0] + x[1]; }, nodeKind::ge});
    p.start(0.04);
    p.solver.run();
    auto both = [](double x, double y) { return x + y >= 0 && x * x + y * y <= 2; };
    auto points = [](const box& b) {
        const ivalDb x = b[0].domain, y = b[1].domain;
        return std::vector<std::pair<double, double>>{{x.inf(), y.inf()},
                                                      {x.inf(), y.sup()},
                                                      {x.sup(), y.inf()},
                                                      {x.sup(), y.sup()},
                                                      {x.mid(), y.mid()}};
    };
    for (const box& b : p.solver.nonSolutionBoxes())
        for (const auto& [x, y] : points(b))
            EXPECT_FALSE(both(x, y)) << "non-solution box holds (" << x << ", " << y << ")";
    for (const box& b : p.solver.solutionBoxes())
        for (const auto& [x, y] : points(b))
            EXPECT_TRUE(both(x, y)) << "solution box fails at (" << x << ", " << y << ")";
    EXPECT_FALSE(p.solver.solutionBoxes().empty());
}
