#include "interval/functions.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>

namespace modal {

namespace {

// Which way a rule rounds its bounds. On a proper argument the range is
// enclosed from outside. On an improper argument the rule works on the proper
// projection and the result is dualised back; for that result to be outward
// in the modal inclusion order, the projection's range must be rounded
// towards its inside.
enum class rounding { outward, inward };

// A bound computed to nearest, with what is known about the exact value it
// stands for. `fixed`: a value that is exact by construction and is never
// rounded (the extremes of cos). `exact`: the computed value is known to be
// the exact one (exp(0) = 1, sqrt(4) = 2); only inner bounds make use of it,
// outer bounds step outward as usual. `tracked`: `exactFinite` and
// `exactZero` say whether the exact value is finite and whether it is zero,
// so that an overflow or underflow is rounded to the right side; without it
// a computed 0 or infinity stands for itself. `steps`: how many doubles a
// rounded bound moves, one for a library function that is accurate to within
// one ulp.
struct bound {
    double value;
    bool exact = false;
    bool fixed = false;
    bool tracked = false;
    bool exactFinite = true;
    bool exactZero = false;
    int steps = 1;
};

// The C library's hyperbolic functions may be off by a few ulps (more than
// exp, sin or the square root): their bounds move this many doubles, which
// also covers an error that crosses a power of two, below which the doubles
// lie twice as close.
constexpr int kHyperbolicSteps = 6;

double outwardLower(const bound& b) noexcept {
    if (b.fixed || std::isnan(b.value)) return b.value;
    if (b.value != 0.0 && std::isfinite(b.value)) return nextDownN(b.value, b.steps);
    if (b.tracked) return detail::roundedDown(b.value, b.exactFinite, b.exactZero);
    return b.value;
}

// Inward, the bound must not lie below the exact value. One that cannot be
// represented on that side (an overflow to +inf of a finite value) gives NaN:
// the inner range has no representation and claims nothing.
double inwardLower(const bound& b) noexcept {
    if (b.fixed || b.exact || std::isnan(b.value)) return b.value;
    if (b.value == 0.0) {
        if (!b.tracked || b.exactZero) return b.value;
        return std::signbit(b.value) ? -0.0 : std::numeric_limits<double>::denorm_min();
    }
    if (std::isinf(b.value)) {
        if (!b.tracked || !b.exactFinite) return b.value;
        return b.value > 0.0 ? kNaN : -std::numeric_limits<double>::max();
    }
    return nextUpN(b.value, b.steps);
}

double lower(const bound& b, rounding r) noexcept {
    return r == rounding::outward ? outwardLower(b) : inwardLower(b);
}

double upper(const bound& b, rounding r) noexcept {
    bound n = b;
    n.value = -b.value;
    return -lower(n, r);
}

// The range [lo, hi] of a proper projection, rounded as asked. An inward
// range whose bounds crossed has no inner representation: [NaN, NaN].
ivalDb range(const bound& lo, const bound& hi, rounding r) noexcept {
    const double a = lower(lo, r);
    const double b = upper(hi, r);
    if (r == rounding::inward && (std::isnan(a) || std::isnan(b) || a > b))
        return ivalDb::exact(kNaN, kNaN);
    return ivalDb::exact(a, b);
}

// The common frame: apply rule to the proper projection of x, rounding
// outward for a proper x and inward for an improper one, then dualise the
// result again if x was improper.
template <class Rule> ivalDb onProperProjection(const ivalDb& x, Rule rule) noexcept {
    const bool improper = x.inf() > x.sup();
    if (!improper) return rule(x, rounding::outward);
    return dual(rule(dual(x), rounding::inward));
}

bound logBound(double x) noexcept {
    if (std::isnan(x) || x < 0.0) return {kNaN, true};
    if (x == 0.0) return {-kInf, true};
    if (isPlusInf(x)) return {kInf, true};
    if (x == 1.0) return {0.0, true};
    return {std::log(x)};
}

bound sqrtBound(double x) noexcept {
    if (!(x >= 0.0)) return {kNaN, true};
    const double r = std::sqrt(x);
    // The square root is correctly rounded: it is exact when r * r is x.
    const bool exact = !std::isfinite(r) || std::fma(r, r, -x) == 0.0;
    return {r, exact};
}

template <class F> ivalDb increasing(const ivalDb& x, F f) noexcept {
    return onProperProjection(
        x, [f](const ivalDb& p, rounding r) { return range(f(p.inf()), f(p.sup()), r); });
}

// x^m for m >= 0 on one bound. Overflow and underflow keep the exact
// value's nature known, so that each side rounds correctly.
bound powBound(double x, unsigned long long m) noexcept {
    if (m == 0) return {.value = 1.0, .exact = true};
    // For a square the C library's pow gives the same double as the product
    // (also at exact ties and in the subnormal range), which costs far less.
    const double v = m == 2 ? x * x : std::pow(x, static_cast<double>(m));
    bound b{.value = v, .tracked = true, .exactFinite = std::isfinite(x), .exactZero = x == 0.0};
    // Small powers that a product computes exactly stay exact.
    if (m == 1 ||
        (m == 2 && std::isfinite(v) && std::fma(x, x, -v) == 0.0 && (v != 0.0 || x == 0.0)))
        b.exact = true;
    return b;
}

// x^m on a proper interval for m >= 0, by the sign cases of the bounds.
ivalDb powProper(const ivalDb& p, unsigned long long m, rounding r) noexcept {
    const double a = p.inf(), b = p.sup();
    if (m == 0) return ivalDb::exact(1.0, 1.0); // x^0 is 1 everywhere
    const bound A = powBound(a, m), B = powBound(b, m);
    if ((m % 2 == 1) || (a >= 0.0 && b >= 0.0)) return range(A, B, r);
    if (b < 0.0) return range(B, A, r);
    // Zero inside, even power: the minimum 0 is reached exactly.
    const bound& top = upper(A, r) >= upper(B, r) ? A : B;
    return range(bound{.value = 0.0, .fixed = true}, top, r);
}

// x^-m = 1 / x^m for m > 0. Two roundings to nearest (the power and the
// quotient) stay within two ulps of the exact value.
ivalDb reciprocalPower(const ivalDb& p, unsigned long long m, rounding r) noexcept {
    const ivalDb q = powProper(p, m, rounding::outward);
    if (r == rounding::outward) return ivalDb::exact(1.0, 1.0) / q;
    const double a = p.inf(), b = p.sup();
    // Inward: defined only where the base keeps one sign.
    if (!(a > 0.0 || b < 0.0)) return ivalDb::exact(kNaN, kNaN);
    const double ra = 1.0 / std::pow(a, static_cast<double>(m));
    const double rb = 1.0 / std::pow(b, static_cast<double>(m));
    double lo = std::min(ra, rb), hi = std::max(ra, rb);
    if (!std::isfinite(lo) || !std::isfinite(hi) || lo == 0.0 || hi == 0.0)
        return ivalDb::exact(kNaN, kNaN);
    lo = nextUpN(lo, 2);
    hi = nextDownN(hi, 2);
    if (lo > hi) return ivalDb::exact(kNaN, kNaN);
    return ivalDb::exact(lo, hi);
}

ivalDb expProper(const ivalDb& p, rounding r) noexcept {
    auto e = [](double x) {
        if (x == 0.0) return bound{.value = 1.0, .exact = true};
        if (isMinusInf(x)) return bound{.value = 0.0, .fixed = true};
        if (isPlusInf(x)) return bound{.value = kInf, .fixed = true};
        return bound{.value = std::exp(x), .tracked = true};
    };
    return range(e(p.inf()), e(p.sup()), r);
}

bool isOdd(double k) noexcept {
    return std::fmod(k, 2.0) != 0.0;
}

bound cosBound(double x) noexcept {
    if (x == 0.0) return {1.0, true};
    return {std::cos(x)};
}

ivalDb cosProper(const ivalDb& p, rounding r) noexcept {
    const double a = p.inf(), b = p.sup();
    const bound ca = cosBound(a), cb = cosBound(b);
    const ivalDb q = p / ivalPi();
    const double k1 = a > 0.0 ? truncToInt(q.inf()) : truncToInt(q.inf()) - 1.0;
    const double k2 = b > 0.0 ? truncToInt(q.sup()) : truncToInt(q.sup()) - 1.0;
    const double d = k2 - k1;
    if (d >= 2.0) return ivalDb::exact(-1.0, 1.0);
    const bound& lo = ca.value <= cb.value ? ca : cb;
    const bound& hi = ca.value <= cb.value ? cb : ca;
    if (d < 1.0) return range(lo, hi, r);
    if (isOdd(k2)) return range(bound{.value = -1.0, .fixed = true}, hi, r);
    return range(lo, bound{.value = 1.0, .fixed = true}, r);
}

ivalDb tanProper(const ivalDb& p, rounding r) noexcept {
    const double a = p.inf(), b = p.sup();
    const ivalDb q = p / ivalHalfPi();
    const double k1 = a >= 0.0 ? truncToInt(q.inf()) : truncToInt(q.inf()) - 1.0;
    const double k2 = b >= 0.0 ? truncToInt(q.sup()) : truncToInt(q.sup()) - 1.0;
    const double d = k2 - k1;
    if (d >= 2.0 || (d == 1.0 && !isOdd(k1)))
        return r == rounding::outward ? ivalEntire() : ivalDb::exact(kNaN, kNaN);
    auto t = [](double x) { return x == 0.0 ? bound{0.0, true} : bound{std::tan(x)}; };
    return range(t(a), t(b), r);
}

template <class F> bound atZeroExact(F f, double x) noexcept {
    if (x == 0.0) return {x, true};
    if (std::isnan(x)) return {kNaN, true};
    return {f(x)};
}

// A hyperbolic function at one bound: `atZero` is its exact value at 0, and
// the library's values at +-inf are the exact limits; elsewhere the library's
// value, whose overflow stands for a finite exact value.
template <class F> bound hyperbolicBound(F f, double x, double atZero) noexcept {
    if (std::isnan(x)) return {kNaN, true};
    if (x == 0.0) return {.value = atZero, .exact = true};
    if (std::isinf(x)) return {.value = f(x), .fixed = true};
    return {.value = f(x), .tracked = true, .steps = kHyperbolicSteps};
}

bound sinhBound(double x) noexcept {
    return hyperbolicBound([](double v) { return std::sinh(v); }, x, x);
}
bound coshBound(double x) noexcept {
    return hyperbolicBound([](double v) { return std::cosh(v); }, x, 1.0);
}
bound tanhBound(double x) noexcept {
    return hyperbolicBound([](double v) { return std::tanh(v); }, x, x);
}

// tanh stays within [-1, 1]: its outer bounds, rounded past 1 where the
// library's value is 1, go no further.
ivalDb tanhProper(const ivalDb& p, rounding r) noexcept {
    const ivalDb v = range(tanhBound(p.inf()), tanhBound(p.sup()), r);
    if (r == rounding::inward) return v;
    return ivalDb::exact(v.inf() < -1.0 ? -1.0 : v.inf(), v.sup() > 1.0 ? 1.0 : v.sup());
}

// An even function with its minimum `bottom` at 0 and increasing in |x|
// (abs, cosh), on a proper interval: the bound of larger magnitude gives the
// top, and the bottom is reached exactly where the interval holds zero.
template <class F> ivalDb evenProper(const ivalDb& p, F f, double bottom, rounding r) noexcept {
    const double a = p.inf(), b = p.sup();
    if (std::isnan(a) || std::isnan(b)) return ivalNaN();
    const bound low{.value = bottom, .fixed = true};
    if (a >= 0.0) return range(a == 0.0 ? low : f(a), f(b), r);
    if (b <= 0.0) return range(b == 0.0 ? low : f(b), f(a), r);
    return range(low, -a >= b ? f(a) : f(b), r);
}

// The step function that is `below` for x < 0, `at` for x = 0 and 1 for
// x > 0. Outward: the levels of the two bounds. Inward there is a value only
// when both bounds are on the same level.
ivalDb stepFunction(const ivalDb& x, double below, double at) noexcept {
    return onProperProjection(x, [below, at](const ivalDb& p, rounding r) {
        const auto level = [below, at](double v) { return v > 0.0 ? 1.0 : v < 0.0 ? below : at; };
        const double a = p.inf(), b = p.sup();
        if (std::isnan(a) || std::isnan(b)) return ivalNaN();
        const double lo = level(a), hi = level(b);
        if (r == rounding::inward && lo != hi) return ivalNaN();
        return ivalDb::exact(lo, hi);
    });
}

// Bound by bound through an increasing function of two arguments; exact.
template <class F> ivalDb boundwise(const ivalDb& x, const ivalDb& y, F f) noexcept {
    auto at = [f](double u, double v) { return std::isnan(u) || std::isnan(v) ? kNaN : f(u, v); };
    return ivalDb::exact(at(x.inf(), y.inf()), at(x.sup(), y.sup()));
}

} // namespace

ivalDb pow(const ivalDb& x, long long n) noexcept {
    // The square of a proper interval whose bounds' squares are finite and
    // not zero, the usual case, without the bound bookkeeping: each such
    // square steps one double outward, as powProper's rounding does.
    if (n == 2 && x.inf() <= x.sup()) {
        const double a = x.inf(), b = x.sup();
        const double aa = a * a, bb = b * b;
        if (aa != 0.0 && bb != 0.0 && std::isfinite(aa) && std::isfinite(bb)) {
            if (a >= 0.0) return ivalDb::exact(nextDown(aa), nextUp(bb));
            if (b < 0.0) return ivalDb::exact(nextDown(bb), nextUp(aa));
            return ivalDb::exact(0.0, nextUp(std::max(aa, bb)));
        }
    }
    // |n| in unsigned arithmetic, defined for every n.
    const unsigned long long m =
        n >= 0 ? static_cast<unsigned long long>(n) : 0ULL - static_cast<unsigned long long>(n);
    if (n >= 0)
        return onProperProjection(x,
                                  [m](const ivalDb& p, rounding r) { return powProper(p, m, r); });
    // x^n = 1 / x^-n, so the result encloses the range of x^n wherever it is
    // defined.
    return onProperProjection(
        x, [m](const ivalDb& p, rounding r) { return reciprocalPower(p, m, r); });
}

ivalDb sqr(const ivalDb& x) noexcept {
    return pow(x, 2);
}

ivalDb sqrt(const ivalDb& x) noexcept {
    // An improper argument is rounded inward, which needs to know which roots
    // are exact; a proper one (NaN bounds count as proper) only steps outward.
    if (x.inf() > x.sup()) return increasing(x, sqrtBound);
    const double lo = x.inf() >= 0.0 ? std::sqrt(x.inf()) : kNaN;
    const double hi = x.sup() >= 0.0 ? std::sqrt(x.sup()) : kNaN;
    // A root is never negative, so one ulp outward is one step of its bit
    // pattern: down for the lower bound, up for the upper one. Zeros, +inf and
    // NaN stay.
    auto step = [](double r, std::int64_t by) {
        return r > 0.0 && r < kInf ? std::bit_cast<double>(std::bit_cast<std::int64_t>(r) + by) : r;
    };
    return ivalDb::exact(step(lo, -1), step(hi, 1));
}
ivalDb exp(const ivalDb& x) noexcept {
    return onProperProjection(x, expProper);
}
ivalDb log(const ivalDb& x) noexcept {
    return increasing(x, logBound);
}
ivalDb asin(const ivalDb& x) noexcept {
    return increasing(
        x, [](double v) { return atZeroExact([](double u) { return std::asin(u); }, v); });
}
ivalDb atan(const ivalDb& x) noexcept {
    return increasing(
        x, [](double v) { return atZeroExact([](double u) { return std::atan(u); }, v); });
}
ivalDb acos(const ivalDb& x) noexcept {
    return onProperProjection(x, [](const ivalDb& p, rounding r) {
        auto f = [](double v) { return v == 1.0 ? bound{0.0, true} : bound{std::acos(v)}; };
        return range(f(p.sup()), f(p.inf()), r);
    });
}

ivalDb cos(const ivalDb& x) noexcept {
    return onProperProjection(x, cosProper);
}
ivalDb sin(const ivalDb& x) noexcept {
    return cos(x - ivalHalfPi());
}
ivalDb tan(const ivalDb& x) noexcept {
    return onProperProjection(x, tanProper);
}

ivalDb sinh(const ivalDb& x) noexcept {
    return increasing(x, sinhBound);
}
ivalDb tanh(const ivalDb& x) noexcept {
    return onProperProjection(x, tanhProper);
}
ivalDb cosh(const ivalDb& x) noexcept {
    return onProperProjection(
        x, [](const ivalDb& p, rounding r) { return evenProper(p, coshBound, 1.0, r); });
}
ivalDb abs(const ivalDb& x) noexcept {
    return onProperProjection(x, [](const ivalDb& p, rounding r) {
        return evenProper(
            p, [](double v) { return bound{.value = std::fabs(v), .fixed = true}; }, 0.0, r);
    });
}

ivalDb min(const ivalDb& x, const ivalDb& y) noexcept {
    return boundwise(x, y, [](double u, double v) { return v < u ? v : u; });
}
ivalDb max(const ivalDb& x, const ivalDb& y) noexcept {
    return boundwise(x, y, [](double u, double v) { return v > u ? v : u; });
}

ivalDb sign(const ivalDb& x) noexcept {
    return stepFunction(x, -1.0, 0.0);
}
ivalDb step(const ivalDb& x) noexcept {
    return stepFunction(x, 0.0, 0.5);
}

} // namespace modal
