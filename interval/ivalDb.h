// Modal intervals of doubles with outward rounding and Kaucher arithmetic.
//
// An ivalDb holds an infimum and a supremum in either order: inf <= sup is a
// proper interval ("for all"), inf >= sup an improper one ("there exists").
// Every computed bound is rounded to nearest and then moved outward by one ulp;
// the processor's rounding mode is never changed.
#pragma once

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <iosfwd>
#include <limits>

namespace modal {

inline constexpr double kInf = std::numeric_limits<double>::infinity();
inline constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

// The next double toward +infinity; the same result as nextafter(x, +inf)
// (zeros, subnormals, infinities and NaN included) without a library call.
inline double nextUp(double x) {
    if (!(x < kInf)) return x; // +inf and NaN
    if (x == 0.0) return std::numeric_limits<double>::denorm_min();
    const auto bits = std::bit_cast<std::uint64_t>(x);
    return std::bit_cast<double>(x > 0.0 ? bits + 1 : bits - 1);
}

// The next double toward -infinity; the same result as nextafter(x, -inf).
inline double nextDown(double x) {
    return -nextUp(-x);
}

inline double nextUpN(double x, int n) {
    for (int i = 0; i < n; ++i)
        x = nextUp(x);
    return x;
}

inline double nextDownN(double x, int n) {
    for (int i = 0; i < n; ++i)
        x = nextDown(x);
    return x;
}

inline bool isPlusInf(double x) {
    return x >= kInf;
}
inline bool isMinusInf(double x) {
    return x <= -kInf;
}
inline bool isInfinite(double x) {
    return isPlusInf(x) || isMinusInf(x);
}

// -inf / +inf for infinite x, otherwise x truncated toward zero (NaN stays NaN).
inline double truncToInt(double x) {
    if (isMinusInf(x)) return -kInf;
    if (isPlusInf(x)) return kInf;
    return std::trunc(x);
}

class ivalDb {
public:
    // [-inf, +inf]
    constexpr ivalDb() noexcept : lo_(-kInf), hi_(kInf) {}
    // [nextDown(a), nextUp(b)]; a bound that is 0, infinite or NaN is kept.
    ivalDb(double a, double b) noexcept : lo_(a), hi_(b) { outward(); }
    // The point x widened one ulp each side; 0, infinities and NaN are kept.
    explicit ivalDb(double x) noexcept : ivalDb(x, x) {}

    // Exact bounds, no rounding.
    static constexpr ivalDb exact(double a, double b) noexcept {
        ivalDb r;
        r.lo_ = a;
        r.hi_ = b;
        return r;
    }

    constexpr void setBounds(double a, double b) noexcept {
        lo_ = a;
        hi_ = b;
    }
    constexpr void setInf(double a) noexcept { lo_ = a; }
    constexpr void setSup(double b) noexcept { hi_ = b; }

    constexpr double inf() const noexcept { return lo_; }
    constexpr double sup() const noexcept { return hi_; }

    // (sup + inf) / 2 in extended precision; mid() rounds it to double.
    long double midExt() const noexcept {
        return (static_cast<long double>(hi_) + static_cast<long double>(lo_)) * 0.5L;
    }
    double mid() const noexcept { return static_cast<double>(midExt()); }
    // |sup - inf|: positive for improper intervals too.
    double width() const noexcept { return std::fabs(hi_ - lo_); }

    // In-place modal changes.
    constexpr void swapBounds() noexcept {
        const double t = lo_;
        lo_ = hi_;
        hi_ = t;
    }
    constexpr void makeProper() noexcept {
        if (hi_ < lo_) swapBounds();
    }
    constexpr void makeImproper() noexcept {
        if (lo_ < hi_) swapBounds();
    }

