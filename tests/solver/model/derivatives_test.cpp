#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "solver/model/derivatives.h"
#include "solver/model/dump.h"
#include "solver/model/tree.h"

using namespace modal;

namespace {

std::string text(const tree& t, nodeId n) {
    std::ostringstream os;
    printNode(t, n, os, true);
    return os.str();
}

// Prepares a tree built by code: lists, derivatives, non-uniform list.
void prepare(tree& t) {
    buildDerivatives(t);
    buildEvalLists(t);
    buildNonUniformList(t);
}

} // namespace

TEST(Derivatives, ProductOfTheSameVariable) {
    tree t;
    const nodeId a = t.createIncidence("x", ivalDb());
    const nodeId b = t.createIncidence("x", ivalDb());
    t.setRoot(t.createBinary(nodeKind::mul, a, b));
    prepare(t);
    ASSERT_EQ(t.derivTrees.size(), 1u);
    ASSERT_EQ(t.derivTrees[0].size(), 2u);
    EXPECT_EQ(text(t, t.derivTrees[0][0]), "x[1]");
    EXPECT_EQ(text(t, t.derivTrees[0][1]), "x[0]");
}

TEST(Derivatives, CosineSimplifiesToMinusSine) {
    tree t;
    const nodeId x = t.createIncidence("x", ivalDb());
    t.setRoot(t.createUnary(nodeKind::cos, x));
    nodeId raw = differentiate(t, t.root, t.vars[0][0]);
    EXPECT_EQ(text(t, raw), "((NULL)-(sin(x[0])))*(1)");
    simplify(t, raw);
    EXPECT_EQ(text(t, raw), "-(sin(x[0]))");
}

TEST(Derivatives, RuleTableTexts) {
    struct rule {
        nodeKind kind;
        const char* expected;
    };
    const std::vector<rule> rules{
        {nodeKind::exp, "(exp(x[0]))*(y[0])"},
        {nodeKind::log, "(y[0])/(x[0])"},
        {nodeKind::sin, "(cos(x[0]))*(y[0])"},
        {nodeKind::tan, "(y[0])/(sqr(cos(x[0])))"},
        {nodeKind::sqr, "(([2, 2])*(x[0]))*(y[0])"},
        {nodeKind::sqrt, "([0.5, 0.5])*((y[0])/(sqrt(x[0])))"},
        {nodeKind::atan, "(y[0])/(([1, 1])+(sqr(x[0])))"},
        {nodeKind::asin, "(y[0])/(sqrt(([1, 1])-(sqr(x[0]))))"},
        {nodeKind::acos, "(-(y[0]))/(sqrt(([1, 1])-(sqr(x[0]))))"},
    };
    for (const auto& r : rules) {
        // f(x * y) differentiated with respect to x: the inner derivative is y.
        tree t;
        const nodeId x = t.createIncidence("x", ivalDb());
        const nodeId y = t.createIncidence("y", ivalDb());
        const nodeId prod = t.createBinary(nodeKind::mul, x, y);
        const nodeId f = t.createUnary(r.kind, prod);
        t.setRoot(f);
        nodeId d = differentiate(t, t.root, t.vars[0][0]);
        simplify(t, d);
        simplify(t, d);
        // Replace the copies of x * y in the text by x for readability.
        std::string s = text(t, d);
        for (std::string::size_type p; (p = s.find("(x[0])*(y[0])")) != std::string::npos;)
            s.replace(p, 13, "x[0]");
        EXPECT_EQ(s, r.expected) << kindText(r.kind);
    }
    tree p;
    const nodeId x = p.createIncidence("x", ivalDb());
    p.setRoot(p.createPower(x, 3));
    nodeId d = differentiate(p, p.root, p.vars[0][0]);
    simplify(p, d);
    EXPECT_EQ(text(p, d), "([3, 3])*(pow(x[0],2))");
    tree q; // d/dy of x / y
    const nodeId qx = q.createIncidence("x", ivalDb());
    const nodeId qy = q.createIncidence("y", ivalDb());
    q.setRoot(q.createBinary(nodeKind::div, qx, qy));
    nodeId dq = differentiate(q, q.root, q.vars[1][0]);
    simplify(q, dq);
    simplify(q, dq);
    EXPECT_EQ(text(q, dq), "(-(x[0]))/(sqr(y[0]))");
}

