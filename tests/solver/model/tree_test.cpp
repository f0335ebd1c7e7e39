#include <vector>

#include <gtest/gtest.h>

#include "solver/model/dump.h"
#include "solver/model/model.h"
#include "solver/model/tree.h"

#include <sstream>

using namespace modal;

namespace {

bool same(const ivalDb& a, const ivalDb& b) {
    return sameBounds(a, b);
}

// A tree whose root is the single leaf of variable x.
// The point of a domain by the letters the tests below use.
pointChoice pointFrom(char c) {
    switch (c) {
    case 'c':
        return pointChoice::centre;
    case 'i':
        return pointChoice::lower;
    case 's':
        return pointChoice::upper;
    default:
        return pointChoice::previous;
    }
}

struct leafFixture {
    tree t;
    std::vector<variable> group;
    leafFixture(const ivalDb& domain, int occurrences = 1) {
        const int v = t.addVariable("x", domain);
        nodeId first = t.createIncidence(v);
        for (int i = 1; i < occurrences; ++i)
            t.createIncidence(v);
        t.setRoot(first);
        buildEvalList(t, t.root, t.evalList);
        group.emplace_back(occurrences, domain, "x");
        bind(t, group, {0});
    }
    variable& var() { return group[0]; }
    ivalDb eval(evalMode m, bool innS = false, bool outS = false, std::uint8_t cons = 0,
                char pc = 'c') {
        return evaluateTree(t, m, {innS, outS, cons == 0, pointFrom(pc)});
    }
};

} // namespace

TEST(Tree, EvaluationListIsReversePreorder) {
    tree t;
    const nodeId a = t.createIncidence("a", ivalDb());
    const nodeId b = t.createIncidence("b", ivalDb());
    const nodeId plus = t.createBinary(nodeKind::plus, a, b);
    t.setRoot(plus);
    buildEvalList(t, t.root, t.evalList);
    EXPECT_EQ(t.evalList, (std::vector<nodeId>{b, a, plus}));
}

TEST(Tree, BinaryNodeWithMissingChildKeepsItsValue) {
    tree t;
    const nodeId a = t.createConst(1.0);
    const nodeId plus = t.createBinary(nodeKind::plus, a, noNode);
    t.setRoot(plus);
    buildEvalList(t, t.root, t.evalList);
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Out), ivalEntire()));
    const nodeId q = t.createNode("?");
    EXPECT_EQ(t.at(q).kind, nodeKind::unknown);
    EXPECT_EQ(t.at(q).kindName(), "?");
}

TEST(Tree, RelationsAndMeet) {
    {
        leafFixture f(ivalDb::exact(1, 2));
        const nodeId zero = f.t.createConst(0.0);
        f.t.setRoot(f.t.createBinary(nodeKind::ge, f.t.root, zero));
        f.t.evalList.clear();
        buildEvalList(f.t, f.t.root, f.t.evalList);
        EXPECT_TRUE(same(f.eval(evalMode::Prop), ivalDb::exact(nextDown(1.0), -kInf)));
        f.t.at(f.t.root).kind = nodeKind::le;
        EXPECT_TRUE(same(f.eval(evalMode::Prop), ivalDb::exact(kInf, nextUp(2.0))));
    }
    tree t;
    const nodeId l = t.createValue(nodeKind::constant, ivalDb::exact(1, 3));
    const nodeId r = t.createValue(nodeKind::constant, ivalDb::exact(2, 5));
    t.setRoot(t.createBinary(nodeKind::eq, l, r));
    buildEvalList(t, t.root, t.evalList);
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Prop), ivalDb::exact(2, 3)));
}

TEST(Tree, ConstantsKeepTheirEnclosureInEveryMode) {
    tree t;
    const nodeId c = t.createConst(0.1);
    const ivalDb stored = t.at(c).value;
    t.setRoot(c);
    buildEvalList(t, t.root, t.evalList);
    // An inner evaluation followed by an outer one: neither may read an
    // enclosure turned inside out by the other.
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Inn), stored));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Out), stored));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Inn), stored));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Inn), stored));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Out), stored));
    EXPECT_TRUE(isProper(stored) && stored.inf() < 0.1 && stored.sup() > 0.1);
    // "aux": made proper by "Inn", improper by "Out", and it stays so.
    const nodeId a = t.createValue(nodeKind::aux, ivalDb::exact(0, -kInf));
    t.setRoot(a);
    t.evalList = {a};
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Inn), ivalDb::exact(-kInf, 0)));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Prop), ivalDb::exact(-kInf, 0)));
    EXPECT_TRUE(same(evaluateTree(t, evalMode::Out), ivalDb::exact(0, -kInf)));
}

