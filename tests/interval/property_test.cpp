// Randomised enclosure checks: every computed bound must lie on the outer side
// of the exact bound (computed in long double from the same case rule), proper
// results must contain the function at sampled points, and NaN must appear
// only where the operations define it.
#include <cmath>
#include <limits>
#include <random>

#include "interval/functions.h"
#include "test_support.h"

namespace modal {
namespace {

using LD = long double;
const double inf = kInf;

class Sampler {
public:
    explicit Sampler(unsigned seed) : rng_(seed) {}

    double number() {
        const double dmin = std::numeric_limits<double>::denorm_min();
        switch (pick(10)) {
        case 0:
            return 0.0;
        case 1:
            return pick(2) ? inf : -inf;
        case 2:
            return sign() * dmin * static_cast<double>(1 + pick(1000)); // subnormal
        case 3:
            return sign() * std::ldexp(unit(), -1000 - static_cast<int>(pick(20)));
        case 4:
            return sign() * std::ldexp(unit(), 1000 + static_cast<int>(pick(23)));
        case 5:
            return sign() * static_cast<double>(pick(5));
        default:
            return sign() * std::ldexp(unit(), static_cast<int>(pick(40)) - 20);
        }
    }
    double finite(double scale) { return (2.0 * unit() - 1.0) * scale; }
    ivalDb interval() { return ivalDb::exact(number(), number()); }
    double unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
    unsigned pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(rng_); }

private:
    double sign() { return pick(2) ? 1.0 : -1.0; }
    std::mt19937_64 rng_;
};

bool hasInf(const ivalDb& x) {
    return std::isinf(x.inf()) || std::isinf(x.sup());
}

// The exact result as a pair of long doubles; nan == true where undefined.
struct Exact {
    LD lo, hi;
    bool nan = false;
    bool skip = false;
};

::testing::AssertionResult encloses(const ivalDb& r, const Exact& e) {
    if (e.skip) return ::testing::AssertionSuccess();
    if (e.nan) {
        if (isNaN(r)) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "expected NaN, got " << r;
    }
    if (hasNaN(r)) return ::testing::AssertionFailure() << "unexpected NaN " << r;
    if (static_cast<LD>(r.inf()) <= e.lo && static_cast<LD>(r.sup()) >= e.hi)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << std::hexfloat << "computed " << r << " exact [" << e.lo << ", " << e.hi << "]";
}

int signClass(LD a1, LD a2) {
    return a1 >= 0 ? (a2 >= 0 ? 0 : 1) : (a2 >= 0 ? 2 : 3);
}

Exact exactProduct(const ivalDb& x, const ivalDb& y) {
    const LD a1 = x.inf(), a2 = x.sup(), b1 = y.inf(), b2 = y.sup();
    auto zeroIn = [](LD p, LD q) { return (p <= 0 && q >= 0) || (p >= 0 && q <= 0); };
    if ((zeroIn(a1, a2) && hasInf(y)) || (zeroIn(b1, b2) && hasInf(x))) return {0, 0, true};
    switch (signClass(a1, a2) * 4 + signClass(b1, b2)) {
    case 0:
        return {a1 * b1, a2 * b2};
    case 1:
        return {a1 * b1, a1 * b2};
    case 2:
        return {a2 * b1, a2 * b2};
    case 3:
        return {a2 * b1, a1 * b2};
    case 4:
        return {a1 * b1, a2 * b1};
    case 5:
        return {std::max(a1 * b1, a2 * b2), std::min(a1 * b2, a2 * b1)};
    case 6:
        return {0, 0};
    case 7:
        return {a2 * b2, a1 * b2};
    case 8:
        return {a1 * b2, a2 * b2};
    case 9:
        return {0, 0};
    case 10:
        return {std::min(a1 * b2, a2 * b1), std::max(a1 * b1, a2 * b2)};
    case 11:
        return {a2 * b1, a1 * b1};
    case 12:
        return {a1 * b2, a2 * b1};
    case 13:
        return {a2 * b2, a2 * b1};
    case 14:
        return {a1 * b2, a1 * b1};
    default:
        return {a2 * b2, a1 * b1};
    }
}

// X * [r1, r2] for a one-signed [r1, r2] (the reciprocal of a divisor).
template <class Prod> Exact kaucherTimes(LD a1, LD a2, LD r1, LD r2, Prod prod) {
    // the reciprocal's class comes from the divisor's sign, also for a zero
    // reciprocal of an infinite bound
    const int rClass = std::signbit(r1) ? (std::signbit(r2) ? 3 : 2) : (std::signbit(r2) ? 1 : 0);
    switch (signClass(a1, a2) * 4 + rClass) {
    case 0:
        return {prod(a1, r1), prod(a2, r2)};
    case 1:
        return {prod(a1, r1), prod(a1, r2)};
    case 3:
        return {prod(a2, r1), prod(a1, r2)};
    case 4:
        return {prod(a1, r1), prod(a2, r1)};
    case 5:
        return {std::max(prod(a1, r1), prod(a2, r2)), std::min(prod(a1, r2), prod(a2, r1))};
    case 7:
        return {prod(a2, r2), prod(a1, r2)};
    case 8:
        return {prod(a1, r2), prod(a2, r2)};
    case 11:
        return {prod(a2, r1), prod(a1, r1)};
    case 12:
        return {prod(a1, r2), prod(a2, r1)};
    case 13:
        return {prod(a2, r2), prod(a2, r1)};
    case 15:
        return {prod(a2, r2), prod(a1, r1)};
    default:
        ADD_FAILURE() << "unexpected reciprocal class";
        return {0, 0, true};
    }
}

// Division as the Kaucher product with [1/b2, 1/b1], 1/0 read as the
// infinity of the side the zero bound is approached from.
Exact exactQuotient(const ivalDb& x, const ivalDb& y) {
    const LD b1 = y.inf(), b2 = y.sup();
    if ((hasInf(x) && hasInf(y)) || (b1 < 0 && b2 > 0) || (b1 > 0 && b2 < 0) ||
        (b1 == 0 && b2 == 0))
        return {0, 0, true};
    const LD r1 = b2 == 0 ? (b1 > 0 ? inf : -inf) : 1 / b2;
    const LD r2 = b1 == 0 ? (b2 > 0 ? inf : -inf) : 1 / b1;
    // 0 x inf has no limit: such quotients are left to the table test.
    bool undetermined = false;
    auto prod = [&](LD a, LD r) -> LD {
        if (a == 0 || r == 0) {
            if (std::isinf(a) || std::isinf(r)) undetermined = true;
            return 0;
        }
        return a * r;
    };
    Exact e = kaucherTimes(x.inf(), x.sup(), r1, r2, prod);
    e.skip = undetermined;
    return e;
}

TEST(Property, ArithmeticBoundsAreOutward) {
    Sampler s(12345);
    for (int i = 0; i < 200000; ++i) {
        const ivalDb x = s.interval(), y = s.interval();
        const LD a1 = x.inf(), a2 = x.sup(), b1 = y.inf(), b2 = y.sup();
        auto sum = [](LD p, LD q) -> Exact {
            const LD r = p + q;
            return {r, r, std::isnan(r)};
        };
        Exact lo = sum(a1, b1), hi = sum(a2, b2);
        const ivalDb add = x + y;
        if (lo.nan) {
            EXPECT_TRUE(std::isnan(add.inf()));
        } else {
            EXPECT_LE(static_cast<LD>(add.inf()), lo.lo) << x << " + " << y;
        }
        if (hi.nan) {
            EXPECT_TRUE(std::isnan(add.sup()));
        } else {
            EXPECT_GE(static_cast<LD>(add.sup()), hi.hi) << x << " + " << y;
        }

        lo = sum(a1, -b2);
        hi = sum(a2, -b1);
        const ivalDb sub = x - y;
        if (!lo.nan) {
            EXPECT_LE(static_cast<LD>(sub.inf()), lo.lo) << x << " - " << y;
        }
        if (!hi.nan) {
            EXPECT_GE(static_cast<LD>(sub.sup()), hi.hi) << x << " - " << y;
        }

        EXPECT_TRUE(encloses(x * y, exactProduct(x, y))) << x << " * " << y;
        EXPECT_TRUE(encloses(x / y, exactQuotient(x, y))) << x << " / " << y;
        if (::testing::Test::HasFailure()) break;
    }
}

TEST(Property, ProperArithmeticContainsSampledPoints) {
    Sampler s(777);
    for (int i = 0; i < 50000; ++i) {
        const ivalDb x = prop(ivalDb::exact(s.finite(100), s.finite(100)));
        const ivalDb y = prop(ivalDb::exact(s.finite(10), s.finite(10)));
        const ivalDb add = x + y, sub = x - y, mul = x * y, div = x / y;
        for (int k = 0; k < 5; ++k) {
            const LD u = x.inf() + (x.sup() - x.inf()) * s.unit();
            const LD v = y.inf() + (y.sup() - y.inf()) * s.unit();
            EXPECT_TRUE(add.inf() <= u + v && u + v <= add.sup());
            EXPECT_TRUE(sub.inf() <= u - v && u - v <= sub.sup());
            EXPECT_TRUE(mul.inf() <= u * v && u * v <= mul.sup()) << x << y << mul;
            if (!isNaN(div) && v != 0) {
                EXPECT_TRUE(div.inf() <= u / v && u / v <= div.sup()) << x << y << div;
            }
        }
        // NaN for division only when zero lies inside the divisor or it is [0, 0]
        EXPECT_EQ(isNaN(div), y.inf() < 0 && y.sup() > 0) << x << " / " << y;
        if (::testing::Test::HasFailure()) break;
    }
}

struct Fn {
    const char* name;
    ivalDb (*f)(const ivalDb&);
    LD (*exact)(LD);
    double lo, hi;         // sampling range of the arguments
    bool monotonic = true; // the range over an interval is that of its bounds
};

const Fn functions[] = {
    {"exp", [](const ivalDb& x) { return exp(x); }, [](LD t) { return std::exp(t); }, -800, 800},
    {"log", [](const ivalDb& x) { return log(x); }, [](LD t) { return std::log(t); }, 0, 1e6},
    {"sqrt", [](const ivalDb& x) { return sqrt(x); }, [](LD t) { return std::sqrt(t); }, 0, 1e6},
    {"sin", [](const ivalDb& x) { return sin(x); }, [](LD t) { return std::sin(t); }, -20, 20,
     false},
    {"cos", [](const ivalDb& x) { return cos(x); }, [](LD t) { return std::cos(t); }, -20, 20,
     false},
    {"tan", [](const ivalDb& x) { return tan(x); }, [](LD t) { return std::tan(t); }, -5, 5, false},
    {"asin", [](const ivalDb& x) { return asin(x); }, [](LD t) { return std::asin(t); }, -1, 1},
    {"acos", [](const ivalDb& x) { return acos(x); }, [](LD t) { return std::acos(t); }, -1, 1},
    {"atan", [](const ivalDb& x) { return atan(x); }, [](LD t) { return std::atan(t); }, -1e3, 1e3},
    {"sqr", [](const ivalDb& x) { return sqr(x); }, [](LD t) { return t * t; }, -1e200, 1e200,
     false},
    {"pow3", [](const ivalDb& x) { return pow(x, 3); }, [](LD t) { return t * t * t; }, -1e-110,
     1e-110},
    {"pow-2", [](const ivalDb& x) { return pow(x, -2); }, [](LD t) { return 1 / (t * t); }, -10,
     10},
    {"pow-3", [](const ivalDb& x) { return pow(x, -3); }, [](LD t) { return 1 / (t * t * t); }, 0,
     10},
    {"sinh", [](const ivalDb& x) { return sinh(x); }, [](LD t) { return std::sinh(t); }, -720, 720},
    {"sinh near 0", [](const ivalDb& x) { return sinh(x); }, [](LD t) { return std::sinh(t); },
     -1e-3, 1e-3},
    {"cosh", [](const ivalDb& x) { return cosh(x); }, [](LD t) { return std::cosh(t); }, -720, 720,
     false},
    {"tanh", [](const ivalDb& x) { return tanh(x); }, [](LD t) { return std::tanh(t); }, -25, 25},
    {"abs", [](const ivalDb& x) { return abs(x); }, [](LD t) { return std::fabs(t); }, -1e300,
     1e300, false},
};

TEST(Property, FunctionsEncloseSampledPointsAndDualiseImproperArguments) {
    Sampler s(99);
    for (const Fn& fn : functions) {
        for (int i = 0; i < 20000; ++i) {
            const double span = fn.hi - fn.lo;
            double a = fn.lo + span * s.unit(), b = fn.lo + span * s.unit();
            if (s.pick(4) == 0) b = a + (b - a) * 1e-9; // narrow intervals too
            const ivalDb x = prop(ivalDb::exact(a, b));
            const ivalDb r = fn.f(x);
            // On the improper argument the result is outward in the modal
            // order: the dual of a range rounded towards its inside. Where the
            // function is monotonic its exact range is that of the bounds.
            const ivalDb q = dual(fn.f(dual(x)));
            if (!hasNaN(q) && !hasNaN(r)) {
                ASSERT_TRUE(r.inf() <= q.inf() && q.sup() <= r.sup()) << fn.name << x << q;
                const LD fa = fn.exact(x.inf()), fb = fn.exact(x.sup());
                if (fn.monotonic && std::isfinite(fa) && std::isfinite(fb)) {
                    ASSERT_GE(q.inf(), std::min(fa, fb)) << fn.name << x << q;
                    ASSERT_LE(q.sup(), std::max(fa, fb)) << fn.name << x << q;
                }
            }
            if (hasNaN(r) || r.inf() == -inf) continue; // pole of tan, pow(.., -n)
            ASSERT_LE(r.inf(), r.sup()) << fn.name << x;
            for (int k = 0; k <= 6; ++k) {
                const LD t = k == 0 ? x.inf() : k == 6 ? x.sup() : x.inf() + x.width() * s.unit();
                const LD v = fn.exact(t);
                if (std::isnan(v) || std::isinf(v)) continue;
                ASSERT_TRUE(r.inf() <= v && v <= r.sup())
                    << fn.name << x << " at " << static_cast<double>(t) << " = "
                    << static_cast<double>(v) << " gives " << r;
            }
        }
    }
}

TEST(Property, FunctionsGiveNaNOnlyOutsideTheirDomain) {
    Sampler s(4242);
    for (int i = 0; i < 20000; ++i) {
        const ivalDb x = prop(ivalDb::exact(s.finite(3), s.finite(3)));
        EXPECT_EQ(std::isnan(log(x).inf()), x.inf() < 0);
        EXPECT_EQ(std::isnan(sqrt(x).inf()), x.inf() < 0);
        EXPECT_EQ(std::isnan(asin(x).inf()) || std::isnan(asin(x).sup()),
                  x.inf() < -1 || x.sup() > 1);
        EXPECT_FALSE(hasNaN(exp(x)) || hasNaN(sin(x)) || hasNaN(cos(x)) || hasNaN(tan(x)) ||
                     hasNaN(atan(x)) || hasNaN(sqr(x)) || hasNaN(sinh(x)) || hasNaN(cosh(x)) ||
                     hasNaN(tanh(x)) || hasNaN(abs(x)));
    }
}

TEST(Property, OverflowAndUnderflowStayOnTheOuterSide) {
    const double big = 1e300, tiny = 1e-300;
    const ivalDb p = ivalDb::exact(big, big) * ivalDb::exact(big, big);
    EXPECT_EQ(p.inf(), std::numeric_limits<double>::max());
    EXPECT_EQ(p.sup(), inf);
    const ivalDb q = ivalDb::exact(tiny, tiny) * ivalDb::exact(tiny, tiny);
    EXPECT_EQ(q.inf(), 0.0);
    EXPECT_EQ((ivalDb::exact(-tiny, -tiny) * ivalDb::exact(tiny, tiny)).inf(),
              -std::numeric_limits<double>::denorm_min());
    EXPECT_EQ(q.sup(), std::numeric_limits<double>::denorm_min());
    const ivalDb e = exp(ivalDb::exact(-1000, 1000));
    EXPECT_EQ(e.inf(), 0.0);
    EXPECT_EQ(e.sup(), inf);
    EXPECT_EQ(exp(ivalDb::exact(1000, 1000)).inf(), std::numeric_limits<double>::max());
    EXPECT_GT(exp(ivalDb::exact(-1000, -1000)).sup(), 0.0);
    const ivalDb sum = ivalDb::exact(1.7e308, 1.7e308) + ivalDb::exact(1.7e308, 1.7e308);
    EXPECT_EQ(sum.inf(), std::numeric_limits<double>::max());
}

} // namespace
} // namespace modal
