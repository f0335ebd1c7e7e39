#include <cmath>
#include <limits>

#include "interval/functions.h"
#include "test_support.h"

namespace modal {
namespace {

using test::boundsAre;
using test::I;

const double inf = kInf;
const double nan = kNaN;

TEST(Sqrt, ProperImproperAndNegativeBounds) {
    EXPECT_TRUE(boundsAre(sqrt(I(1, 4)), nextDown(1), nextUp(2)));
    EXPECT_TRUE(boundsAre(sqrt(I(4, 1)), 2, 1));
    EXPECT_TRUE(boundsAre(sqrt(I(-1, 4)), nan, nextUp(2)));
    EXPECT_TRUE(boundsAre(sqrt(I(0, inf)), 0, inf));
}

TEST(Pow, SignCasesOfTheBounds) {
    EXPECT_TRUE(boundsAre(pow(I(-2, 3), 2), 0, nextUp(9)));
    EXPECT_TRUE(boundsAre(pow(I(-2, 3), 3), nextDown(-8), nextUp(27)));
    EXPECT_TRUE(boundsAre(pow(I(-3, -2), 2), nextDown(4), nextUp(9)));
    EXPECT_TRUE(boundsAre(pow(I(-1, 2), 0), 1, 1));
    EXPECT_TRUE(boundsAre(pow(I(3, -2), 2), 9, 0)); // improper: dual of [0, 9], exact
    EXPECT_TRUE(boundsAre(sqr(I(-3, -2)), nextDown(4), nextUp(9)));
}

TEST(Pow, NegativeExponentEnclosesTheReciprocalPower) {
    // x^-1 over [1, 2] is [0.5, 1]
    const ivalDb r = pow(I(1, 2), -1);
    EXPECT_LE(r.inf(), 0.5);
    EXPECT_GE(r.sup(), 1.0);
    EXPECT_LT(r.inf(), r.sup());
    EXPECT_GT(r.inf(), 0.49);
    EXPECT_LT(r.sup(), 1.01);
    // x^-2 over [-2, -1] is [0.25, 1]
    const ivalDb s = pow(I(-2, -1), -2);
    EXPECT_LE(s.inf(), 0.25);
    EXPECT_GE(s.sup(), 1.0);
    EXPECT_GT(s.inf(), 0.24);
    // x^-2 over [-1, 2]: [0.25, +inf); x^-1 over [-1, 2] is unbounded on both sides
    const ivalDb t = pow(I(-1, 2), -2);
    EXPECT_LE(t.inf(), 0.25);
    EXPECT_EQ(t.sup(), inf);
    EXPECT_TRUE(std::isnan(pow(I(-1, 2), -1).inf()));
    // x^-1 over [0, 2] is [0.5, +inf)
    EXPECT_EQ(pow(I(0, 2), -1).sup(), inf);
    // improper argument: outward in the modal order, around the range [1, 0.5]
    const ivalDb d = pow(I(2, 1), -1);
    EXPECT_TRUE(d.inf() <= 1.0 && d.sup() >= 0.5 && d.inf() > d.sup()) << d;
}

TEST(ExpLog, BoundsAndDomainEdges) {
    EXPECT_TRUE(boundsAre(exp(I(0, 1)), nextDown(1), nextUp(std::exp(1.0))));
    EXPECT_TRUE(boundsAre(exp(I(-inf, 0)), 0, nextUp(1)));
    EXPECT_TRUE(boundsAre(log(I(0, 1)), -inf, 0));
    EXPECT_TRUE(boundsAre(log(I(-1, 1)), nan, 0));
    EXPECT_TRUE(boundsAre(log(I(1, inf)), 0, inf));
    EXPECT_TRUE(boundsAre(log(I(std::exp(1.0), 1)), nextDown(std::log(std::exp(1.0))), 0));
}

TEST(Cos, HalfPeriodCases) {
    EXPECT_TRUE(boundsAre(cos(I(3, 4)), -1, nextUp(std::cos(4.0))));
    EXPECT_TRUE(boundsAre(cos(I(0, 7)), -1, 1));
    EXPECT_TRUE(boundsAre(cos(I(0, 0)), nextDown(1), nextUp(1)));
    EXPECT_TRUE(boundsAre(cos(I(1, 2)), nextDown(std::cos(2.0)), nextUp(std::cos(1.0))));
    // [-1, 1] holds the maximum at 0: k1 = -1, k2 = 0 (even)
    EXPECT_TRUE(boundsAre(cos(I(-1, 1)), nextDown(std::cos(1.0)), 1));
    EXPECT_TRUE(boundsAre(cos(I(0, inf)), -1, 1));
    EXPECT_TRUE(boundsAre(cos(I(4, 3)), nextDown(std::cos(4.0)), -1));
}

TEST(Sin, ShiftedCosine) {
    const ivalDb s = sin(I(0, 1));
    EXPECT_LE(s.inf(), 0.0);
    EXPECT_GE(s.sup(), std::sin(1.0));
    EXPECT_LT(s.sup(), std::sin(1.0) + 1e-12);
    EXPECT_GT(s.inf(), -1e-12);
    const ivalDb top = sin(I(1, 2)); // holds pi/2
    EXPECT_EQ(top.sup(), 1.0);
    EXPECT_LE(top.inf(), std::sin(1.0));
}

TEST(Tan, PolesAndBranches) {
    EXPECT_TRUE(boundsAre(tan(I(1, 2)), -inf, inf));
    EXPECT_TRUE(boundsAre(tan(I(-0.5, 0.5)), nextDown(std::tan(-0.5)), nextUp(std::tan(0.5))));
    EXPECT_TRUE(boundsAre(tan(I(0, 7)), -inf, inf));
    EXPECT_TRUE(boundsAre(tan(I(0.1, 0.2)), nextDown(std::tan(0.1)), nextUp(std::tan(0.2))));
}

TEST(InverseTrig, MonotoneRulesAndDomain) {
    EXPECT_TRUE(boundsAre(acos(I(0, 1)), 0, nextUp(std::acos(0.0))));
    EXPECT_TRUE(boundsAre(asin(I(0, 1)), 0, nextUp(std::asin(1.0))));
    EXPECT_TRUE(std::isnan(asin(I(0, 2)).sup()));
    EXPECT_TRUE(std::isnan(acos(I(-2, 0)).sup()));
    EXPECT_TRUE(boundsAre(atan(I(-inf, inf)), nextDown(-std::atan(inf)), nextUp(std::atan(inf))));
    EXPECT_TRUE(boundsAre(atan(I(1, 0)), nextDown(std::atan(1.0)), 0));
}

TEST(AbsCosh, EvenFunctionsReachTheirMinimumExactlyInsideAndDualiseImproperArguments) {
    EXPECT_TRUE(boundsAre(abs(I(-3, 2)), 0, 3));
    EXPECT_TRUE(boundsAre(abs(I(-3, -2)), 2, 3));
    EXPECT_TRUE(boundsAre(abs(I(2, -3)), 3, 0)); // improper: dual of [0, 3], exact
    EXPECT_TRUE(boundsAre(abs(I(-inf, 1)), 0, inf));
    EXPECT_TRUE(isNaN(abs(I(nan, 1))));
    const ivalDb c = cosh(I(-1, 2));
    EXPECT_EQ(c.inf(), 1.0);
    EXPECT_GE(c.sup(), std::cosh(2.0));
    EXPECT_LT(c.sup(), std::cosh(2.0) * (1 + 1e-14));
    EXPECT_TRUE(boundsAre(cosh(I(0, 0)), 1, nextUp(1)));
    // Improper, holding zero: the bottom 1 exact, the top rounded inward.
    const ivalDb d = cosh(I(2, -1));
    EXPECT_LE(d.inf(), std::cosh(2.0));
    EXPECT_EQ(d.sup(), 1.0);
    // Beyond the doubles the exact value is finite: the lowest outer bound is
    // the largest double, and no inner bound is claimed.
    EXPECT_EQ(cosh(I(800, 801)).inf(), std::numeric_limits<double>::max());
    EXPECT_TRUE(hasNaN(cosh(I(801, 800))));
}

TEST(SinhTanh, IncreasingWithExactZerosAndBoundedTanh) {
    EXPECT_TRUE(boundsAre(sinh(I(0, 0)), 0, 0));
    const ivalDb s = sinh(I(-1, 2));
    EXPECT_LE(s.inf(), std::sinh(-1.0));
    EXPECT_GE(s.sup(), std::sinh(2.0));
    EXPECT_TRUE(boundsAre(sinh(I(-inf, inf)), -inf, inf));
    EXPECT_TRUE(boundsAre(tanh(I(-inf, inf)), -1, 1));
    // The library's tanh(30) is 1; the outer bound stays at 1.
    EXPECT_TRUE(boundsAre(tanh(I(30, 40)), nextDownN(1.0, 6), 1));
    const ivalDb t = tanh(I(2, 1)); // improper: inward on [1, 2], dualised
    EXPECT_TRUE(t.inf() <= std::tanh(2.0) && t.sup() >= std::tanh(1.0) && t.inf() > t.sup()) << t;
}

TEST(MinMax, BoundByBoundInEveryModality) {
    EXPECT_TRUE(boundsAre(min(I(0, 3), I(1, 2)), 0, 2));
    EXPECT_TRUE(boundsAre(max(I(0, 3), I(1, 2)), 1, 3));
    EXPECT_TRUE(boundsAre(max(I(3, 0), I(1, 2)), 3, 2));
    EXPECT_TRUE(boundsAre(min(I(-inf, 1), I(2, 5)), -inf, 1));
    EXPECT_TRUE(boundsAre(max(I(nan, 1), I(2, 5)), nan, 5));
}

TEST(SignStep, LevelsOfTheBoundsAndNoValueBetweenLevelsInward) {
    EXPECT_TRUE(boundsAre(sign(I(-2, 3)), -1, 1));
    EXPECT_TRUE(boundsAre(sign(I(0, 3)), 0, 1));
    EXPECT_TRUE(boundsAre(sign(I(0, 0)), 0, 0));
    EXPECT_TRUE(boundsAre(step(I(-2, 0)), 0, 0.5));
    EXPECT_TRUE(boundsAre(step(I(1, 3)), 1, 1));
    EXPECT_TRUE(boundsAre(sign(I(3, 1)), 1, 1));
    EXPECT_TRUE(isNaN(sign(I(3, -1))));
    EXPECT_TRUE(isNaN(step(I(0, -1))));
}

} // namespace
} // namespace modal
