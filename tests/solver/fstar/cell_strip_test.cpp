#include <sstream>

#include <gtest/gtest.h>

#include "fstar_helpers.h"
#include "solver/fstar/cell.h"
#include "solver/fstar/strip.h"
#include "solver/model/derivatives.h"

using namespace modal;
using namespace testing_fstar;

namespace {

// f = x * y with x proper and y improper (or as given), prepared like the
// solver does.
struct problem {
    model m;
    explicit problem(ivalDb x, ivalDb y) {
        const nodeId a = m.fn.createIncidence("x", x);
        const nodeId b = m.fn.createIncidence("y", y);
        m.fn.setRoot(m.fn.createBinary(nodeKind::mul, a, b));
        m.buildGroups();
        m.bindOwn();
        buildDerivatives(m.fn);
        buildEvalLists(m.fn);
        buildNonUniformList(m.fn);
        markUniform(m.fn);
    }
};

} // namespace

TEST(Cell, InitialCellSplitsByModality) {
    problem p(ivalDb::exact(1, 2), ivalDb::exact(3, 1));
    cell c = cell::initial(p.m);
    ASSERT_EQ(c.xp.size(), 1u);
    ASSERT_EQ(c.xi.size(), 1u);
    EXPECT_EQ(c.xp[0].name, "x");
    EXPECT_EQ(c.xi[0].name, "y");
    EXPECT_EQ(p.m.fn.xiMap, std::vector<int>{1});

    problem q(ivalDb::exact(1, 2), ivalDb::exact(0, 1));
    cell d = cell::initial(q.m);
    EXPECT_TRUE(d.xi.empty());
    d.evaluate(q.m.fn, {d.xp, d.xi});
    EXPECT_EQ(d.bisectDim, -1);
    EXPECT_EQ(d.width(), -kInf);
    // x * y over [1, 2] x [0, 1]: both monotonic, the outer value is the range.
    EXPECT_DOUBLE_EQ(d.tw.getOut().inf(), 0.0);
    EXPECT_NEAR(d.tw.getOut().sup(), 2.0, 1e-12);
}

TEST(Cell, DerivativeSumsAndCopies) {
    std::vector<variable> vs{variable(2, ivalDb(), "a"), variable(2, ivalDb(), "b")};
    vs[0].getIncidence(0).derivative = ivalDb::exact(-1, 1);
    vs[0].getIncidence(1).derivative = ivalDb::exact(2, 3);
    vs[1].getIncidence(0).derivative = ivalDb::exact(0, 1);
    vs[1].getIncidence(1).derivative = ivalDb::exact(2, 3);
    sumDerivatives(vs);
    EXPECT_TRUE(sameBounds(vs[0].globalDerivative, ivalEntire()));
    EXPECT_EQ(vs[0].globalSign, 0);
    EXPECT_EQ(vs[1].globalDerivative.inf(), 2.0 - 0.0 > 0 ? nextDown(2.0) : 0.0);
    EXPECT_EQ(vs[1].globalSign, 1);
    EXPECT_TRUE(vs[1].totalMono);

    cell c;
    c.outInsideZero = c.innOutsideZero = true;
    c.consistency = consistencyState::undecided;
    cell copy = c;
    EXPECT_FALSE(copy.outInsideZero);
    EXPECT_FALSE(copy.innOutsideZero);
    EXPECT_EQ(copy.consistency, consistencyState::undecided);
}

TEST(Cell, InconsistentCellKeepsItsOuterValue) {
    problem p(ivalDb::exact(1, 2), ivalDb::exact(3, 1));
    cell c = cell::initial(p.m);
    c.tw.setOut(ivalDb::exact(-5, 5));
    c.consistency = consistencyState::inconsistent;
    c.evaluate(p.m.fn, {c.xp, c.xi});
    EXPECT_TRUE(sameBounds(c.tw.getOut(), ivalDb::exact(-5, 5)));
}

TEST(Cell, BisectionPieces) {
    for (int pieces : {2, 3}) {
        problem p(ivalDb::exact(1, 2), ivalDb::exact(4, 0));
        strip s(cell::initial(p.m));
        param prm;
        prm.bisect = pieces;
        std::ostringstream log;
        s.cells.front().bisectDim = 0;
        s.bisectSelectedCell(p.m, prm, log);
        ASSERT_EQ(s.cells.size(), static_cast<std::size_t>(pieces));
        std::vector<ivalDb> got;
        for (const auto& c : s.cells)
            got.push_back(c.xi[0].domain);
        if (pieces == 2) {
            // The new cell holds [4, 2]; the cut cell keeps the last piece.
            EXPECT_TRUE(sameBounds(got[0], ivalDb::exact(2, 0)));
            EXPECT_TRUE(sameBounds(got[1], ivalDb::exact(4, 2)));
        } else {
            EXPECT_NEAR(got[1].inf(), 4.0, 1e-12);
            EXPECT_NEAR(got[1].sup(), 4.0 - 4.0 / 3, 1e-12);
            EXPECT_NEAR(got[2].inf(), 4.0 - 4.0 / 3, 1e-12);
            EXPECT_NEAR(got[2].sup(), 4.0 - 8.0 / 3, 1e-12);
            EXPECT_NEAR(got[0].inf(), 4.0 - 8.0 / 3, 1e-12);
            EXPECT_EQ(got[0].sup(), 0.0);
        }
    }
}