TEST(Derivatives, EvaluationStopsAtFirstNonMonotonicOccurrence) {
    // f = x*y + x*z + x: the x occurrences have derivatives y, z and 1.
    tree t;
    const nodeId x0 = t.createIncidence("x", ivalDb());
    const nodeId y = t.createIncidence("y", ivalDb());
    const nodeId x1 = t.createIncidence("x", ivalDb());
    const nodeId z = t.createIncidence("z", ivalDb());
    const nodeId x2 = t.createIncidence("x", ivalDb());
    const nodeId s1 = t.createBinary(nodeKind::plus, t.createBinary(nodeKind::mul, x0, y),
                                     t.createBinary(nodeKind::mul, x1, z));
    t.setRoot(t.createBinary(nodeKind::plus, s1, x2));
    prepare(t);
    std::vector<variable> xs{variable(3, ivalDb::exact(0, 1), "x"),
                             variable(1, ivalDb::exact(-1, 2), "y"),
                             variable(1, ivalDb::exact(3, 4), "z")};
    bind(t, xs, {0, 1, 2});
    evaluateDerivatives(t, varGroup::Full);
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(0).derivative, ivalDb::exact(-1, 2)));
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(1).derivative, ivalEntire()));
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(2).derivative, ivalEntire()));
    // y's derivative is x in Der mode (proper): [0, 1].
    EXPECT_TRUE(sameBounds(xs[1].getIncidence(0).derivative, ivalDb::exact(0, 1)));

    xs[1].domain = ivalDb::exact(1, 2);
    evaluateDerivatives(t, varGroup::Full);
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(1).derivative, ivalDb::exact(3, 4)));
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(2).derivative, ivalDb(1.0)));

    // "Xi" skips variables with proper domains.
    xs[0].getIncidence(0).derivative = ivalDb::exact(7, 7);
    evaluateDerivatives(t, varGroup::Xi);
    EXPECT_TRUE(sameBounds(xs[0].getIncidence(0).derivative, ivalDb::exact(7, 7)));
}

TEST(Derivatives, NullDerivativeTreeGivesZero) {
    // x <= y: the occurrence of y sits in the right operand of the relation.
    tree t;
    const nodeId x = t.createIncidence("x", ivalDb());
    const nodeId y = t.createIncidence("y", ivalDb());
    t.setRoot(t.createBinary(nodeKind::le, x, y));
    prepare(t);
    EXPECT_EQ(t.derivTrees[1][0], noNode);
    std::vector<variable> vs{variable(1, ivalDb::exact(0, 1), "x"),
                             variable(1, ivalDb::exact(0, 1), "y")};
    bind(t, vs, {0, 1});
    evaluateDerivatives(t, varGroup::Full);
    EXPECT_TRUE(sameBounds(vs[1].getIncidence(0).derivative, ivalZero()));
    EXPECT_TRUE(sameBounds(vs[0].getIncidence(0).derivative, ivalDb(1.0)));
}

TEST(Monotony, Classification) {
    auto listed = [](auto build) {
        tree t;
        build(t);
        std::vector<nodeId> list;
        classifyMonotony(t, t.root, list);
        std::vector<std::string> out;
        for (auto n : list)
            out.emplace_back(kindText(t.at(n).kind));
        return out;
    };
    using V = std::vector<std::string>;
    EXPECT_EQ(listed([](tree& t) {
                  const nodeId s = t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb()),
                                                  t.createIncidence("y", ivalDb()));
                  t.setRoot(t.createUnary(nodeKind::sqr, s));
              }),
              V{"sqr"});
    EXPECT_EQ(listed([](tree& t) {
                  t.setRoot(t.createUnary(nodeKind::sqr, t.createIncidence("x", ivalDb())));
              }),
              V{});
    EXPECT_EQ(listed([](tree& t) {
                  t.setRoot(t.createBinary(nodeKind::mul, t.createIncidence("x", ivalDb()),
                                           t.createIncidence("y", ivalDb())));
              }),
              V{});
    EXPECT_EQ(listed([](tree& t) {
                  const nodeId s = t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb()),
                                                  t.createIncidence("y", ivalDb()));
                  t.setRoot(t.createBinary(nodeKind::mul, s, t.createIncidence("z", ivalDb())));
              }),
              V{"*"});
    // Odd powers pass the class through, even ones are listed.
    EXPECT_EQ(listed([](tree& t) {
                  const nodeId s = t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb()),
                                                  t.createIncidence("y", ivalDb()));
                  const nodeId p3 = t.createPower(s, 3);
                  t.setRoot(t.createPower(t.createUnary(nodeKind::exp, p3), 2));
              }),
              V{"pow"});
}

