#include <deque>
#include <list>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "solver/model/box.h"
#include "solver/model/tree.h"
#include "solver/model/variable.h"

using namespace modal;

TEST(Variable, SingleIncidenceFlagAndCopyStartsFresh) {
    variable one(1, ivalDb::exact(1, 2), "x");
    variable two(2, ivalDb::exact(1, 2), "y");
    EXPECT_TRUE(one.singleIncidence);
    EXPECT_FALSE(two.singleIncidence);

    two.getIncidence(0).derivative = ivalDb::exact(1, 3);
    two.getIncidence(0).sign = 1;
    two.globalSign = -1;
    variable copy(two);
    EXPECT_EQ(copy.incidenceCount(), 2);
    EXPECT_EQ(copy.globalSign, -1);
    EXPECT_FALSE(copy.singleIncidence);
    EXPECT_TRUE(sameBounds(copy.getIncidence(0).derivative, ivalEntire()));
    EXPECT_EQ(copy.getIncidence(0).sign, 0);

    // Assignment keeps the target's existing records and adds fresh ones.
    variable target(1, ivalDb(), "t");
    target.getIncidence(0).sign = -1;
    target = two;
    EXPECT_EQ(target.incidenceCount(), 2);
    EXPECT_EQ(target.getIncidence(0).sign, -1);
    EXPECT_EQ(target.getIncidence(1).sign, 0);
    EXPECT_EQ(target.name, "y");
}

TEST(Variable, SignRule) {
    EXPECT_EQ(signOf(ivalDb::exact(0, 3)), 1);
    EXPECT_EQ(signOf(ivalDb::exact(-3, 0)), -1);
    EXPECT_EQ(signOf(ivalDb::exact(-1, 2)), 0);
    EXPECT_EQ(signOf(ivalNaN()), 0);
    EXPECT_EQ(signOf(ivalDb::exact(2, -1)), 1);
}

TEST(Variable, TotalMonotonicityNeedsGlobalSign) {
    variable v(2, ivalDb::exact(0, 1), "x");
    v.getIncidence(0).derivative = ivalDb::exact(1, 2);
    v.getIncidence(1).derivative = ivalDb::exact(-2, -1);
    v.globalDerivative = ivalDb::exact(-1, 1);
    v.refreshMonotony();
    EXPECT_EQ(v.globalSign, 0);
    EXPECT_FALSE(v.totalMono);
    v.globalDerivative = ivalDb::exact(0.5, 1);
    v.refreshMonotony();
    EXPECT_TRUE(v.totalMono);
    EXPECT_EQ(v.getIncidence(1).sign, -1);
}

// Leaves read the variable they are bound to, whatever containers the
// variables went through before: growth, copies and moves never leave a
// reference into an old object.
TEST(Variable, BoundLeavesFollowContainerGrowthAndCopies) {
    tree t;
    const nodeId x = t.createIncidence("x", ivalDb());
    t.setRoot(x);
    t.evalList.clear();
    buildEvalList(t, t.root, t.evalList);

    std::vector<variable> vec;
    for (int i = 0; i < 50; ++i)
        vec.emplace_back(1, ivalDb::exact(i, i + 1), "x");
    std::deque<variable> dq(vec.begin(), vec.end());
    std::list<variable> ls(dq.begin(), dq.end());
    std::vector<variable> back(ls.begin(), ls.end());
    back.insert(back.begin(), variable(1, ivalDb::exact(-7, -6), "x"));

    std::vector<variable> group{back[0]};
    bind(t, group, {0});
    EXPECT_TRUE(sameBounds(evaluateTree(t, evalMode::Prop, {.point = pointChoice::previous}),
                           ivalDb::exact(-7, -6)));
    group.reserve(1000); // move into a new buffer, then rebind
    group.push_back(back[30]);
    bind(t, group, {0});
    EXPECT_TRUE(sameBounds(evaluateTree(t, evalMode::Prop, {.point = pointChoice::previous}),
                           ivalDb::exact(-7, -6)));
    EXPECT_TRUE(sameBounds(back[30].domain, ivalDb::exact(29, 30)));

    // A copied tree starts unbound: it never reads the source's variables.
    tree copy = t;
    EXPECT_FALSE(copy.incidenceSlots[0].bound());
    std::vector<variable> other{variable(1, ivalDb::exact(5, 6), "x")};
    bind(copy, other, {0});
    EXPECT_TRUE(sameBounds(evaluateTree(copy, evalMode::Prop, {.point = pointChoice::previous}),
                           ivalDb::exact(5, 6)));
    EXPECT_TRUE(sameBounds(evaluateTree(t, evalMode::Prop, {.point = pointChoice::previous}),
                           ivalDb::exact(-7, -6)));
}

TEST(Box, PrintAndPlotIndices) {
    box empty;
    std::ostringstream os;
    empty.print(os);
    EXPECT_EQ(os.str(), "\nBox:");
    box b(2);
    EXPECT_EQ(b.size(), 2);
    EXPECT_EQ(b.getPlotX(), 0);
    EXPECT_EQ(b.getPlotY(), 1);
    b[0] = variable(0, ivalDb::exact(1, 2), "x");
    b[0].domain = ivalDb::exact(1, 2);
    b[1] = variable(0, ivalDb::exact(3, -1), "y");
    b[1].domain = ivalDb::exact(3, -1);
    b.setPlotY(0);
    box c = b;
    std::ostringstream os2;
    os2 << c;
    EXPECT_EQ(os2.str(), "\nBox:\nx=[1, 2]\ny=[3, -1]");
    EXPECT_EQ(c.getPlotY(), 0);
}