TEST(LeafRule, OuterEvaluation) {
    // Proper domain: read as is, or dualised when totally monotonic against
    // the global direction.
    leafFixture p(ivalDb::exact(1, 3));
    EXPECT_TRUE(same(p.eval(evalMode::Out), ivalDb::exact(1, 3)));
    p.var().totalMono = true;
    p.var().globalSign = 1;
    p.var().getIncidence(0).sign = -1;
    EXPECT_TRUE(same(p.eval(evalMode::Out), ivalDb::exact(3, 1)));

    // Improper, totally monotonic: kept (or dualised) only when consistent.
    leafFixture i(ivalDb::exact(3, 1), 2);
    i.var().totalMono = true;
    i.var().globalSign = 1;
    i.var().getIncidence(0).sign = 1;
    EXPECT_TRUE(same(i.eval(evalMode::Out), ivalDb::exact(3, 1)));
    i.var().getIncidence(0).sign = -1;
    EXPECT_TRUE(same(i.eval(evalMode::Out), ivalDb::exact(1, 3)));
    // With consistency 2 it collapses to the rounded midpoint.
    EXPECT_TRUE(same(i.eval(evalMode::Out, false, false, 2, 'c'), ivalDb(2.0)));

    // Improper, not totally monotonic, two incidences: collapsed by pointChoice.
    i.var().totalMono = false;
    EXPECT_TRUE(same(i.eval(evalMode::Out, false, true, 0, 'c'), ivalDb(2.0)));
    EXPECT_TRUE(same(i.eval(evalMode::Out, false, true, 0, 'i'), ivalDb(3.0)));
    EXPECT_TRUE(same(i.eval(evalMode::Out, false, true, 0, 's'), ivalDb(1.0)));
    // '?' leaves the previous value.
    EXPECT_TRUE(same(i.eval(evalMode::Out, false, true, 0, '?'), ivalDb(1.0)));

    // A single incidence is kept when outSingles allows it.
    leafFixture s(ivalDb::exact(3, 1));
    EXPECT_TRUE(same(s.eval(evalMode::Out, false, true, 0, 'c'), ivalDb::exact(3, 1)));
    EXPECT_TRUE(same(s.eval(evalMode::Out, false, false, 0, 'c'), ivalDb(2.0)));
    EXPECT_TRUE(same(s.eval(evalMode::Out, false, true, 2, 'c'), ivalDb(2.0)));

    // A point domain is proper.
    leafFixture pt(ivalDb::exact(2, 2));
    EXPECT_TRUE(same(pt.eval(evalMode::Out), ivalDb::exact(2, 2)));
}

TEST(LeafRule, InnerEvaluation) {
    // Improper domain: R = D, value dual(D).
    leafFixture i(ivalDb::exact(3, 1));
    EXPECT_TRUE(same(i.eval(evalMode::Inn), ivalDb::exact(1, 3)));

    // Proper, not monotonic, not single: collapsed to the exact point (a value
    // the variable takes), then dualised.
    leafFixture p(ivalDb::exact(1, 3), 2);
    EXPECT_TRUE(same(p.eval(evalMode::Inn, true, false, 0, 'c'), ivalDb::exact(2, 2)));
    EXPECT_TRUE(same(p.eval(evalMode::Inn, false, false, 0, 'i'), ivalDb::exact(1, 1)));
    EXPECT_TRUE(same(p.eval(evalMode::Inn, false, false, 0, 's'), ivalDb::exact(3, 3)));
    // '?' dualises the previous value at each evaluation.
    p.eval(evalMode::Out, false, false, 0, 'c'); // leaves [1, 3]
    EXPECT_TRUE(same(p.eval(evalMode::Inn, false, false, 0, '?'), ivalDb::exact(3, 1)));
    EXPECT_TRUE(same(p.eval(evalMode::Inn, false, false, 0, '?'), ivalDb::exact(1, 3)));

    // Totally monotonic and consistent: D or its dual, then dualised.
    p.var().totalMono = true;
    p.var().globalSign = -1;
    p.var().getIncidence(0).sign = -1;
    EXPECT_TRUE(same(p.eval(evalMode::Inn), ivalDb::exact(3, 1)));
    p.var().getIncidence(0).sign = 1;
    EXPECT_TRUE(same(p.eval(evalMode::Inn), ivalDb::exact(1, 3)));

    // Single incidence with innSingles.
    leafFixture s(ivalDb::exact(1, 3));
    EXPECT_TRUE(same(s.eval(evalMode::Inn, true, false, 0, 'c'), ivalDb::exact(3, 1)));
    EXPECT_TRUE(same(s.eval(evalMode::Inn, true, false, 1, 'c'), ivalDb::exact(2, 2)));
}

