#include "interval/ivalDb.h"

#include <algorithm>
#include <ostream>

namespace modal {

namespace {

// Sign classes of a multiplication operand or a dividend (zero counts as
// non-negative).
enum SignClass { P = 0, dZ = 1, Z = 2, N = 3 };

SignClass signClass(double a1, double a2) noexcept {
    if (a1 >= 0.0) return a2 >= 0.0 ? P : dZ;
    return a2 >= 0.0 ? Z : N;
}

bool containsZeroEitherModality(double a1, double a2) noexcept {
    return (a1 <= 0.0 && a2 >= 0.0) || (a1 >= 0.0 && a2 <= 0.0);
}

bool hasInfiniteBound(double a1, double a2) noexcept {
    return std::isinf(a1) || std::isinf(a2);
}

bool anyNaN(const ivalDb& x, const ivalDb& y) noexcept {
    return hasNaN(x) || hasNaN(y);
}

// Products and quotients rounded outward, bound by bound.
double mulDown(double a, double b) noexcept {
    return detail::roundedDown(a * b, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
double mulUp(double a, double b) noexcept {
    return detail::roundedUp(a * b, std::isfinite(a) && std::isfinite(b), a == 0.0 || b == 0.0);
}
// Table entries never divide by zero; a / inf is exactly zero in the limit.
double divDown(double a, double b) noexcept {
    return detail::roundedDown(a / b, std::isfinite(a), a == 0.0 || std::isinf(b));
}
double divUp(double a, double b) noexcept {
    return detail::roundedUp(a / b, std::isfinite(a), a == 0.0 || std::isinf(b));
}

ivalDb bounds(double lo, double hi) noexcept {
    return ivalDb::exact(lo, hi);
}

} // namespace

ivalDb operator*(const ivalDb& x, const ivalDb& y) noexcept {
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

ivalDb operator/(const ivalDb& x, const ivalDb& y) noexcept {
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

std::ostream& operator<<(std::ostream& os, const ivalDb& x) {
    return os << '[' << x.inf() << ", " << x.sup() << ']';
}

} // namespace modal
