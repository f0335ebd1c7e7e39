#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "fstar_helpers.h"
#include "solver/fstar/report.h"
#include "solver/model/derivatives.h"
#include "tests/support/temp_dir.h"

using namespace modal;
using namespace testing_fstar;

namespace {

int count(const std::string& text, const std::string& what) {
    int n = 0;
    for (std::size_t p = text.find(what); p != std::string::npos; p = text.find(what, p + 1))
        ++n;
    return n;
}

// f = x * x + y over the given domains.
void squarePlus(fstar& f, ivalDb x, ivalDb y) {
    tree& t = f.mainModel.fn;
    const nodeId a = t.createIncidence("x", x);
    const nodeId b = t.createIncidence("x", x);
    const nodeId c = t.createIncidence("y", y);
    t.setRoot(t.createBinary(nodeKind::plus, t.createBinary(nodeKind::mul, a, b), c));
}

// The report of the last run of f, with 0 s of computation time.
std::string reportText(const fstar& f, double seconds = 0.0) {
    result r;
    r.algorithm = f.settings.logic_mode == inclusionStop::withVerdict ? algorithm::logic
                  : f.settings.optim == optimBound::both              ? algorithm::fstar
                                                                      : algorithm::minmax;
    fillResult(f, r);
    r.cpu_seconds = seconds;
    std::ostringstream report;
    writeFstarReport(r, report);
    return report.str();
}

std::string runToText(fstar& f, std::ostream& log) {
    box plot(2);
    f.prepare(plot);
    f.run(plot, log);
    return reportText(f);
}

} // namespace

TEST(Fstar, RangeOfAProperProblemToTolerance) {
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.tolerance = 1e-3;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_EQ(f.settings.stop_reason, "Tolerance");
    const twin& g = f.globalTwin;
    EXPECT_LE(g.getTol(), 1e-3);
    // Range [0, 5]: outer contains it, inner inside it.
    EXPECT_LE(g.getOut().inf(), 0.0);
    EXPECT_GE(g.getOut().sup(), 5.0);
    EXPECT_GE(g.getInn().inf(), 0.0);
    EXPECT_LE(g.getInn().sup(), 5.0);
    EXPECT_EQ(log.str(), ""); // debug 0 writes nothing
}

TEST(Fstar, StopCriteriaNegativeTimeLimitStopsAtTheFirstTimeTest) {
    fstar f; // negative time limit: stops at the first time test
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.time_limit = -1;
    std::ostringstream log;
    const std::string report = runToText(f, log);
    EXPECT_EQ(f.settings.stop_reason, "Time");
    EXPECT_EQ(f.stepCount, 0);
    EXPECT_EQ(report.rfind("WARNING: TimeOut => Partial solution provided\n\n", 0), 0u);
}

TEST(Fstar, StopCriteriaMonotonicInEveryVariableEmptiesTheAgenda) {
    fstar f; // monotonic in every variable: the first strip is accumulated
    quiet(f);
    tree& t = f.mainModel.fn;
    t.setRoot(t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb::exact(0, 1)),
                             t.createIncidence("y", ivalDb::exact(0, 1))));
    std::ostringstream log;
    runToText(f, log);
    EXPECT_EQ(f.settings.stop_reason, "Empty Agenda");
    EXPECT_EQ(f.accumulatedStrips.size(), 1u);
}

TEST(Fstar, StopCriteriaLargeEpsilonAccumulatesByWidth) {
    fstar f; // epsilon large: everything accumulated by width
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.epsilon = 10;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_TRUE(f.settings.stop_reason == "Empty Agenda" || f.settings.stop_reason == "Matching")
        << f.settings.stop_reason;
}