TEST(LeafRule, PlainModes) {
    leafFixture f(ivalDb::exact(3, 1));
    EXPECT_TRUE(same(f.eval(evalMode::Prop), ivalDb::exact(1, 3)));
    EXPECT_TRUE(same(f.eval(evalMode::Impr), ivalDb::exact(3, 1)));
    EXPECT_TRUE(same(f.eval(evalMode::Der), ivalDb::exact(1, 3)));
    f.var().totalMono = true;
    f.var().globalSign = 1;
    f.var().getIncidence(0).sign = -1;
    EXPECT_TRUE(same(f.eval(evalMode::Prop), ivalDb::exact(1, 3)));
    EXPECT_TRUE(same(f.eval(evalMode::Impr), ivalDb::exact(1, 3)));
    EXPECT_TRUE(same(f.eval(evalMode::Der), ivalDb::exact(1, 3)));
    leafFixture g(ivalDb::exact(1, 3));
    g.var().totalMono = true;
    g.var().globalSign = 1;
    g.var().getIncidence(0).sign = -1;
    EXPECT_TRUE(same(g.eval(evalMode::Prop), ivalDb::exact(3, 1)));
    EXPECT_TRUE(same(g.eval(evalMode::none), ivalDb::exact(3, 1))); // unchanged
    EXPECT_EQ(modeFromText("Out"), evalMode::Out);
    EXPECT_EQ(modeFromText("Full"), evalMode::none);
}

TEST(Normalize, RelationsBecomeDifferences) {
    tree t;
    const nodeId x = t.createIncidence("x", ivalDb());
    const nodeId y = t.createIncidence("y", ivalDb());
    const nodeId sum = t.createBinary(nodeKind::plus, x, y);
    t.setRoot(t.createBinary(nodeKind::le, sum, t.createConst(3.0)));
    optimBound optim = optimBound::both;
    normalizeConstraint(t, optim);
    EXPECT_EQ(optim, optimBound::upper);
    std::ostringstream os;
    printNode(t, t.root, os, true);
    EXPECT_EQ(os.str(), "(((x[0])+(y[0]))-([3, 3]))-([0, -inf])");
    EXPECT_EQ(t.at(t.at(t.root).right).kind, nodeKind::aux);

    tree e;
    const nodeId ex = e.createIncidence("x", ivalDb());
    const nodeId ey = e.createIncidence("y", ivalDb());
    e.setRoot(e.createBinary(nodeKind::eq, ex, ey));
    optim = static_cast<optimBound>(5);
    normalizeConstraint(e, optim);
    EXPECT_EQ(optim, static_cast<optimBound>(5));
    std::ostringstream os2;
    printNode(e, e.root, os2, true);
    EXPECT_EQ(os2.str(), "(x[0])-(y[0])");

    tree g;
    const nodeId gx = g.createIncidence("x", ivalDb());
    g.setRoot(g.createBinary(nodeKind::gt, gx, g.createConst(0.0)));
    normalizeConstraint(g, optim);
    EXPECT_EQ(optim, optimBound::lower);
    std::ostringstream os3;
    printNode(g, g.root, os3, true);
    EXPECT_EQ(os3.str(), "(x[0])-([inf, 0])");

    // Constraint models keep their relation: only the right side moves left.
    tree c;
    const nodeId cx = c.createIncidence("x", ivalDb());
    c.setRoot(c.createBinary(nodeKind::gt, cx, c.createConst(5.0)));
    subtractRightSide(c);
    std::ostringstream os4;
    printNode(c, c.root, os4, true);
    EXPECT_EQ(os4.str(), "((x[0])-([5, 5]))>([0, 0])");
    subtractRightSide(c); // already against zero: unchanged
    std::ostringstream os5;
    printNode(c, c.root, os5, true);
    EXPECT_EQ(os5.str(), os4.str());

    tree plain;
    plain.setRoot(plain.createIncidence("x", ivalDb()));
    optim = optimBound::both;
    normalizeConstraint(plain, optim);
    EXPECT_EQ(optim, optimBound::both);
}

