#include "solver/model/projection_rules.h"

#include <cmath>
#include <limits>

#include "interval/functions.h"

namespace modal {

namespace {

constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr double kMax = std::numeric_limits<double>::max();
constexpr ivalDb kEmpty = ivalDb::exact(kInf, -kInf);
constexpr ivalDb kNonNegative = ivalDb::exact(0.0, kInf);

bool holdsZero(const ivalDb& x) noexcept {
    return x.inf() <= 0.0 && x.sup() >= 0.0;
}
bool holds(const ivalDb& x, double v) noexcept {
    return x.inf() <= v && x.sup() >= v;
}

// An operation that met an infinite bound against a zero has no interval
// value, but every point has a real one: every real number encloses it.
ivalDb sane(const ivalDb& v) noexcept {
    return hasNaN(v) ? ivalEntire() : v;
}

ivalDb hull(const ivalDb& a, const ivalDb& b) noexcept {
    if (isEmptySet(a)) return b;
    if (isEmptySet(b)) return a;
    return join(a, b);
}

bool narrow(ivalDb& x, const ivalDb& to) noexcept {
    x = meet(x, sane(to));
    return !isEmptySet(x);
}

// x narrowed to the points whose absolute value lies in [lo, hi] (lo >= 0).
bool narrowToMagnitude(ivalDb& x, double lo, double hi) noexcept {
    const ivalDb below = meet(x, ivalDb::exact(-hi, -lo));
    const ivalDb above = meet(x, ivalDb::exact(lo, hi));
    x = hull(isEmptySet(below) ? kEmpty : below, isEmptySet(above) ? kEmpty : above);
    return !isEmptySet(x);
}

// { a / b : a in x, b in y, b != 0 }, enclosed; empty when y is [0, 0].
ivalDb quotientSet(const ivalDb& x, const ivalDb& y) noexcept {
    if (isEmptySet(x) || isEmptySet(y)) return kEmpty;
    if (y.inf() > 0.0 || y.sup() < 0.0) return sane(x / y);
    ivalDb r = kEmpty;
    if (y.sup() > 0.0) r = hull(r, sane(x / ivalDb::exact(std::fmax(y.inf(), kTiny), y.sup())));
    if (y.inf() < 0.0) r = hull(r, sane(x / ivalDb::exact(y.inf(), std::fmin(y.sup(), -kTiny))));
    return r;
}

// The x with x * b in z for some b in y.
ivalDb factorSet(const ivalDb& z, const ivalDb& y) noexcept {
    if (holdsZero(z) && holdsZero(y)) return ivalEntire();
    return quotientSet(z, y);
}

// For an increasing f: a double g, at least `floor`, with f(g) < z proven,
// so that every x >= floor with f(x) >= z lies above g; `floor` when none
// is found. `guess` is a close approximation of the inverse at z.
template <class F> double lowerInverse(F f, double guess, double z, double floor) noexcept {
    if (!(z > -kInf) || std::isnan(guess)) return floor;
    double g = std::fmin(guess, kMax);
    double step = 4.0 * std::numeric_limits<double>::epsilon();
    for (int i = 0; i < 6; ++i, step *= 64.0) {
        g -= std::fabs(g) * step + kTiny;
        if (!(g > floor)) return floor;
        if (f(ivalDb::exact(g, g)).sup() < z) return g;
    }
    return floor;
}
// The mirror image: f(g) > z proven, so every x <= ceiling with f(x) <= z
// lies below g.
template <class F> double upperInverse(F f, double guess, double z, double ceiling) noexcept {
    if (!(z < kInf) || std::isnan(guess)) return ceiling;
    double g = std::fmax(guess, -kMax);
    double step = 4.0 * std::numeric_limits<double>::epsilon();
    for (int i = 0; i < 6; ++i, step *= 64.0) {
        g += std::fabs(g) * step + kTiny;
        if (!(g < ceiling)) return ceiling;
        if (f(ivalDb::exact(g, g)).inf() > z) return g;
    }
    return ceiling;
}

// x^2 over a proper x, rounded outward: the common case of the power,
// without its general machinery.
ivalDb square(const ivalDb& x) noexcept {
    using detail::mulDown;
    using detail::mulUp;
    const double a = x.inf(), b = x.sup();
    if (a >= 0.0) return ivalDb::exact(mulDown(a, a), mulUp(b, b));
    if (b <= 0.0) return ivalDb::exact(mulDown(b, b), mulUp(a, a));
    const double m = std::fmax(-a, b);
    return ivalDb::exact(0.0, mulUp(m, m));
}

// x narrowed to the points with x^m in w (m > 0).
bool powerBackward(const ivalDb& w, std::int64_t m, ivalDb& x) noexcept {
    if (m == 2) {
        // |x| is the square root of x^2.
        const ivalDb v = meet(w, kNonNegative);
        if (isEmptySet(v)) return false;
        const ivalDb r = sqrt(v);
        return narrowToMagnitude(x, r.inf(), r.sup());
    }
    const auto f = [m](const ivalDb& v) { return pow(v, m); };
    const double n = static_cast<double>(m);
    const auto root = [n](double v) {
        return v < 0.0 ? -std::pow(-v, 1.0 / n) : std::pow(v, 1.0 / n);
    };
    if (m % 2 == 1)
        return narrow(x, ivalDb::exact(lowerInverse(f, root(w.inf()), w.inf(), -kInf),
                                       upperInverse(f, root(w.sup()), w.sup(), kInf)));
    const ivalDb v = meet(w, kNonNegative);
    if (isEmptySet(v)) return false;
    const double lo = v.inf() > 0.0 ? lowerInverse(f, root(v.inf()), v.inf(), 0.0) : 0.0;
    const double hi = upperInverse(f, root(v.sup()), v.sup(), kInf);
    return narrowToMagnitude(x, lo, hi);
}

// The bounds of pi / 2 and pi that lie below them: an interval inside
// [-kHalfPiBelow, kHalfPiBelow] lies inside (-pi / 2, pi / 2).
const double kHalfPiBelow = ivalHalfPi().inf();
const double kPiBelow = ivalPi().inf();

bool inside(const ivalDb& x, double lo, double hi) noexcept {
    return x.inf() >= lo && x.sup() <= hi;
}

} // namespace

ivalDb forwardImage(nodeKind k, std::int64_t e, ivalDb& x, ivalDb& y, bool& undefined) noexcept {
    // Narrows x to [lo, hi], the points where the operation is defined.
    const auto restrictTo = [&](double lo, double hi) {
        if (x.inf() < lo || x.sup() > hi) {
            undefined = true;
            x = meet(x, ivalDb::exact(lo, hi));
        }
        return !isEmptySet(x);
    };
    switch (k) {
    case nodeKind::plus:
        return sane(x + y);
    case nodeKind::sub:
        return sane(x - y);
    case nodeKind::mul:
        return sane(x * y);
    case nodeKind::div:
        if (holdsZero(y)) undefined = true;
        if (y.inf() == 0.0 && y.sup() == 0.0) y = kEmpty;
        return quotientSet(x, y);
    case nodeKind::minus:
        return -x;
    case nodeKind::exp:
        return sane(exp(x));
    case nodeKind::log:
        if (!restrictTo(0.0, kInf)) return kEmpty;
        if (x.inf() <= 0.0) undefined = true; // zero itself
        if (x.sup() <= 0.0) {
            x = kEmpty;
            return kEmpty;
        }
        return sane(log(x));
    case nodeKind::sqr:
        return sane(square(x));
    case nodeKind::sqrt:
        if (!restrictTo(0.0, kInf)) return kEmpty;
        return sane(sqrt(x));
    case nodeKind::cos:
        return sane(cos(x));
    case nodeKind::sin:
        return sane(sin(x));
    case nodeKind::tan: {
        const ivalDb v = sane(tan(x));
        // A pole inside the argument.
        if (isInfinite(v.inf()) || isInfinite(v.sup())) undefined = true;
        return v;
    }
    case nodeKind::acos:
        if (!restrictTo(-1.0, 1.0)) return kEmpty;
        return sane(acos(x));
    case nodeKind::asin:
        if (!restrictTo(-1.0, 1.0)) return kEmpty;
        return sane(asin(x));
    case nodeKind::atan:
        return sane(atan(x));
    case nodeKind::pow:
        if (e == 0) return ivalDb::exact(1.0, 1.0);
        if (e == 2) return sane(square(x));
        if (e > 0) return sane(pow(x, e));
        if (holdsZero(x)) undefined = true;
        if (x.inf() == 0.0 && x.sup() == 0.0) {
            x = kEmpty;
            return kEmpty;
        }
        return quotientSet(ivalDb::exact(1.0, 1.0), sane(pow(x, -e)));
    case nodeKind::abs:
        return sane(abs(x));
    case nodeKind::min:
        return sane(min(x, y));
    case nodeKind::max:
        return sane(max(x, y));
    case nodeKind::sinh:
        return sane(sinh(x));
    case nodeKind::cosh:
        return sane(cosh(x));
    case nodeKind::tanh:
        return sane(tanh(x));
    case nodeKind::sign:
        return sane(sign(x));
    case nodeKind::step:
        return sane(step(x));
    // Leaves take their sets from the caller; a relation inside an
    // expression, "aux" and "?" have no real value to propagate.
    case nodeKind::var:
    case nodeKind::constant:
    case nodeKind::aux:
    case nodeKind::one:
    case nodeKind::unknown:
    case nodeKind::eq:
    case nodeKind::ge:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::lt:
        return ivalEntire();
    }
    return ivalEntire();
}

bool backwardProject(nodeKind k, std::int64_t e, const ivalDb& z, ivalDb& x, ivalDb& y) noexcept {
    if (isEmptySet(z)) return false;
    switch (k) {
    case nodeKind::plus:
        return narrow(x, z - y) && narrow(y, z - x);
    case nodeKind::sub:
        return narrow(x, z + y) && narrow(y, x - z);
    case nodeKind::mul:
        return narrow(x, factorSet(z, y)) && narrow(y, factorSet(z, x));
    case nodeKind::div:
        // z = x / y with y != 0: x = z y, and y = x / z unless x = z = 0.
        return narrow(x, z * y) && narrow(y, factorSet(x, z));
    case nodeKind::minus:
        return narrow(x, -z);
    case nodeKind::exp: {
        const ivalDb v = meet(z, kNonNegative);
        if (isEmptySet(v) || v.sup() <= 0.0) return false;
        return narrow(x, log(v));
    }
    case nodeKind::log:
        return narrow(x, exp(z));
    case nodeKind::sqr:
        return powerBackward(z, 2, x);
    case nodeKind::sqrt: {
        const ivalDb v = meet(z, kNonNegative);
        if (isEmptySet(v)) return false;
        return narrow(x, sqr(v));
    }
    case nodeKind::cos: {
        const ivalDb v = meet(z, ivalDb::exact(-1.0, 1.0));
        if (isEmptySet(v)) return false;
        // Inverted on one branch where cos is monotonic.
        if (inside(x, 0.0, kPiBelow)) return narrow(x, acos(v));
        if (inside(x, -kPiBelow, 0.0)) return narrow(x, -acos(v));
        return true;
    }
    case nodeKind::sin: {
        const ivalDb v = meet(z, ivalDb::exact(-1.0, 1.0));
        if (isEmptySet(v)) return false;
        if (inside(x, -kHalfPiBelow, kHalfPiBelow)) return narrow(x, asin(v));
        return true;
    }
    case nodeKind::tan:
        if (inside(x, -kHalfPiBelow, kHalfPiBelow)) return narrow(x, atan(z));
        return true;
    // Each inverse function undoes its function: x = sin(asin(x)).
    case nodeKind::asin:
        return narrow(x, sin(z));
    case nodeKind::acos:
        return narrow(x, cos(z));
    case nodeKind::atan:
        return narrow(x, tan(z));
    case nodeKind::pow:
        if (e == 0) {
            if (!holds(z, 1.0)) x = kEmpty;
            return !isEmptySet(x);
        }
        if (e > 0) return powerBackward(z, e, x);
        {
            // z = 1 / w with w = x^-e.
            ivalDb w = sane(pow(x, -e));
            if (!narrow(w, quotientSet(ivalDb::exact(1.0, 1.0), z))) return false;
            return powerBackward(w, -e, x);
        }
    case nodeKind::abs: {
        const ivalDb v = meet(z, kNonNegative);
        if (isEmptySet(v)) return false;
        return narrowToMagnitude(x, v.inf(), v.sup());
    }
    case nodeKind::cosh: {
        const ivalDb v = meet(z, ivalDb::exact(1.0, kInf));
        if (isEmptySet(v)) return false;
        const auto f = [](const ivalDb& u) { return cosh(u); };
        const double lo = v.inf() > 1.0 ? lowerInverse(f, std::acosh(v.inf()), v.inf(), 0.0) : 0.0;
        const double hi = upperInverse(f, std::acosh(v.sup()), v.sup(), kInf);
        return narrowToMagnitude(x, lo, hi);
    }
    case nodeKind::sinh: {
        const auto f = [](const ivalDb& u) { return sinh(u); };
        return narrow(x, ivalDb::exact(lowerInverse(f, std::asinh(z.inf()), z.inf(), -kInf),
                                       upperInverse(f, std::asinh(z.sup()), z.sup(), kInf)));
    }
    case nodeKind::tanh: {
        const ivalDb v = meet(z, ivalDb::exact(-1.0, 1.0));
        if (isEmptySet(v) || v.sup() <= -1.0 || v.inf() >= 1.0) return false;
        const auto f = [](const ivalDb& u) { return tanh(u); };
        const double lo =
            v.inf() > -1.0 ? lowerInverse(f, std::atanh(v.inf()), v.inf(), -kInf) : -kInf;
        const double hi =
            v.sup() < 1.0 ? upperInverse(f, std::atanh(v.sup()), v.sup(), kInf) : kInf;
        return narrow(x, ivalDb::exact(lo, hi));
    }
    case nodeKind::min:
        // Both are at least the minimum; one clearly above it leaves the
        // minimum to the other.
        if (!narrow(x, ivalDb::exact(z.inf(), kInf)) || !narrow(y, ivalDb::exact(z.inf(), kInf)))
            return false;
        if (y.inf() > z.sup() && !narrow(x, z)) return false;
        if (x.inf() > z.sup() && !narrow(y, z)) return false;
        return true;
    case nodeKind::max:
        if (!narrow(x, ivalDb::exact(-kInf, z.sup())) || !narrow(y, ivalDb::exact(-kInf, z.sup())))
            return false;
        if (y.sup() < z.inf() && !narrow(x, z)) return false;
        if (x.sup() < z.inf() && !narrow(y, z)) return false;
        return true;
    case nodeKind::sign:
        if (!holds(z, -1.0) && !holds(z, 0.0) && !holds(z, 1.0)) return false;
        if (!holds(z, 1.0) && !narrow(x, ivalDb::exact(-kInf, 0.0))) return false;
        if (!holds(z, -1.0) && !narrow(x, kNonNegative)) return false;
        return true;
    case nodeKind::step:
        if (!holds(z, 0.0) && !holds(z, 0.5) && !holds(z, 1.0)) return false;
        if (!holds(z, 1.0) && !narrow(x, ivalDb::exact(-kInf, 0.0))) return false;
        if (!holds(z, 0.0) && !narrow(x, kNonNegative)) return false;
        return true;
    case nodeKind::var:
    case nodeKind::constant:
    case nodeKind::aux:
    case nodeKind::one:
    case nodeKind::unknown:
    case nodeKind::eq:
    case nodeKind::ge:
    case nodeKind::gt:
    case nodeKind::le:
    case nodeKind::lt:
        return true;
    }
    return true;
}

} // namespace modal