TEST(Fstar, StopCriteriaLogicDecidedAsSoonAsTheTwinSettles) {
    fstar f; // LOGIC: x * x + y >= 0 ... decided as soon as the twin settles
    quiet(f);
    tree& t = f.mainModel.fn;
    const nodeId a = t.createIncidence("x", ivalDb::exact(1, 2));
    const nodeId b = t.createIncidence("x", ivalDb::exact(1, 2));
    const nodeId prod = t.createBinary(nodeKind::mul, a, b);
    t.setRoot(t.createBinary(nodeKind::ge, prod, t.createConst(0.5)));
    f.settings.logic_mode = inclusionStop::withVerdict;
    f.settings.epsilon = f.settings.tolerance = 1e-15;
    f.settings.stop_reason = "?";
    std::ostringstream log;
    const std::string report = runToText(f, log);
    EXPECT_NE(report.find("Consistency: True\n\n"), std::string::npos) << report;
    EXPECT_LT(report.find("Consistency: "), report.find("Min Approximation:"));
}

TEST(Fstar, LogicVerdicts) {
    auto verdict = [](double lo, double hi, double c) {
        fstar f;
        quiet(f);
        tree& t = f.mainModel.fn;
        const nodeId x = t.createIncidence("x", ivalDb::exact(lo, hi));
        t.setRoot(t.createBinary(nodeKind::le, t.createUnary(nodeKind::sin, x), t.createConst(c)));
        f.settings.logic_mode = inclusionStop::withVerdict;
        f.settings.epsilon = f.settings.tolerance = 1e-15;
        f.settings.time_limit = 2;
        std::ostringstream log;
        const std::string r = runToText(f, log);
        const auto p = r.find("Consistency: ");
        return r.substr(p + 13, r.find('\n', p) - p - 13);
    };
    EXPECT_EQ(verdict(0, 1, 0.9), "True");   // sin x <= 0.9 on [0, 1]
    EXPECT_EQ(verdict(0, 1, -0.5), "False"); // sin x <= -0.5 fails everywhere
}

