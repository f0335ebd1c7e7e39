#include <sstream>

#include "interval/twin.h"
#include "test_support.h"

namespace modal {
namespace {

using test::boundsAre;
using test::I;

const double inf = kInf;

TEST(Twin, ConstructionFromModeStrings) {
    const twin d;
    EXPECT_TRUE(boundsAre(d.getInn(), inf, -inf));
    EXPECT_TRUE(boundsAre(d.getOut(), -inf, inf));
    EXPECT_EQ(d.getTol(), inf);
    EXPECT_TRUE(boundsAre(twin("nn").getInn(), -inf, inf));
    EXPECT_TRUE(boundsAre(twin("dd").getOut(), inf, -inf));
    EXPECT_TRUE(boundsAre(twin("nd").getInn(), -inf, inf));
    EXPECT_TRUE(boundsAre(twin("nd").getOut(), inf, -inf));
    EXPECT_TRUE(boundsAre(twin("dn").getInn(), inf, -inf));
    EXPECT_TRUE(boundsAre(twin("dn").getOut(), -inf, inf));
    for (const char* other : {"xx", "d", "ddd", ""}) {
        const twin t(other);
        EXPECT_TRUE(boundsAre(t.getInn(), -inf, inf)) << other;
        EXPECT_TRUE(boundsAre(t.getOut(), -inf, inf)) << other;
        EXPECT_EQ(t.getTol(), inf);
    }
}

TEST(Twin, DistancesAndTolerances) {
    twin t;
    t.computeTol();
    EXPECT_EQ(t.getTol(), inf);
    t.setInn(I(1, 2));
    t.computeTol();
    EXPECT_EQ(t.getTol(), inf); // out still infinite
    t.setOut(I(0, 4));
    EXPECT_EQ(t.lowerDistance(), 1.0);
    EXPECT_EQ(t.upperDistance(), 2.0);
    t.computeTol();
    EXPECT_EQ(t.getTol(), 2.0);
    t.computeLowerTol();
    EXPECT_EQ(t.getTol(), 1.0);
    t.computeUpperTol();
    EXPECT_EQ(t.getTol(), 2.0);
    EXPECT_TRUE(boundsAre(t.minTwin(), 0, 1));
    EXPECT_TRUE(boundsAre(t.maxTwin(), 2, 4));
    EXPECT_FALSE(t.hasInfiniteBound());
    t.setOut(I(0, kNaN)); // a NaN bound counts as infinite
    EXPECT_TRUE(t.hasInfiniteBound());
    EXPECT_EQ(t.upperDistance(), inf);
    EXPECT_EQ(t.lowerDistance(), 1.0);
}

TEST(Twin, PrintForms) {
    twin t;
    t.setInn(I(1, 2));
    t.setOut(I(0, 4));
    t.computeTol();
    std::ostringstream a;
    a << t;
    EXPECT_EQ(a.str(), "Twin:: Inn:[1, 2]\n       Out:[0, 4]\nTol:2\n");
    std::ostringstream b;
    t.print(b, 1);
    EXPECT_EQ(b.str(), "Twin: Inn:[1, 2]\n      Out:[0, 4]\nTol:2\n");
    std::ostringstream c;
    t.print(c, 0);
    t.print(c, -3);
    EXPECT_EQ(c.str(), "");
}

} // namespace
} // namespace modal
