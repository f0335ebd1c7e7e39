// The fast arithmetic kernels and square root against the straightforward
// scalar code they replaced, kept here unchanged as the reference: every
// result must agree bit for bit (the sign of zero included; any NaN matches
// any NaN, except for the square root, whose NaN bits must match too).
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <vector>

#include "interval/functions.h"
#include "test_support.h"

namespace modal {
namespace {

// ---- reference: the scalar operators, one bound at a time ----
namespace reference {

double nextUp(double x) {
    return std::nextafter(x, kInf);
}
double nextDown(double x) {
    return std::nextafter(x, -kInf);
}

double roundedDown(double r, bool exactIsFinite, bool exactIsZero) {
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    if (r == kInf && exactIsFinite) return std::numeric_limits<double>::max();
    if (r == 0.0 && !exactIsZero && std::signbit(r))
        return -std::numeric_limits<double>::denorm_min();
    return r;
}
double roundedUp(double r, bool exactIsFinite, bool exactIsZero) {
    return -roundedDown(-r, exactIsFinite, exactIsZero);
}
double sumDown(double a, double b) {
    const double r = a + b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return roundedDown(r, std::isfinite(a) && std::isfinite(b), true);
}
double sumUp(double a, double b) {
    return -sumDown(-a, -b);
}

ivalDb add(const ivalDb& x, const ivalDb& y) {
    return ivalDb::exact(sumDown(x.inf(), y.inf()), sumUp(x.sup(), y.sup()));
}
ivalDb sub(const ivalDb& x, const ivalDb& y) {
    return ivalDb::exact(sumDown(x.inf(), -y.sup()), sumUp(x.sup(), -y.inf()));
}

enum SignClass { P = 0, dZ = 1, Z = 2, N = 3 };

SignClass signClass(double a1, double a2) {
    if (a1 >= 0.0) return a2 >= 0.0 ? P : dZ;
    return a2 >= 0.0 ? Z : N;
}
bool containsZeroEitherModality(double a1, double a2) {
    return (a1 <= 0.0 && a2 >= 0.0) || (a1 >= 0.0 && a2 <= 0.0);
}
bool hasInfiniteBound(double a1, double a2) {
    return std::isinf(a1) || std::isinf(a2);
}
bool anyNaN(const ivalDb& x, const ivalDb& y) {
    return hasNaN(x) || hasNaN(y);
}
double mulDown(double a, double b) {
    const double r = a * b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return roundedDown(r, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
double mulUp(double a, double b) {
    const double r = a * b;
    if (r != 0.0 && std::isfinite(r)) return nextUp(r);
    return roundedUp(r, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
double divDown(double a, double b) {
    const double r = a / b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return roundedDown(r, std::isfinite(a), a == 0.0 || std::isinf(b));
}
double divUp(double a, double b) {
    const double r = a / b;
    if (r != 0.0 && std::isfinite(r)) return nextUp(r);
    return roundedUp(r, std::isfinite(a), a == 0.0 || std::isinf(b));
}
ivalDb bounds(double lo, double hi) {
    return ivalDb::exact(lo, hi);
}

ivalDb mul(const ivalDb& x, const ivalDb& y) {
    if (anyNaN(x, y)) return ivalNaN();
    const double a1 = x.inf(), a2 = x.sup(), b1 = y.inf(), b2 = y.sup();
    if ((containsZeroEitherModality(a1, a2) && hasInfiniteBound(b1, b2)) ||
        (containsZeroEitherModality(b1, b2) && hasInfiniteBound(a1, a2)))
        return ivalNaN();

    switch (signClass(a1, a2) * 4 + signClass(b1, b2)) {
    case P * 4 + P:
        return bounds(mulDown(a1, b1), mulUp(a2, b2));
    case P * 4 + dZ:
        return bounds(mulDown(a1, b1), mulUp(a1, b2));
    case P * 4 + Z:
        return bounds(mulDown(a2, b1), mulUp(a2, b2));
    case P * 4 + N:
        return bounds(mulDown(a2, b1), mulUp(a1, b2));
    case dZ * 4 + P:
        return bounds(mulDown(a1, b1), mulUp(a2, b1));
    case dZ * 4 + dZ:
        return bounds(std::max(mulDown(a1, b1), mulDown(a2, b2)),
                      std::min(mulUp(a1, b2), mulUp(a2, b1)));
    case dZ * 4 + Z:
        return ivalZero();
    case dZ * 4 + N:
        return bounds(mulDown(a2, b2), mulUp(a1, b2));
    case Z * 4 + P:
        return bounds(mulDown(a1, b2), mulUp(a2, b2));
    case Z * 4 + dZ:
        return ivalZero();
    case Z * 4 + Z:
        return bounds(std::min(mulDown(a1, b2), mulDown(a2, b1)),
                      std::max(mulUp(a1, b1), mulUp(a2, b2)));
    case Z * 4 + N:
        return bounds(mulDown(a2, b1), mulUp(a1, b1));
    case N * 4 + P:
        return bounds(mulDown(a1, b2), mulUp(a2, b1));
    case N * 4 + dZ:
        return bounds(mulDown(a2, b2), mulUp(a2, b1));
    case N * 4 + Z:
        return bounds(mulDown(a1, b2), mulUp(a1, b1));
    default:
        return bounds(mulDown(a2, b2), mulUp(a1, b1)); // N x N
    }
}

ivalDb div(const ivalDb& x, const ivalDb& y) {
    if (anyNaN(x, y)) return ivalNaN();
    const double a1 = x.inf(), a2 = x.sup(), b1 = y.inf(), b2 = y.sup();
    if ((hasInfiniteBound(a1, a2) && hasInfiniteBound(b1, b2)) || (b1 < 0.0 && b2 > 0.0) ||
        (b1 > 0.0 && b2 < 0.0) || (b1 == 0.0 && b2 == 0.0))
        return ivalNaN();

    enum Column { PosPos, PosZero, ZeroPos, NegNeg, NegZero, ZeroNeg };
    Column col;
    if (b1 > 0.0)
        col = b2 > 0.0 ? PosPos : PosZero;
    else if (b1 < 0.0)
        col = b2 < 0.0 ? NegNeg : NegZero;
    else
        col = b2 > 0.0 ? ZeroPos : ZeroNeg;

    switch (signClass(a1, a2)) {
    case P:
        switch (col) {
        case PosPos:
            return bounds(divDown(a1, b2), divUp(a2, b1));
        case PosZero:
            return bounds(kInf, divUp(a2, b1));
        case ZeroPos:
            return bounds(divDown(a1, b2), kInf);
        case NegNeg:
            return bounds(divDown(a2, b2), divUp(a1, b1));
        case NegZero:
            return bounds(-kInf, divUp(a1, b1));
        case ZeroNeg:
            return bounds(divDown(a2, b2), -kInf);
        }
        break;
    case dZ:
        switch (col) {
        case PosPos:
            return bounds(divDown(a1, b2), divUp(a2, b2));
        case PosZero:
            return ivalDualEntire();
        case ZeroPos:
            return bounds(divDown(a1, b2), divUp(a2, b2));
        case NegNeg:
            return bounds(divDown(a2, b1), divUp(a1, b1));
        case NegZero:
            return bounds(divDown(a2, b1), divUp(a1, b1));
        case ZeroNeg:
            return ivalDualEntire();
        }
        break;
    case Z:
        switch (col) {
        case PosPos:
            return bounds(divDown(a1, b1), divUp(a2, b1));
        case PosZero:
            return bounds(divDown(a1, b1), divUp(a2, b1));
        case ZeroPos:
            return ivalEntire();
        case NegNeg:
            return bounds(divDown(a2, b2), divUp(a1, b2));
        case NegZero:
            return ivalEntire();
        case ZeroNeg:
            return bounds(divDown(a2, b2), divUp(a1, b2));
        }
        break;
    case N:
        switch (col) {
        case PosPos:
            return bounds(divDown(a1, b1), divUp(a2, b2));
        case PosZero:
            return bounds(divDown(a1, b1), -kInf);
        case ZeroPos:
            return bounds(-kInf, divUp(a2, b2));
        case NegNeg:
            return bounds(divDown(a2, b1), divUp(a1, b2));
        case NegZero:
            return bounds(divDown(a2, b1), kInf);
        case ZeroNeg:
            return bounds(kInf, divUp(a1, b2));
        }
        break;
    }
    return ivalNaN();
}

// The square root as functions.cpp computed it before its fast path for
// proper arguments: each root with whether it is exact (from its residue),
// rounded outward on a proper argument, and inward on the proper projection of
// an improper one, whose result is dualised again.
ivalDb sqrt(const ivalDb& x) {
    struct root {
        double value;
        bool exact;
    };
    auto rootOf = [](double v) -> root {
        if (!(v >= 0.0)) return {kNaN, true};
        const double r = std::sqrt(v);
        return {r, !std::isfinite(r) || std::fma(r, r, -v) == 0.0};
    };
    auto moves = [](double r) { return r != 0.0 && std::isfinite(r); };
    if (!(x.inf() > x.sup())) {
        const double lo = rootOf(x.inf()).value, hi = rootOf(x.sup()).value;
        return ivalDb::exact(moves(lo) ? nextDown(lo) : lo, moves(hi) ? nextUp(hi) : hi);
    }
    const root lo = rootOf(x.sup()), hi = rootOf(x.inf());
    const double a = lo.exact || !moves(lo.value) ? lo.value : nextUp(lo.value);
    const double b = hi.exact || !moves(hi.value) ? hi.value : nextDown(hi.value);
    if (std::isnan(a) || std::isnan(b) || a > b) return ivalDb::exact(kNaN, kNaN);
    return ivalDb::exact(b, a);
}

} // namespace reference

// ---- comparison ----

bool sameBits(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b);
    return std::bit_cast<std::uint64_t>(a) == std::bit_cast<std::uint64_t>(b);
}

// Counts disagreements of the four operators with the reference on one pair
// and reports the first few of them.
class Comparer {
public:
    void check(const ivalDb& x, const ivalDb& y) {
        compare('+', x, y, x + y, reference::add(x, y));
        compare('-', x, y, x - y, reference::sub(x, y));
        compare('*', x, y, x * y, reference::mul(x, y));
        compare('/', x, y, x / y, reference::div(x, y));
    }
    long failures() const { return failures_; }

private:
    void compare(char op, const ivalDb& x, const ivalDb& y, const ivalDb& got, const ivalDb& want) {
        if (sameBits(got.inf(), want.inf()) && sameBits(got.sup(), want.sup())) return;
        if (++failures_ <= 10)
            ADD_FAILURE() << std::hexfloat << x << ' ' << op << ' ' << y << ": got " << got
                          << ", reference " << want;
    }
    long failures_ = 0;
};

// Bounds of every kind: signed zeros, subnormals, the normal/subnormal border,
// the extremes, infinities, NaN, values around 1, and magnitudes whose products
// and quotients overflow or underflow.
std::vector<double> specialValues() {
    const double dmin = std::numeric_limits<double>::denorm_min();
    const double nmin = std::numeric_limits<double>::min();
    const double dmax = std::numeric_limits<double>::max();
    const double positive[] = {dmin,           3 * dmin, nmin,        1e-300, 1e-160, 0.5,
                               nextDown(1.0),  1.0,      nextUp(1.0), 3.0,    1e160,  1e300,
                               nextDown(dmax), dmax,     kInf};
    std::vector<double> v = {0.0, -0.0, kNaN};
    for (double p : positive) {
        v.push_back(p);
        v.push_back(-p);
    }
    return v;
}

// Intervals of both modalities: every ordered pair of special values as
// bounds.
std::vector<ivalDb> specialIntervals() {
    const auto values = specialValues();
    std::vector<ivalDb> corpus;
    for (double a : values)
        for (double b : values)
            corpus.push_back(ivalDb::exact(a, b));
    return corpus;
}

TEST(Sameness, EveryPairOfSpecialIntervals) {
    const std::vector<ivalDb> corpus = specialIntervals();
    ASSERT_GE(corpus.size(), 79u);
    Comparer c;
    for (const auto& x : corpus)
        for (const auto& y : corpus)
            c.check(x, y);
    EXPECT_EQ(c.failures(), 0);
}

#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
constexpr long kRandomPairs = 200'000; // sanitizer and debug builds run far slower
#else
constexpr long kRandomPairs = 4'000'000;
#endif

// Half the bounds are raw bit patterns (every exponent, NaNs, subnormals), the
// rest are special values or numbers near 1 of either sign.
double randomBound(std::mt19937_64& rng, const std::vector<double>& values) {
    const std::uint64_t bits = rng();
    switch (bits & 3) {
    case 0:
    case 1:
        return std::bit_cast<double>(rng());
    case 2:
        return values[(bits >> 8) % values.size()];
    default: {
        const double near1 = 1.0 + static_cast<double>(bits >> 12) * 0x1p-53;
        return (bits & 4) ? -near1 : near1;
    }
    }
}

TEST(Sameness, RandomPairs) {
    std::mt19937_64 rng(20261208);
    const auto values = specialValues();
    auto bound = [&] { return randomBound(rng, values); };
    Comparer c;
    for (long i = 0; i < kRandomPairs; ++i) {
        const ivalDb x = ivalDb::exact(bound(), bound());
        const ivalDb y = ivalDb::exact(bound(), bound());
        c.check(x, y);
    }
    EXPECT_EQ(c.failures(), 0);
}

TEST(Sameness, SquareRootBitForBit) {
    // Every interval of two special values, then random ones; NaN bounds too
    // must have the same bits.
    const auto values = specialValues();
    std::vector<ivalDb> corpus = specialIntervals();
    std::mt19937_64 rng(20261209);
    // Exact squares m^2 * 4^k, whose roots an improper argument keeps unmoved.
    auto square = [&] {
        const double m = static_cast<double>(rng() >> 38);
        return std::ldexp(m * m, 2 * static_cast<int>(rng() % 200) - 200);
    };
    for (long i = 0; i < kRandomPairs; ++i) {
        corpus.push_back(ivalDb::exact(randomBound(rng, values), randomBound(rng, values)));
        if (i % 4 == 0)
            corpus.push_back(ivalDb::exact(square(), i % 8 ? square() : randomBound(rng, values)));
    }
    long failures = 0;
    for (const ivalDb& x : corpus) {
        const ivalDb got = sqrt(x), want = reference::sqrt(x);
        if (std::bit_cast<std::uint64_t>(got.inf()) == std::bit_cast<std::uint64_t>(want.inf()) &&
            std::bit_cast<std::uint64_t>(got.sup()) == std::bit_cast<std::uint64_t>(want.sup()))
            continue;
        if (++failures <= 10)
            ADD_FAILURE() << std::hexfloat << "sqrt" << x << ": got " << got << ", reference "
                          << want;
    }
    EXPECT_EQ(failures, 0);
}

} // namespace
} // namespace modal
