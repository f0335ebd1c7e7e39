#include <cmath>
#include <limits>
#include <sstream>

#include "interval/ivalDb.h"
#include "test_support.h"

namespace modal {
namespace {

using test::boundsAre;
using test::I;

const double inf = kInf;
const double nan = kNaN;

TEST(NextUpDown, MatchesNextafterOnEveryKindOfDouble) {
    const double dmin = std::numeric_limits<double>::denorm_min();
    const double nmin = std::numeric_limits<double>::min();
    const double dmax = std::numeric_limits<double>::max();
    const double values[] = {0.0, -0.0, dmin,  -dmin, nmin,  -nmin, nmin - dmin, 1.0, -1.0,
                             0.1, -0.1, 1e300, dmax,  -dmax, inf,   -inf,        3.0, -1e-310};
    for (double x : values) {
        EXPECT_EQ(nextUp(x), std::nextafter(x, inf)) << x;
        EXPECT_EQ(nextDown(x), std::nextafter(x, -inf)) << x;
        EXPECT_EQ(std::signbit(nextUp(x)), std::signbit(std::nextafter(x, inf))) << x;
        EXPECT_EQ(std::signbit(nextDown(x)), std::signbit(std::nextafter(x, -inf))) << x;
    }
    EXPECT_TRUE(std::isnan(nextUp(nan)));
    EXPECT_TRUE(std::isnan(nextDown(nan)));
}

TEST(NextUpDown, RepeatedSteps) {
    EXPECT_EQ(nextUpN(1.0, 2), std::nextafter(std::nextafter(1.0, 2.0), 2.0));
    EXPECT_EQ(nextDownN(1.0, 3), nextDown(nextDown(nextDown(1.0))));
    EXPECT_EQ(nextUpN(1.0, 0), 1.0);
    EXPECT_EQ(nextDownN(1.0, -4), 1.0);
}

TEST(TruncToInt, InfinitiesAndTruncationTowardZero) {
    EXPECT_EQ(truncToInt(2.7), 2.0);
    EXPECT_EQ(truncToInt(-2.7), -2.0);
    EXPECT_EQ(truncToInt(inf), inf);
    EXPECT_EQ(truncToInt(-inf), -inf);
    EXPECT_TRUE(isInfinite(-inf));
    EXPECT_TRUE(isPlusInf(inf));
    EXPECT_FALSE(isInfinite(1e308));
}

TEST(Construction, RoundsNonZeroFiniteBoundsOutward) {
    EXPECT_TRUE(boundsAre(ivalDb(), -inf, inf));
    EXPECT_TRUE(boundsAre(ivalDb(0.0), 0.0, 0.0));
    EXPECT_TRUE(boundsAre(ivalDb(1.0), 1.0 - 0x1p-53, 1.0 + 0x1p-52));
    EXPECT_TRUE(boundsAre(ivalDb(inf), inf, inf));
    EXPECT_TRUE(boundsAre(ivalDb(nan), nan, nan));
    EXPECT_TRUE(boundsAre(ivalDb(2.0, 1.0), nextDown(2.0), nextUp(1.0)));
    EXPECT_TRUE(boundsAre(ivalDb(0.0, -inf), 0.0, -inf));
    ivalDb x;
    x.setBounds(3.0, 1.0);
    EXPECT_TRUE(boundsAre(x, 3.0, 1.0));
    x.setInf(-1.0);
    x.setSup(5.0);
    EXPECT_TRUE(boundsAre(x, -1.0, 5.0));
}

TEST(Measures, WidthAndMidOfBothModalities) {
    EXPECT_EQ(I(3, 1).width(), 2.0);
    EXPECT_EQ(I(3, 1).mid(), 2.0);
    EXPECT_EQ(I(1, 4).width(), 3.0);
    EXPECT_EQ(I(-1e308, 1e308).mid(), 0.0);
    // the extended midpoint does not overflow where the double sum would
    EXPECT_EQ(static_cast<double>(I(1.5e308, 1.7e308).midExt()), 1.6e308);
}

TEST(ModalOperations, DualPropImprNegation) {
    EXPECT_TRUE(boundsAre(dual(I(1, 2)), 2, 1));
    EXPECT_TRUE(boundsAre(prop(I(3, 1)), 1, 3));
    EXPECT_TRUE(boundsAre(impr(I(1, 3)), 3, 1));
    EXPECT_TRUE(boundsAre(prop(I(2, 2)), 2, 2));
    EXPECT_TRUE(boundsAre(impr(I(2, 2)), 2, 2));
    EXPECT_TRUE(boundsAre(-I(1, 2), -2, -1));
    ivalDb x = I(1, 2);
    x.swapBounds();
    EXPECT_TRUE(boundsAre(x, 2, 1));
    x.makeProper();
    EXPECT_TRUE(boundsAre(x, 1, 2));
    x.makeImproper();
    EXPECT_TRUE(boundsAre(x, 2, 1));
}

TEST(Tests, PredicatesOnBothModalities) {
    EXPECT_TRUE(isProper(I(1, 2)));
    EXPECT_FALSE(isProper(I(2, 1)));
    EXPECT_TRUE(isProper(I(nan, 1)));
    EXPECT_TRUE(isProper(I(2, 2)) && isImproper(I(2, 2)));
    EXPECT_TRUE(isZero(I(0, 0)));
    EXPECT_FALSE(isZero(I(0, 1)));
    EXPECT_TRUE(isThick(I(0, 1)));
    EXPECT_FALSE(isThick(I(1, 1)));
    EXPECT_FALSE(isThick(I(nan, 1)));
    EXPECT_TRUE(isInterior(I(1, 2), I(0, 3)));
    EXPECT_FALSE(isInterior(I(0, 2), I(0, 3)));
    EXPECT_TRUE(isInterior(I(1, -1), ivalZero())); // 0 strictly inside dual([1, -1])
    EXPECT_TRUE(isInterior(ivalZero(), I(-1, 1)));
    EXPECT_TRUE(lessEq(I(1, 2), I(1, 3)));
    EXPECT_FALSE(lessEq(I(1, 4), I(1, 3)));
    EXPECT_TRUE(greaterEq(I(2, 3), I(1, 3)));
    EXPECT_TRUE(isAbove(I(3, 4), I(1, 2)));
    EXPECT_FALSE(isAbove(I(2, 4), I(1, 2)));
    EXPECT_TRUE(intersects(I(1, 3), I(2, 5)));
    EXPECT_FALSE(intersects(I(1, 2), I(3, 4)));
}

TEST(Lattice, MeetJoinAndNaNTolerance) {
    EXPECT_TRUE(boundsAre(meet(I(1, 3), I(2, 5)), 2, 3));
    EXPECT_TRUE(boundsAre(meet(I(1, 2), I(3, 4)), 3, 2));
    EXPECT_TRUE(boundsAre(join(I(1, 3), I(2, 5)), 1, 5));
    EXPECT_TRUE(boundsAre(join(I(3, 1), I(2, 2)), 2, 2));
    EXPECT_TRUE(boundsAre(meet(ivalNaN(), I(1, 2)), 1, 2));
    EXPECT_TRUE(boundsAre(join(I(1, 2), ivalNaN()), 1, 2));
    EXPECT_TRUE(boundsAre(join(I(nan, 5), I(1, 2)), 1, 5));
    EXPECT_TRUE(boundsAre(meet(ivalNaN(), ivalNaN()), nan, nan));
    // equal bounds of different signs: the first operand's bound is kept
    EXPECT_TRUE(std::signbit(meet(I(-0.0, 1), I(0.0, 1)).inf()));
    EXPECT_TRUE(std::signbit(join(I(-0.0, 1), I(0.0, 1)).inf()));
}

TEST(AddSub, RoundingAndExactZeros) {
    EXPECT_TRUE(boundsAre(I(1, 2) + I(3, 4), nextDown(4), nextUp(6)));
    EXPECT_TRUE(boundsAre(I(0, 1) + I(0, 1), 0, nextUp(2)));
    EXPECT_TRUE(boundsAre(I(1, 2) - I(1, 2), nextDown(-1), nextUp(1)));
    EXPECT_TRUE(boundsAre(I(1, 2) - I(2, 1), 0, 0));
    EXPECT_TRUE(boundsAre(I(2, 1) + I(1, 2), nextDown(3), nextUp(3)));
    EXPECT_TRUE(boundsAre(I(1, inf) + I(1, 2), nextDown(2), inf));
    EXPECT_TRUE(boundsAre(I(-inf, 0) + I(inf, 1), nan, nextUp(1)));
    EXPECT_TRUE(boundsAre(ivalNaN() - I(1, 2), nan, nan));
}

// Every cell of the multiplication table, with operands whose products are
// all distinct so that a wrong cell cannot pass by accident.
struct MulCase {
    ivalDb x, y;
    double lo, hi;
};

TEST(Multiplication, EveryCellOfTheKaucherTable) {
    const ivalDb P = I(2, 3), dZ = I(5, -7), Z = I(-11, 13), N = I(-17, -19);
    // P = [a1, a2] = [2, 3], dZ = [5, -7], Z = [-11, 13], N = [-17, -19]
    const MulCase cases[] = {
        {P, P, 2. * 2, 3. * 3},
        {P, dZ, 2. * 5, 2. * -7},
        {P, Z, 3. * -11, 3. * 13},
        {P, N, 3. * -17, 2. * -19},
        {dZ, P, 5. * 2, -7. * 2},
        {dZ, dZ, std::max(5. * 5, -7. * -7), std::min(5. * -7, -7. * 5)},
        {dZ, Z, 0, 0},
        {dZ, N, -7. * -19, 5. * -19},
        {Z, P, -11. * 3, 13. * 3},
        {Z, dZ, 0, 0},
        {Z, Z, std::min(-11. * 13, 13. * -11), std::max(-11. * -11, 13. * 13)},
        {Z, N, 13. * -17, -11. * -17},
        {N, P, -17. * 3, -19. * 2},
        {N, dZ, -19. * -7, -19. * 5},
        {N, Z, -17. * 13, -17. * -11},
        {N, N, -19. * -19, -17. * -17},
    };
    for (const auto& c : cases) {
        ivalDb expected(c.lo, c.hi);
        EXPECT_TRUE(boundsAre(c.x * c.y, expected.inf(), expected.sup())) << c.x << " * " << c.y;
    }
}

TEST(Multiplication, UndefinedAndModalCases) {
    EXPECT_TRUE(boundsAre(I(2, 1) * I(1, 2), nextDown(2), nextUp(2)));
    EXPECT_TRUE(boundsAre(I(1, -1) * I(-1, 1), 0, 0));
    EXPECT_TRUE(boundsAre(I(-1, 2) * I(3, inf), nan, nan));
    EXPECT_TRUE(boundsAre(I(3, inf) * I(0, 0), nan, nan));
    EXPECT_TRUE(boundsAre(I(2, 0) * I(1, inf), nan, nan)); // zero in the dual modality
    EXPECT_TRUE(boundsAre(I(1, 2) * I(3, inf), nextDown(3), inf));
    EXPECT_TRUE(boundsAre(I(1, nan) * I(1, 2), nan, nan));
    EXPECT_TRUE(boundsAre(I(0, 2) * I(3, 4), 0, nextUp(8)));
}

TEST(Division, EveryCellOfTheTable) {
    const ivalDb P = I(2, 3), dZ = I(5, -7), Z = I(-11, 13), N = I(-17, -19);
    const double b = 4, c = 8; // divisor magnitudes
    struct Col {
        ivalDb y;
        double b1, b2;
    };
    const Col cols[] = {{I(b, c), b, c},     {I(b, 0), b, 0},   {I(0, c), 0, c},
                        {I(-b, -c), -b, -c}, {I(-b, 0), -b, 0}, {I(0, -c), 0, -c}};
    struct Row {
        ivalDb x;
        double a1, a2;
    };
    const Row rows[] = {{P, 2, 3}, {dZ, 5, -7}, {Z, -11, 13}, {N, -17, -19}};
    // Expected table written from the Kaucher rule, 1/0 read as the infinity
    // of the side the zero bound is approached from.
    auto expected = [&](int r, int k) -> ivalDb {
        const double a1 = rows[r].a1, a2 = rows[r].a2, b1 = cols[k].b1, b2 = cols[k].b2;
        const double table[4][6][2] = {
            {{a1 / b2, a2 / b1},
             {inf, a2 / b1},
             {a1 / b2, inf},
             {a2 / b2, a1 / b1},
             {-inf, a1 / b1},
             {a2 / b2, -inf}},
            {{a1 / b2, a2 / b2},
             {inf, -inf},
             {a1 / b2, a2 / b2},
             {a2 / b1, a1 / b1},
             {a2 / b1, a1 / b1},
             {inf, -inf}},
            {{a1 / b1, a2 / b1},
             {a1 / b1, a2 / b1},
             {-inf, inf},
             {a2 / b2, a1 / b2},
             {-inf, inf},
             {a2 / b2, a1 / b2}},
            {{a1 / b1, a2 / b2},
             {a1 / b1, -inf},
             {-inf, a2 / b2},
             {a2 / b1, a1 / b2},
             {a2 / b1, inf},
             {inf, a1 / b2}},
        };
        return ivalDb(table[r][k][0], table[r][k][1]);
    };
    for (int r = 0; r < 4; ++r)
        for (int k = 0; k < 6; ++k) {
            const ivalDb e = expected(r, k);
            EXPECT_TRUE(boundsAre(rows[r].x / cols[k].y, e.inf(), e.sup()))
                << rows[r].x << " / " << cols[k].y;
        }
}

TEST(Division, UndefinedAndSemiInfiniteResults) {
    EXPECT_TRUE(boundsAre(I(1, 2) / I(-1, 1), nan, nan));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(1, -1), nan, nan));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(0, 0), nan, nan));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(nan, 0), nan, nan));
    EXPECT_TRUE(boundsAre(I(1, inf) / I(2, inf), nan, nan));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(0, 4), nextDown(0.25), inf));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(4, 0), inf, nextUp(0.5)));
    EXPECT_TRUE(boundsAre(I(-1, 2) / I(0, 4), -inf, inf));
    EXPECT_TRUE(boundsAre(I(1, 2) / I(2, inf), 0, nextUp(1)));
}

TEST(Constants, ValuesAndRounding) {
    EXPECT_TRUE(boundsAre(ivalPi(), nextDown(3.141592653589793), nextUp(3.141592653589793)));
    EXPECT_TRUE(boundsAre(ivalHalfPi(), nextDown(1.5707963267948966), nextUp(1.5707963267948966)));
    EXPECT_TRUE(boundsAre(ivalZero(), 0, 0));
    EXPECT_TRUE(boundsAre(ivalEntire(), -inf, inf));
    EXPECT_TRUE(boundsAre(ivalDualEntire(), inf, -inf));
}

TEST(TextForm, UsesStreamSettingsAndNoLineEnd) {
    std::ostringstream os;
    os << I(1, 2) << '|' << I(-inf, inf);
    EXPECT_EQ(os.str(), "[1, 2]|[-inf, inf]");
    std::ostringstream sci;
    sci << std::scientific;
    sci.precision(2);
    sci << I(0.5, 1);
    EXPECT_EQ(sci.str(), "[5.00e-01, 1.00e+00]");
}

} // namespace
} // namespace modal