namespace {

// A model with one constraint "x rel c" over the variable x of the cell.
model constrained(nodeKind rel, double c) {
    model m;
    m.fn.setRoot(m.fn.createIncidence("x", ivalDb::exact(0, 10)));
    model con;
    const nodeId x = con.fn.createIncidence("x", ivalDb::exact(0, 10));
    con.fn.setRoot(con.fn.createBinary(rel, x, con.fn.createConst(c)));
    optimBound optim = optimBound::both;
    if (rel != nodeKind::eq) normalizeConstraint(con.fn, optim);
    buildEvalList(con.fn, con.fn.root, con.fn.evalList);
    con.buildGroups();
    con.indexMap = {0};
    m.constraints.push_back(con);
    return m;
}

int check(model& m, double lo, double hi) {
    std::vector<variable> xp{variable(1, ivalDb::exact(lo, hi), "x")};
    return static_cast<int>(checkConstraints(m, xp, {}));
}

} // namespace

TEST(CheckConstraints, EachRelation) {
    model none;
    EXPECT_EQ(check(none, 0, 1), 0);

    // Normalised x >= 5 is "-"(x - 5, aux): holds, fails, undecided.
    model ge = constrained(nodeKind::ge, 5);
    EXPECT_EQ(check(ge, 6, 7), 0);
    EXPECT_EQ(check(ge, 1, 2), 2); // the root is no longer a relation
    EXPECT_EQ(check(ge, 4, 6), 2);

    // Relations checked as written.
    model gt;
    gt.fn.setRoot(gt.fn.createIncidence("x", ivalDb()));
    model c;
    const nodeId x = c.fn.createIncidence("x", ivalDb::exact(0, 1));
    c.fn.setRoot(c.fn.createBinary(nodeKind::gt, x, c.fn.createConst(0.0)));
    buildEvalList(c.fn, c.fn.root, c.fn.evalList);
    c.buildGroups();
    c.indexMap = {0};
    gt.constraints.push_back(c);
    EXPECT_EQ(check(gt, 1, 2), 0);
    EXPECT_EQ(check(gt, -2, -1), 1);
    EXPECT_EQ(check(gt, -1, 1), 2);

    model lt = gt;
    lt.constraints.front().fn.at(lt.constraints.front().fn.root).kind = nodeKind::lt;
    EXPECT_EQ(check(lt, 1, 2), 1);
    EXPECT_EQ(check(lt, -1, 1), 2);
    EXPECT_EQ(check(lt, -2, -1), 0);

    model eq = constrained(nodeKind::eq, 0);
    EXPECT_EQ(check(eq, 1, 2), 1);
    EXPECT_EQ(check(eq, -1, 1), 2);
    // Touching zero is not a proof of failure: x = 0 holds at x = 0.
    EXPECT_EQ(check(eq, 0, 1), 2);
}

TEST(CheckConstraints, ForwardBackwardDecidesWhatTheEvaluationCannot) {
    // x - x rel 0.5 over x in [0, 1]: evaluated, x - x is [-1, 1], which
    // decides neither relation; contraction sees that it is 0.
    for (const nodeKind rel : {nodeKind::le, nodeKind::ge}) {
        model m;
        m.fn.setRoot(m.fn.createIncidence("x", ivalDb::exact(0, 1)));
        model con;
        con.fn.addVariable("x", ivalDb::exact(0, 1));
        const nodeId x = con.fn.createIncidence(0);
        const nodeId d = con.fn.createBinary(nodeKind::sub, x, con.fn.createIncidence(0));
        con.fn.setRoot(con.fn.createBinary(rel, d, con.fn.createConst(0.5)));
        subtractRightSide(con.fn);
        buildEvalList(con.fn, con.fn.root, con.fn.evalList);
        con.buildGroups();
        con.indexMap = {0};
        prepareContraction(con);
        m.constraints.push_back(con);
        std::vector<variable> xp{variable(2, ivalDb::exact(0, 1), "x")};
        EXPECT_EQ(checkConstraints(m, xp, {}), consistencyState::undecided);
        EXPECT_EQ(checkConstraints(m, xp, {}, true), rel == nodeKind::le
                                                         ? consistencyState::consistent
                                                         : consistencyState::inconsistent);
    }
}

TEST(Model, CopiesAreIndependent) {
    model m = constrained(nodeKind::eq, 0);
    model copy = m;
    copy.constraints.front().fn.at(copy.constraints.front().fn.root).kind = nodeKind::plus;
    EXPECT_EQ(m.constraints.front().fn.at(m.constraints.front().fn.root).kind, nodeKind::eq);
    EXPECT_EQ(check(m, 1, 2), 1);
    EXPECT_EQ(check(copy, 1, 2), 2);
}