    // Outward rounding: each finite non-zero bound moves one ulp outward.
    void roundInfDown() noexcept {
        if (lo_ != 0.0 && std::isfinite(lo_)) lo_ = nextDown(lo_);
    }
    void roundSupUp() noexcept {
        if (hi_ != 0.0 && std::isfinite(hi_)) hi_ = nextUp(hi_);
    }
    void outward() noexcept {
        roundInfDown();
        roundSupUp();
    }

private:
    double lo_;
    double hi_;
};

static_assert(sizeof(ivalDb) == 2 * sizeof(double));

// Modal operations.
constexpr ivalDb dual(const ivalDb& x) noexcept {
    return ivalDb::exact(x.sup(), x.inf());
}
constexpr ivalDb prop(const ivalDb& x) noexcept {
    return x.inf() > x.sup() ? dual(x) : x;
}
constexpr ivalDb impr(const ivalDb& x) noexcept {
    return x.inf() < x.sup() ? dual(x) : x;
}
constexpr ivalDb operator-(const ivalDb& x) noexcept {
    return ivalDb::exact(-x.sup(), -x.inf());
}

// Tests.
constexpr bool isProper(const ivalDb& x) noexcept {
    return !(x.inf() > x.sup());
}
constexpr bool isImproper(const ivalDb& x) noexcept {
    return x.inf() >= x.sup();
}
constexpr bool isZero(const ivalDb& x) noexcept {
    return x.inf() == 0.0 && x.sup() == 0.0;
}
inline bool isThick(const ivalDb& x) noexcept {
    return !std::isnan(x.inf()) && !std::isnan(x.sup()) && x.inf() != x.sup();
}
constexpr bool isInterior(const ivalDb& x, const ivalDb& y) noexcept {
    return x.inf() > y.inf() && x.sup() < y.sup();
}
constexpr bool lessEq(const ivalDb& x, const ivalDb& y) noexcept {
    return x.inf() <= y.inf() && x.sup() <= y.sup();
}
constexpr bool greaterEq(const ivalDb& x, const ivalDb& y) noexcept {
    return x.inf() >= y.inf() && x.sup() >= y.sup();
}
constexpr bool isAbove(const ivalDb& x, const ivalDb& y) noexcept {
    return x.inf() > y.sup();
}
inline bool isNaN(const ivalDb& x) noexcept {
    return std::isnan(x.inf()) && std::isnan(x.sup());
}
inline bool hasNaN(const ivalDb& x) noexcept {
    return std::isnan(x.inf()) || std::isnan(x.sup());
}

// Lattice operations. A NaN bound on one side gives way to the other side's
// bound; of two equal bounds the first operand's is kept.
namespace detail {
inline double latticeMax(double a, double b) noexcept {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return b > a ? b : a;
}
inline double latticeMin(double a, double b) noexcept {
    if (std::isnan(a)) return b;
    if (std::isnan(b)) return a;
    return b < a ? b : a;
}
} // namespace detail

inline ivalDb meet(const ivalDb& x, const ivalDb& y) noexcept {
    return ivalDb::exact(detail::latticeMax(x.inf(), y.inf()),
                         detail::latticeMin(x.sup(), y.sup()));
}
inline ivalDb join(const ivalDb& x, const ivalDb& y) noexcept {
    return ivalDb::exact(detail::latticeMin(x.inf(), y.inf()),
                         detail::latticeMax(x.sup(), y.sup()));
}
inline bool intersects(const ivalDb& x, const ivalDb& y) noexcept {
    return isProper(meet(x, y));
}

// Outward rounding of one computed bound. Beyond the one-ulp step, a bound
// that overflowed to an infinity from a finite exact value becomes the largest
// finite double on the outer side, and one that underflowed to a zero of the
// wrong side (its sign bit tells the sign of the exact value) becomes the
// smallest subnormal on the outer side, so the result still encloses the exact
// one. Exact zeros and infinities stay.
namespace detail {
inline double roundedDown(double r, bool exactIsFinite, bool exactIsZero) noexcept {
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    if (r == kInf && exactIsFinite) return std::numeric_limits<double>::max();
    if (r == 0.0 && !exactIsZero && std::signbit(r))
        return -std::numeric_limits<double>::denorm_min();
    return r;
}
inline double roundedUp(double r, bool exactIsFinite, bool exactIsZero) noexcept {
    return -roundedDown(-r, exactIsFinite, exactIsZero);
}
// The lower bound of a + b. A sum of two doubles that rounds to zero is
// exactly zero and stays.
inline double sumDown(double a, double b) noexcept {
    const double r = a + b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return roundedDown(r, std::isfinite(a) && std::isfinite(b), true);
}
inline double sumUp(double a, double b) noexcept {
    return -sumDown(-a, -b);
}
} // namespace detail

// Arithmetic. NaN bounds pass through + and - as IEEE arithmetic carries them;
// a NaN bound in an operand of * or / makes the whole result [NaN, NaN], since
// the sign classes of the Kaucher tables are not defined for it. Defined at the
// end of this header.
inline ivalDb operator+(const ivalDb& x, const ivalDb& y) noexcept;
inline ivalDb operator-(const ivalDb& x, const ivalDb& y) noexcept;
inline ivalDb operator*(const ivalDb& x, const ivalDb& y) noexcept;
inline ivalDb operator/(const ivalDb& x, const ivalDb& y) noexcept;

inline ivalDb& operator+=(ivalDb& x, const ivalDb& y) noexcept {
    return x = x + y;
}
inline ivalDb& operator-=(ivalDb& x, const ivalDb& y) noexcept {
    return x = x - y;
}
inline ivalDb& operator*=(ivalDb& x, const ivalDb& y) noexcept {
    return x = x * y;
}
inline ivalDb& operator/=(ivalDb& x, const ivalDb& y) noexcept {
    return x = x / y;
}

// Bitwise equality of both bounds (NaN bounds compare equal to NaN bounds).
inline bool sameBounds(const ivalDb& x, const ivalDb& y) noexcept {
    auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    return same(x.inf(), y.inf()) && same(x.sup(), y.sup());
}

// Constants.
inline ivalDb ivalPi() noexcept {
    return ivalDb(3.141592653589793, 3.141592653589793);
}
inline ivalDb ivalHalfPi() noexcept {
    return ivalDb(1.5707963267948966, 1.5707963267948966);
}
constexpr ivalDb ivalZero() noexcept {
    return ivalDb::exact(0.0, 0.0);
}
constexpr ivalDb ivalEntire() noexcept {
    return ivalDb::exact(-kInf, kInf);
}
constexpr ivalDb ivalDualEntire() noexcept {
    return ivalDb::exact(kInf, -kInf);
}
constexpr ivalDb ivalNaN() noexcept {
    return ivalDb::exact(kNaN, kNaN);
}

// "[" inf ", " sup "]" with the stream's current settings, no line end.
std::ostream& operator<<(std::ostream& os, const ivalDb& x);

// ---- The four operations, bound by bound (inline: they sit in hot loops) ----
//
// These are the definitions. On x86-64 the operators run SSE2 kernels that give
// the same bits and fall back to the Kaucher code below only for operands with
// an infinite or NaN bound and for divisors with a zero bound; elsewhere the
// operators are this code.

namespace detail {

// Sign classes of a multiplication operand or a dividend (zero counts as
// non-negative).
enum SignClass { P = 0, dZ = 1, Z = 2, N = 3 };

inline SignClass signClass(double a1, double a2) noexcept {
    if (a1 >= 0.0) return a2 >= 0.0 ? P : dZ;
    return a2 >= 0.0 ? Z : N;
}

inline bool containsZeroEitherModality(double a1, double a2) noexcept {
    return (a1 <= 0.0 && a2 >= 0.0) || (a1 >= 0.0 && a2 <= 0.0);
}

inline bool hasInfiniteBound(double a1, double a2) noexcept {
    return std::isinf(a1) || std::isinf(a2);
}

inline bool anyNaN(const ivalDb& x, const ivalDb& y) noexcept {
    return hasNaN(x) || hasNaN(y);
}

// Products and quotients rounded outward, bound by bound. The common case
// (a finite non-zero result) is tested first; over- and underflow are rare.
inline double mulDown(double a, double b) noexcept {
    const double r = a * b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return detail::roundedDown(r, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
inline double mulUp(double a, double b) noexcept {
    const double r = a * b;
    if (r != 0.0 && std::isfinite(r)) return nextUp(r);
    return detail::roundedUp(r, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
// Table entries never divide by zero; a / inf is exactly zero in the limit.
inline double divDown(double a, double b) noexcept {
    const double r = a / b;
    if (r != 0.0 && std::isfinite(r)) return nextDown(r);
    return detail::roundedDown(r, std::isfinite(a), a == 0.0 || std::isinf(b));
}
inline double divUp(double a, double b) noexcept {
    const double r = a / b;
    if (r != 0.0 && std::isfinite(r)) return nextUp(r);
    return detail::roundedUp(r, std::isfinite(a), a == 0.0 || std::isinf(b));
}

inline ivalDb bounds(double lo, double hi) noexcept {
    return ivalDb::exact(lo, hi);
}

// The four operations in plain C++.
namespace portable {

inline ivalDb add(const ivalDb& x, const ivalDb& y) noexcept {
    return ivalDb::exact(sumDown(x.inf(), y.inf()), sumUp(x.sup(), y.sup()));
}
inline ivalDb sub(const ivalDb& x, const ivalDb& y) noexcept {
    return ivalDb::exact(sumDown(x.inf(), -y.sup()), sumUp(x.sup(), -y.inf()));
}

inline ivalDb mul(const ivalDb& x, const ivalDb& y) noexcept {
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

inline ivalDb div(const ivalDb& x, const ivalDb& y) noexcept {
    if (anyNaN(x, y)) return ivalNaN();
    const double a1 = x.inf(), a2 = x.sup(), b1 = y.inf(), b2 = y.sup();
    if ((hasInfiniteBound(a1, a2) && hasInfiniteBound(b1, b2)) || (b1 < 0.0 && b2 > 0.0) ||
        (b1 > 0.0 && b2 < 0.0) || (b1 == 0.0 && b2 == 0.0))
        return ivalNaN();

    // Divisor columns by the exact signs of its bounds.
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
    return ivalNaN(); // not reached: every class and column is handled above
}

} // namespace portable
} // namespace detail
} // namespace modal

#if defined(__x86_64__) || defined(_M_X64)
#include "interval/ivalDbSse2.h"
namespace modal::detail {
namespace kernels = sse2;
}
#else
namespace modal::detail {
namespace kernels = portable;
}
#endif

namespace modal {

inline ivalDb operator+(const ivalDb& x, const ivalDb& y) noexcept {
    return detail::kernels::add(x, y);
}
inline ivalDb operator-(const ivalDb& x, const ivalDb& y) noexcept {
    return detail::kernels::sub(x, y);
}
inline ivalDb operator*(const ivalDb& x, const ivalDb& y) noexcept {
    return detail::kernels::mul(x, y);
}
inline ivalDb operator/(const ivalDb& x, const ivalDb& y) noexcept {
    return detail::kernels::div(x, y);
}

} // namespace modal
