#include "interval/functions.h"

#include <algorithm>
#include <cmath>

namespace modal {

namespace {

// The common frame: apply rule to the proper projection of x, then dualise the
// result again if x was improper. The rule does its own rounding.
template <class Rule> ivalDb onProperProjection(const ivalDb& x, Rule rule) noexcept {
    const bool improper = x.inf() > x.sup();
    const ivalDb r = rule(improper ? dual(x) : x);
    return improper ? dual(r) : r;
}

template <class F> ivalDb increasing(const ivalDb& x, F f) noexcept {
    return onProperProjection(x, [f](const ivalDb& p) { return ivalDb(f(p.inf()), f(p.sup())); });
}

double logBound(double x) noexcept {
    if (std::isnan(x) || x < 0.0) return kNaN;
    if (x == 0.0) return -kInf;
    if (isPlusInf(x)) return kInf;
    return std::log(x);
}

double sqrtBound(double x) noexcept {
    return x >= 0.0 ? std::sqrt(x) : kNaN;
}

// x^m on a proper interval for m >= 0, by the sign cases of the bounds. Each
// power is rounded as a bound of its own so that overflow and underflow stay
// on the outer side.
ivalDb powProper(const ivalDb& p, unsigned long long m) noexcept {
    const double a = p.inf(), b = p.sup();
    const double e = static_cast<double>(m);
    auto down = [&](double x) {
        return detail::roundedDown(std::pow(x, e), std::isfinite(x), x == 0.0 && m > 0);
    };
    auto up = [&](double x) {
        return detail::roundedUp(std::pow(x, e), std::isfinite(x), x == 0.0 && m > 0);
    };
    if ((m > 0 && m % 2 == 1) || (a >= 0.0 && b >= 0.0)) return ivalDb::exact(down(a), up(b));
    if (b < 0.0) return ivalDb::exact(down(b), up(a));
    return ivalDb::exact(0.0, std::max(up(a), up(b)));
}

// exp with overflow of the lower bound and underflow of the upper bound kept
// on the outer side.
ivalDb expProper(const ivalDb& p) noexcept {
    const double a = p.inf(), b = p.sup();
    return ivalDb::exact(detail::roundedDown(std::exp(a), std::isfinite(a), isMinusInf(a)),
                         detail::roundedUp(std::exp(b), std::isfinite(b), isMinusInf(b)));
}

bool isOdd(double k) noexcept {
    return std::fmod(k, 2.0) != 0.0;
}

ivalDb cosProper(const ivalDb& p) noexcept {
    const double a = p.inf(), b = p.sup();
    const double ca = std::cos(a), cb = std::cos(b);
    const ivalDb q = p / ivalPi();
    const double k1 = a > 0.0 ? truncToInt(q.inf()) : truncToInt(q.inf()) - 1.0;
    const double k2 = b > 0.0 ? truncToInt(q.sup()) : truncToInt(q.sup()) - 1.0;
    const double d = k2 - k1;
    if (d >= 2.0) return ivalDb::exact(-1.0, 1.0);
    if (d < 1.0) return ivalDb(std::min(ca, cb), std::max(ca, cb));
    ivalDb r;
    if (isOdd(k2)) {
        r = ivalDb::exact(-1.0, std::max(ca, cb));
        r.roundSupUp();
    } else {
        r = ivalDb::exact(std::min(ca, cb), 1.0);
        r.roundInfDown();
    }
    return r;
}

ivalDb tanProper(const ivalDb& p) noexcept {
    const double a = p.inf(), b = p.sup();
    const ivalDb q = p / ivalHalfPi();
    const double k1 = a >= 0.0 ? truncToInt(q.inf()) : truncToInt(q.inf()) - 1.0;
    const double k2 = b >= 0.0 ? truncToInt(q.sup()) : truncToInt(q.sup()) - 1.0;
    const double d = k2 - k1;
    if (d >= 2.0 || (d == 1.0 && !isOdd(k1))) return ivalEntire();
    return ivalDb(std::tan(a), std::tan(b));
}

} // namespace

ivalDb pow(const ivalDb& x, long long n) noexcept {
    // |n| in unsigned arithmetic, defined for every n.
    const unsigned long long m =
        n >= 0 ? static_cast<unsigned long long>(n) : 0ULL - static_cast<unsigned long long>(n);
    if (n >= 0) return onProperProjection(x, [m](const ivalDb& p) { return powProper(p, m); });
    // x^n = 1 / x^-n with the Kaucher division, so the result encloses the range
    // of x^n wherever it is defined.
    return onProperProjection(
        x, [m](const ivalDb& p) { return ivalDb::exact(1.0, 1.0) / powProper(p, m); });
}

ivalDb sqr(const ivalDb& x) noexcept {
    return pow(x, 2);
}

ivalDb sqrt(const ivalDb& x) noexcept {
    return increasing(x, sqrtBound);
}
ivalDb exp(const ivalDb& x) noexcept {
    return onProperProjection(x, expProper);
}
ivalDb log(const ivalDb& x) noexcept {
    return increasing(x, logBound);
}
ivalDb asin(const ivalDb& x) noexcept {
    return increasing(x, [](double v) { return std::asin(v); });
}
ivalDb atan(const ivalDb& x) noexcept {
    return increasing(x, [](double v) { return std::atan(v); });
}
ivalDb acos(const ivalDb& x) noexcept {
    return onProperProjection(
        x, [](const ivalDb& p) { return ivalDb(std::acos(p.sup()), std::acos(p.inf())); });
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

} // namespace modal