TEST(Fstar, DebugTwoWritesOnlyStepMarksAndTwins) {
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.tolerance = 1e-2;
    f.settings.debug = 2;
    std::ostringstream log;
    runToText(f, log);
    const std::string text = log.str();
    EXPECT_EQ(text.find("Insert Strip"), std::string::npos);
    EXPECT_EQ(text.find("Strip####"), std::string::npos);
    EXPECT_EQ(count(text, "Step Number:"), f.stepCount + 1);
    EXPECT_NE(text.find("Twin: Inn:"), std::string::npos);
    EXPECT_EQ(text.find("Step Number:0"), std::string::npos);

    fstar g;
    quiet(g);
    squarePlus(g, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    g.settings.tolerance = 1e-2;
    g.settings.debug = 1;
    std::ostringstream full;
    runToText(g, full);
    EXPECT_NE(full.str().find("\nInsert Strip\n\n"), std::string::npos);
    EXPECT_NE(full.str().find("Step Number:0\n"), std::string::npos);
    EXPECT_NE(full.str().find("\nFstar Algorithm\n\n"), std::string::npos);
    EXPECT_NE(full.str().find("\n((x[0])*(x[1]))+(y[0])\n\n"), std::string::npos);
}

TEST(Fstar, StripCutIntoThreeEqualPieces) {
    fstar f;
    quiet(f);
    tree& t = f.mainModel.fn;
    // x * (3 - x): two occurrences, not monotonic over [0, 3].
    const nodeId x = t.createIncidence("x", ivalDb::exact(0, 3));
    const nodeId x2 = t.createIncidence("x", ivalDb::exact(0, 3));
    t.setRoot(
        t.createBinary(nodeKind::mul, x, t.createBinary(nodeKind::sub, t.createConst(3), x2)));
    f.settings.bisect = 3;
    box plot(2);
    f.prepare(plot);
    f.settings.time_limit = -1; // stop before the first cut ...
    std::ostringstream log;
    f.run(plot, log);
    ASSERT_EQ(f.agenda.size(), 1u);
    // ... then cut once by hand.
    f.updateFlag = true;
    f.updateGlobalTwin(log);
    ASSERT_TRUE(f.hasSelectedStrip);
    f.updateFlag = false; // as after an accumulation
    f.selectAndCut(log);
    // The cut changed the strips: the next step recomputes the global twin.
    EXPECT_TRUE(f.updateFlag);
    ASSERT_EQ(f.agenda.size() + f.accumulatedStrips.size(), 3u);
    std::vector<ivalDb> pieces;
    for (const auto* l : {&f.agenda, &f.accumulatedStrips})
        for (const auto& s : *l)
            pieces.push_back(s.xp[0].domain);
    std::sort(pieces.begin(), pieces.end(), [](auto a, auto b) { return a.inf() < b.inf(); });
    EXPECT_DOUBLE_EQ(pieces[0].inf(), 0.0);
    EXPECT_DOUBLE_EQ(pieces[0].sup(), 1.0);
    EXPECT_DOUBLE_EQ(pieces[1].sup(), 2.0);
    EXPECT_DOUBLE_EQ(pieces[2].sup(), 3.0);
}

TEST(Fstar, InconsistentStripIsEliminatedAtInsertion) {
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    model con;
    const nodeId y = con.fn.createIncidence("y", ivalDb::exact(0, 1));
    con.fn.setRoot(con.fn.createBinary(nodeKind::gt, y, con.fn.createConst(3)));
    f.mainModel.constraints.push_back(con);
    f.settings.debug = 1;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_NE(log.str().find("\nEliminate Strip: Inclusion\n"), std::string::npos);
    EXPECT_TRUE(f.agenda.empty());
    EXPECT_EQ(f.settings.stop_reason, "Empty Agenda");
}

TEST(Fstar, ConstraintsRestrictTheRange) {
    // x * x + y with y > 0.5: the range [0.5, 5] (outer may not be below 0.5
    // by more than the tolerance once the undecided cells are narrow).
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    model con;
    const nodeId y = con.fn.createIncidence("y", ivalDb::exact(0, 1));
    con.fn.setRoot(con.fn.createBinary(nodeKind::gt, y, con.fn.createConst(0.5)));
    f.mainModel.constraints.push_back(con);
    f.settings.tolerance = 1e-3;
    f.settings.epsilon = 1e-4;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_LE(f.globalTwin.getOut().inf(), 0.5);
    EXPECT_GE(f.globalTwin.getOut().inf(), 0.4);
    EXPECT_GE(f.globalTwin.getOut().sup(), 5.0);
}

TEST(Report, LabelsAndNumberFormats) {
    EXPECT_EQ(reportDecimals(0.001), 3);
    EXPECT_EQ(reportDecimals(0.5), 1);
    EXPECT_EQ(reportDecimals(2), 0);
    EXPECT_EQ(reportDecimals(0), 16);

    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.tolerance = 0.01;
    std::ostringstream log;
    runToText(f, log);
    const std::string r = reportText(f, 0.123456);
    const std::regex fstarReport(
        "Computation Time \\(s\\):0\\.123\n\n"
        "Inner Approximation:\\[-?\\d\\.\\d\\de[-+]\\d\\d, \\d\\.\\d\\de\\+00\\]\n"
        "Outer Approximation:\\[-?\\d\\.\\d\\de[-+]\\d\\d, \\d\\.\\d\\de\\+00\\]\n"
        "Tol: \\d\\.\\d\\de-0\\d\n\n");
    EXPECT_TRUE(std::regex_match(r, fstarReport)) << r;

    auto label = [](ivalDb x, ivalDb y, int optim) {
        fstar g;
        quiet(g);
        squarePlus(g, x, y);
        g.settings.optim = static_cast<optimBound>(optim);
        g.settings.tolerance = 0.01;
        std::ostringstream l;
        const std::string text = runToText(g, l);
        const auto a = text.find("\n\n") + 2;
        return text.substr(a, text.find(':', a) - a);
    };
    EXPECT_EQ(label(ivalDb::exact(-1, 2), ivalDb::exact(0, 1), 1), "Min Approximation");
    EXPECT_EQ(label(ivalDb::exact(2, -1), ivalDb::exact(1, 0), 1), "Max Approximation");
    EXPECT_EQ(label(ivalDb::exact(-1, 2), ivalDb::exact(1, 0), 1), "MinMax Approximation");
    EXPECT_EQ(label(ivalDb::exact(-1, 2), ivalDb::exact(0, 1), 2), "Max Approximation");
    EXPECT_EQ(label(ivalDb::exact(2, -1), ivalDb::exact(1, 0), 2), "Min Approximation");
    EXPECT_EQ(label(ivalDb::exact(-1, 2), ivalDb::exact(1, 0), 2), "MaxMin Approximation");
}

TEST(Report, JoinedBoxes) {
    fstar f;
    quiet(f);
    // min of (x - 1)^2 + y over x in [0, 3], y in [0, 1]: at x = 1, y = 0.
    tree& t = f.mainModel.fn;
    const nodeId x = t.createIncidence("x", ivalDb::exact(0, 3));
    const nodeId y = t.createIncidence("y", ivalDb::exact(0, 1));
    const nodeId sq =
        t.createUnary(nodeKind::sqr, t.createBinary(nodeKind::sub, x, t.createConst(1)));
    t.setRoot(t.createBinary(nodeKind::plus, sq, y));
    f.settings.optim = optimBound::lower;
    f.settings.minmax_mode = true;
    f.settings.tolerance = 1e-3;
    std::ostringstream log;
    const std::string r = runToText(f, log);
    EXPECT_EQ(r.rfind("Computation Time (s):", 0), 0u);
    EXPECT_NE(r.find("Min Approximation:["), std::string::npos) << r;
    ASSERT_NE(r.find("Joined Boxes Min List:\n\nbox---"), std::string::npos) << r;
    ASSERT_FALSE(f.joinedMinBoxes.empty());
    // Every joined box lies around x = 1 and y = 0.
    for (const cell& c : f.joinedMinBoxes) {
        EXPECT_LE(c.xp[0].domain.inf(), 1.0 + 0.1);
        EXPECT_GE(c.xp[0].domain.sup(), 1.0 - 0.1);
    }
    // The report only writes: another one of the same run is the same.
    EXPECT_EQ(reportText(f), r);
    // optim 0 writes no joined boxes even with filled lists.
    f.settings.optim = optimBound::both;
    EXPECT_EQ(reportText(f).find("Joined"), std::string::npos);
}

TEST(Fstar, CopiesRunIndependently) {
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.tolerance = 1e-2;
    box plot(2);
    f.prepare(plot);
    std::ostringstream log;
    f.run(plot, log);
    auto copy = std::make_unique<fstar>(f);
    fstar second = *copy;
    copy.reset();
    second.mainModel.setVariableDomain(0, ivalDb::exact(0, 1));
    second.run(plot, log);
    EXPECT_NEAR(second.globalTwin.getOut().sup(), 2.0, 2e-2);
    f.run(plot, log);
    EXPECT_NEAR(f.globalTwin.getOut().sup(), 5.0, 2e-2);
    fstar assigned;
    assigned = f;
    assigned.run(plot, log);
    EXPECT_TRUE(sameBounds(assigned.globalTwin.getOut(), f.globalTwin.getOut()));
}

TEST(Fstar, StepLinesOnScreen) {
    auto lines = [](int optim, ivalDb x) {
        fstar f;
        quiet(f);
        squarePlus(f, x, ivalDb::exact(0, 1));
        f.settings.optim = static_cast<optimBound>(optim);
        f.settings.tolerance = 0.1;
        f.settings.screen_out = true;
        std::ostringstream screen, log;
        f.screen = &screen;
        runToText(f, log);
        EXPECT_EQ(count(screen.str(), "Step:"), f.stepCount);
        return screen.str();
    };
    const std::string both = lines(0, ivalDb::exact(-1, 2));
    EXPECT_EQ(both.rfind("Step:1 Twin: Twin:: Inn:", 0), 0u) << both;
    const std::string low = lines(1, ivalDb::exact(-1, 2));
    EXPECT_TRUE(std::regex_search(low, std::regex("^Step:1 Min: \\[[^\\]]+\\] Tol: [0-9.e+-]+\n")))
        << low;
    const std::string mixed = lines(2, ivalDb::exact(2, -1));
    EXPECT_EQ(mixed.rfind("Step:1 MaxMin: [", 0), 0u) << mixed;
}

TEST(MinMax, TouchingCellsMergeIntoOneBox) {
    fstar f;
    quiet(f);
    squarePlus(f, ivalDb::exact(-1, 2), ivalDb::exact(0, 1));
    f.settings.optim = optimBound::lower;
    box plot(2);
    f.prepare(plot);
    f.globalTwin.setInn(ivalDb::exact(0, 1));
    f.globalTwin.setOut(ivalDb::exact(-1, 6));
    // Two cells sharing the end point 0 of x, and one far away in x.
    cell a = cell::initial(f.mainModel);
    a.xp[0].domain = ivalDb::exact(-1, 0);
    a.xp[1].domain = ivalDb::exact(0, 0.5);
    cell b = a;
    b.xp[0].domain = ivalDb::exact(0, 0.5);
    b.xp[1].domain = ivalDb::exact(0.25, 1);
    cell far = a;
    far.xp[0].domain = ivalDb::exact(1.5, 2);
    f.joinedMinCells = {far, b, a};
    f.joinedMinCells.sort(
        [](const cell& p, const cell& q) { return p.xp[0].domain.inf() < q.xp[0].domain.inf(); });
    f.buildJoinedBoxes(true);
    // f >= 2.25 on the far box, which misses the minimum twin [-1, 0], so it
    // is dropped; the two touching cells form one box.
    ASSERT_EQ(f.joinedMinBoxes.size(), 1u);
    const cell& q = f.joinedMinBoxes.front();
    EXPECT_TRUE(sameBounds(q.xp[0].domain, ivalDb::exact(-1, 0.5)));
    // y, increasing over the merged box, is shrunk to its lower end.
    EXPECT_TRUE(sameBounds(q.xp[1].domain, ivalDb::exact(0, nextUpN(0.0, 2))));
    EXPECT_LE(q.tw.getOut().inf(), 0.0);
    EXPECT_TRUE(f.joinedMinCells.empty());
}

TEST(Fstar, CutsThatCannotShrinkAreNeverChosen) {
    EXPECT_TRUE(canCut(ivalDb::exact(0, 1)));
    EXPECT_TRUE(canCut(ivalDb::exact(1, 0)));
    EXPECT_FALSE(canCut(ivalDb::exact(1, nextUp(1.0))));
    EXPECT_FALSE(canCut(ivalDb::exact(2, 2)));
    EXPECT_FALSE(canCut(ivalDb::exact(0, kInf)));
    EXPECT_FALSE(canCut(ivalNaN()));
    EXPECT_EQ(piecesFor(ivalDb::exact(0, 1), 3), 3);
    EXPECT_EQ(piecesFor(ivalDb::exact(0, 1), 1), 2);
    EXPECT_EQ(piecesFor(ivalDb::exact(1, nextUpN(1.0, 2)), 7), 2);

    // Tolerance and epsilon 0 (as asked, not reachable): the run still ends
    // once the domain is cut down to neighbouring doubles.
    fstar f;
    quiet(f);
    tree& t = f.mainModel.fn;
    const ivalDb d = ivalDb::exact(1, 1 + 1e-13);
    const nodeId x = t.createIncidence("x", d);
    const nodeId x2 = t.createIncidence("x", d);
    // x * (2c - x) with its maximum at c, inside the domain.
    const double twiceC = 2 * (1 + 5e-14);
    t.setRoot(
        t.createBinary(nodeKind::mul, x, t.createBinary(nodeKind::sub, t.createConst(twiceC), x2)));
    f.settings.bisect = 3;
    f.settings.time_limit = 20;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_NE(f.settings.stop_reason, "Time");
    EXPECT_LE(f.globalTwin.getOut().inf(), twiceC - 1.0);
    EXPECT_LT(f.globalTwin.getTol(), 1e-13);
}

TEST(Fstar, UnboundedDomainsEndWithoutCutting) {
    fstar f;
    quiet(f);
    tree& t = f.mainModel.fn;
    const nodeId x = t.createIncidence("x", ivalDb::exact(-kInf, kInf));
    const nodeId x2 = t.createIncidence("x", ivalDb::exact(-kInf, kInf));
    t.setRoot(t.createBinary(nodeKind::mul, x, x2));
    f.settings.time_limit = 20;
    std::ostringstream log;
    runToText(f, log);
    EXPECT_NE(f.settings.stop_reason, "Time");
    EXPECT_EQ(f.stepCount, 1);
}

// x^2 + y^2 <= 1 over improper x and y, normalised as a constraint solver
// normalises it ("aux" right operand, upper bound only). Every value is a
// dyadic fraction, so the exact range is [+inf, 63^2/64^2 + 0 - 1].
TEST(Fstar, AllImproperRelationKeepsItsOnlyStrip) {
    const double exactSup = 3969.0 / 4096.0 - 1.0; // -0.031005859375
    for (int mode : {0, 1, 2}) {
        fstar f;
        quiet(f);
        tree& t = f.mainModel.fn;
        const nodeId x2 =
            t.createPower(t.createIncidence("x", ivalDb::exact(1.03125, 0.984375)), 2);
        const nodeId y2 = t.createPower(t.createIncidence("y", ivalDb::exact(0.5, -0.5)), 2);
        t.setRoot(
            t.createBinary(nodeKind::le, t.createBinary(nodeKind::plus, x2, y2), t.createConst(1)));
        box plot(2);
        f.prepare(plot);
        ASSERT_EQ(f.settings.optim, optimBound::upper);
        f.settings.logic_mode = static_cast<inclusionStop>(mode);
        f.settings.tolerance = 1e-12;
        std::ostringstream log;
        f.run(plot, log);
        SCOPED_TRACE(mode);
        const twin& g = f.globalTwin;
        EXPECT_NE(f.settings.stop_reason, "Empty Agenda");
        EXPECT_EQ(f.agenda.size() + f.accumulatedStrips.size(), 1u);
        // Rounding may widen either approximation, never carry it past the
        // exact bound.
        EXPECT_LE(g.getInn().sup(), exactSup);
        EXPECT_GE(g.getOut().sup(), exactSup);
        EXPECT_LT(g.upperDistance(), 1e-15);
    }
}

// Evaluating a cell leaves the objective tree as it found it: the same cell
// evaluated again gets the same twin, whatever was evaluated in between.
TEST(Cell, RepeatedEvaluationGivesTheSameTwin) {
    for (const ivalDb x : {ivalDb::exact(1.03125, 0.984375), ivalDb::exact(0.984375, 1.03125)}) {
        fstar f;
        quiet(f);
        tree& t = f.mainModel.fn;
        const nodeId a = t.createIncidence("x", x);
        const nodeId b = t.createIncidence("x", x);
        t.setRoot(t.createBinary(nodeKind::sub,
                                 t.createBinary(nodeKind::mul, t.createConst(0.1), a),
                                 t.createBinary(nodeKind::mul, b, t.createConst(3))));
        box plot(1);
        f.prepare(plot);
        cell c = cell::initial(f.mainModel);
        c.consistency = consistencyState::consistent;
        markUniform(t);
        // The first evaluation leaves the monotonicity of the Xp variables
        // behind for the next ones.
        c.evaluate(t, {c.xp, c.xi});
        c.evaluate(t, {c.xp, c.xi});
        const twin first = c.tw;
        for (int i = 0; i < 3; ++i) {
            c.evaluate(t, {c.xp, c.xi});
            EXPECT_TRUE(sameBounds(c.tw.getInn(), first.getInn()));
            EXPECT_TRUE(sameBounds(c.tw.getOut(), first.getOut()));
        }
        // Inner within outer in the modal order, bound by bound.
        EXPECT_LE(first.getOut().inf(), first.getInn().inf());
        EXPECT_LE(first.getInn().sup(), first.getOut().sup());
    }
}