namespace {

// sqr(x + c) or f(x + c) for a circular f, with c a constant shift.
struct uniformFixture {
    tree t;
    std::vector<variable> vs{variable(1, ivalDb(), "x")};
    explicit uniformFixture(nodeKind k) {
        const nodeId s =
            t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb()), t.createConst(0.0));
        t.setRoot(t.createUnary(k, s));
        buildEvalLists(t);
        buildNonUniformList(t);
        bind(t, vs, {0});
    }
    bool on(double a, double b) {
        vs[0].domain = ivalDb::exact(a, b);
        return isUniformlyMonotonic(t);
    }
};

} // namespace

TEST(Monotony, UniformTestOverTheBox) {
    uniformFixture sq(nodeKind::sqr);
    ASSERT_EQ(sq.t.nonUniformList.size(), 1u);
    EXPECT_FALSE(sq.on(-1, 2));
    EXPECT_TRUE(sq.on(0, 2));

    uniformFixture c(nodeKind::cos);
    EXPECT_TRUE(c.on(0.5, 2.5));
    EXPECT_FALSE(c.on(3, 4)); // holds the minimum at pi
    EXPECT_FALSE(c.on(0, 4)); // wider than pi
    EXPECT_TRUE(c.on(3.5, 6));

    uniformFixture s(nodeKind::sin);
    EXPECT_TRUE(s.on(-1, 1));
    EXPECT_FALSE(s.on(1, 2)); // maximum at pi/2

    uniformFixture tn(nodeKind::tan);
    EXPECT_TRUE(tn.on(-0.5, 0.5));
    EXPECT_FALSE(tn.on(1, 2)); // pole at pi/2

    tree empty;
    EXPECT_TRUE(isUniformlyMonotonic(empty));
    markUniform(empty);
    EXPECT_TRUE(empty.uniformKnown);
    markUniform(sq.t);
    EXPECT_FALSE(sq.t.uniformKnown);
    sq.t.groupEmpty = true;
    markUniform(sq.t);
    EXPECT_TRUE(sq.t.uniformKnown);
}

TEST(Monotony, ProductSignTest) {
    tree t;
    const nodeId s = t.createBinary(nodeKind::plus, t.createIncidence("x", ivalDb()),
                                    t.createIncidence("y", ivalDb()));
    t.setRoot(t.createBinary(nodeKind::mul, s, t.createIncidence("z", ivalDb())));
    buildEvalLists(t);
    buildNonUniformList(t);
    std::vector<variable> vs{variable(1, ivalDb::exact(1, 2), "x"),
                             variable(1, ivalDb::exact(1, 2), "y"),
                             variable(1, ivalDb::exact(1, 2), "z")};
    bind(t, vs, {0, 1, 2});
    EXPECT_TRUE(isUniformlyMonotonic(t));
    vs[2].domain = ivalDb::exact(-2, -1);
    EXPECT_FALSE(isUniformlyMonotonic(t));
    vs[2].domain = ivalDb::exact(-1, 1);
    EXPECT_FALSE(isUniformlyMonotonic(t));
}

TEST(Derivatives, CopiedTreeKeepsItsOwnDerivatives) {
    tree t;
    const nodeId a = t.createIncidence("x", ivalDb());
    const nodeId b = t.createIncidence("x", ivalDb());
    t.setRoot(t.createBinary(nodeKind::mul, a, b));
    prepare(t);
    tree copy = t;
    std::vector<variable> v1{variable(2, ivalDb::exact(1, 2), "x")};
    std::vector<variable> v2{variable(2, ivalDb::exact(3, 4), "x")};
    bind(t, v1, {0});
    bind(copy, v2, {0});
    evaluateDerivatives(t, varGroup::Full);
    evaluateDerivatives(copy, varGroup::Full);
    EXPECT_TRUE(sameBounds(v1[0].getIncidence(0).derivative, ivalDb::exact(1, 2)));
    EXPECT_TRUE(sameBounds(v2[0].getIncidence(0).derivative, ivalDb::exact(3, 4)));
}