TEST(Strip, ConsistencyMarks) {
    problem p(ivalDb::exact(1, 2), ivalDb::exact(4, 0));
    // A constraint x >= c decides the consistency of every cell.
    auto withConstraint = [&](double c) {
        model con;
        const nodeId x = con.fn.createIncidence("x", ivalDb::exact(1, 2));
        con.fn.setRoot(con.fn.createBinary(nodeKind::gt, x, con.fn.createConst(c)));
        subtractRightSide(con.fn);
        buildEvalLists(con.fn);
        con.buildGroups();
        con.indexMap = {0};
        model m = p.m;
        m.constraints.push_back(con);
        return m;
    };
    param prm;
    std::ostringstream log;
    {
        model m = withConstraint(0); // holds: 0, 0 -> 0
        strip s(cell::initial(m));
        s.cells.push_back(s.cells.front());
        s.update(m, true, prm, log);
        EXPECT_EQ(s.consistencyMark, consistencyState::consistent);
        EXPECT_TRUE(s.joinFlag);
    }
    {
        model m = withConstraint(5); // fails everywhere: 1
        strip s(cell::initial(m));
        s.update(m, true, prm, log);
        EXPECT_EQ(s.consistencyMark, consistencyState::inconsistent);
        EXPECT_FALSE(s.joinFlag);
        EXPECT_TRUE(s.cells.empty()); // inconsistent cells are dropped
    }
    {
        model m = withConstraint(1.5); // undecided: 2 and a candidate, never accumulated
        strip s(cell::initial(m));
        s.update(m, true, prm, log);
        EXPECT_EQ(s.consistencyMark, consistencyState::undecided);
        ASSERT_EQ(s.cellCandidates.size(), 1u);
        EXPECT_TRUE(s.hasSelectedCell);
        EXPECT_TRUE(s.warehouse.empty());
    }
    // A mixed strip: cells 0 then 1 merge to 2.
    model m = withConstraint(1.5);
    strip s(cell::initial(m));
    s.cells.front().xp[0].domain = ivalDb::exact(1.6, 2);
    cell bad = s.cells.front();
    bad.xp[0].domain = ivalDb::exact(1, 1.4);
    s.cells.push_back(bad);
    s.bisectDim = -1; // keep the cells' own Xp pieces
    s.update(m, true, prm, log);
    EXPECT_EQ(s.consistencyMark, consistencyState::undecided);
}

TEST(Strip, CopiesWorkWithoutTheirSource) {
    problem p(ivalDb::exact(1, 2), ivalDb::exact(4, 0));
    auto s = std::make_unique<strip>(cell::initial(p.m));
    s->warehouse.push_back(s->cells.front());
    strip copy(*s);
    EXPECT_FALSE(copy.hasSelectedCell);
    EXPECT_TRUE(copy.cellCandidates.empty());
    s.reset(); // the source goes away; the copy still works
    param prm;
    std::ostringstream log;
    copy.update(p.m, true, prm, log);
    EXPECT_FALSE(std::isnan(copy.tw.getOut().inf()));
    strip assigned;
    assigned = copy;
    ASSERT_EQ(assigned.cells.size() + assigned.warehouse.size(), 2u);
}

TEST(Strip, NoXpVariablesMeansNoXpCut) {
    problem p(ivalDb::exact(2, 1), ivalDb::exact(4, 0));
    strip s(cell::initial(p.m));
    EXPECT_EQ(s.bisectDim, -1);
    EXPECT_EQ(s.width(), -kInf);
}

TEST(Strip, DumpAndBoxAtLevelOneOnly) {
    problem p(ivalDb::exact(1, 2), ivalDb::exact(4, 0));
    strip s(cell::initial(p.m));
    std::ostringstream quiet, loud;
    s.dump(quiet, 2, true);
    s.cells.front().printBox(quiet, 0);
    EXPECT_EQ(quiet.str(), "");
    s.cells.front().printBox(loud, 1);
    EXPECT_EQ(loud.str(), "box" + std::string(51, '-') + "\nx[0]=[1, 2]\ny[0]=[4, 0]\n" +
                              std::string(51, '-') + "box\n");
    std::ostringstream d;
    s.dump(d, 1, false);
    EXPECT_EQ(d.str().rfind("\nStrip" + std::string(53, '#') + "\n\nx[0].Dom=[1, 2] Mono=0\n", 0),
              0u);
    EXPECT_NE(d.str().find("Join Flag: 0\n" + std::string(55, '#') + "Strip\n\n"),
              std::string::npos);
}
