// SSE2 kernels of the four ivalDb operations, for x86-64 (where SSE2 is always
// present). Included by ivalDb.h after the portable kernels; included on its
// own, it brings ivalDb.h, which includes it again at that place (hence an
// include guard after the #include rather than #pragma once).
//
// Each kernel gives the same bits as the portable one. A result is computed as
// one register [lo, -hi]: the upper bound is taken negated (a + b as
// -((-a) + (-b)), a * b as -((-a) * b)), exactly as the portable code does, so
// both lanes need the same step of one ulp toward -infinity. That step is an
// integer add on the bit patterns: -1 on a positive double, +1 on a negative
// one. The mending of over- and underflow is the same step: +inf less one ulp
// is the largest double, -0 plus one ulp the smallest negative subnormal.
#include "interval/ivalDb.h"

#ifndef MODAL_INTERVAL_IVALDBSSE2_H
#define MODAL_INTERVAL_IVALDBSSE2_H

#include <bit>
#include <cstdint>
#include <emmintrin.h>

namespace modal::detail::sse2 {

inline __m128d load(const ivalDb& x) noexcept {
    return std::bit_cast<__m128d>(x);
}
inline ivalDb store(__m128d v) noexcept {
    return std::bit_cast<ivalDb>(v);
}

// [a, b] -> [a, -b] and [a, b] -> [-a, b]; only the sign bit changes (also of NaN).
inline __m128d negateUpper(__m128d v) noexcept {
    return _mm_xor_pd(v, _mm_set_pd(-0.0, 0.0));
}
inline __m128d negateLower(__m128d v) noexcept {
    return _mm_xor_pd(v, _mm_set_pd(0.0, -0.0));
}
inline __m128d swapLanes(__m128d v) noexcept {
    return _mm_shuffle_pd(v, v, 1);
}
// Each lane all ones where its sign bit is set.
inline __m128d signMask(__m128d v) noexcept {
    const __m128i high = _mm_shuffle_epi32(_mm_castpd_si128(v), _MM_SHUFFLE(3, 3, 1, 1));
    return _mm_castsi128_pd(_mm_srai_epi32(high, 31));
}
// a where mask is set, else b.
inline __m128d select(__m128d mask, __m128d a, __m128d b) noexcept {
    return _mm_or_pd(_mm_and_pd(mask, a), _mm_andnot_pd(mask, b));
}

// One ulp on the bit patterns: +1 in lanes where grow is set (a negative
// double moves away from zero), -1 where shrink is set (a positive one moves
// toward zero).
inline __m128d stepBits(__m128d r, __m128d grow, __m128d shrink) noexcept {
    __m128i bits = _mm_castpd_si128(r);
    bits = _mm_sub_epi64(bits, _mm_castpd_si128(grow));
    bits = _mm_add_epi64(bits, _mm_castpd_si128(shrink));
    return _mm_castsi128_pd(bits);
}

// a + b, each lane rounded one ulp down. A zero sum is exact and stays, an
// infinite one stays unless it overflowed from two finite terms (then the
// largest double), NaN stays.
inline __m128d sumDown(__m128d a, __m128d b) noexcept {
    const __m128d r = _mm_add_pd(a, b);
    const __m128d zero = _mm_setzero_pd();
    // r > 0 leaves no NaN among the terms, so the maximum is the larger term.
    const __m128d shrink =
        _mm_and_pd(_mm_cmpgt_pd(r, zero), _mm_cmplt_pd(_mm_max_pd(a, b), _mm_set1_pd(kInf)));
    const __m128d grow = _mm_and_pd(_mm_cmplt_pd(r, zero), _mm_cmpgt_pd(r, _mm_set1_pd(-kInf)));
    return stepBits(r, grow, shrink);
}

// A product or quotient of finite operands, each lane rounded one ulp down:
// positive values (+inf from overflow too) step toward zero, negative ones
// away from it, and so does -0 from underflow; +0, -inf and the zeros that
// `exact` marks stay.
inline __m128d roundDownFinite(__m128d r, __m128d exact) noexcept {
    const __m128d shrink = _mm_cmpgt_pd(r, _mm_setzero_pd());
    const __m128d keep = _mm_or_pd(_mm_cmpeq_pd(r, _mm_set1_pd(-kInf)), exact);
    return stepBits(r, _mm_andnot_pd(keep, signMask(r)), shrink);
}
// u * v and u / v of finite operands, rounded one ulp down in each lane. A
// zero factor or dividend makes the lane's zero exact.
inline __m128d productDown(__m128d u, __m128d v) noexcept {
    const __m128d zero = _mm_setzero_pd();
    const __m128d exact = _mm_or_pd(_mm_cmpeq_pd(u, zero), _mm_cmpeq_pd(v, zero));
    return roundDownFinite(_mm_mul_pd(u, v), exact);
}
inline __m128d quotientDown(__m128d u, __m128d v) noexcept {
    return roundDownFinite(_mm_div_pd(u, v), _mm_cmpeq_pd(u, _mm_setzero_pd()));
}

// Lanes where v < 0 (a zero of either sign counts as non-negative).
inline __m128d negativeMask(__m128d v) noexcept {
    return _mm_cmplt_pd(v, _mm_setzero_pd());
}
// |x| < inf and |y| < inf in every lane (so no NaN either).
inline __m128d finiteMask(__m128d x, __m128d y) noexcept {
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    const __m128d inf = _mm_set1_pd(kInf);
    return _mm_and_pd(_mm_cmplt_pd(_mm_and_pd(x, magnitude), inf),
                      _mm_cmplt_pd(_mm_and_pd(y, magnitude), inf));
}

inline ivalDb add(const ivalDb& x, const ivalDb& y) noexcept {
    // [x.inf + y.inf, -((-x.sup) + (-y.sup))]
    return store(negateUpper(sumDown(negateUpper(load(x)), negateUpper(load(y)))));
}

inline ivalDb sub(const ivalDb& x, const ivalDb& y) noexcept {
    // [x.inf + (-y.sup), -((-x.sup) + y.inf)]
    return store(negateUpper(sumDown(negateUpper(load(x)), negateLower(swapLanes(load(y))))));
}

// Sign classes of an operand from the movmskpd bits of negativeMask: P both
// bounds non-negative, Z [-, +], dZ [+, -], N both negative.
enum SignBits { P = 0, Z = 1, dZ = 2, N = 3 };

// The cells of the Kaucher product table that take one product per bound,
// [x[i] * y[j], x[k] * y[l]], indexed by xClass * 4 + yClass. Each row holds
// lane masks {i, k, j, l}: all ones where the lane takes the supremum. The
// rows of Z * Z, Z * dZ, dZ * Z and dZ * dZ are not used.
inline constexpr std::uint64_t kSup = ~std::uint64_t{0};
alignas(16) inline constexpr std::uint64_t kProductCells[16][4] = {
    {0, kSup, 0, kSup},    // P * P:   [a1 b1, a2 b2]
    {kSup, kSup, 0, kSup}, // P * Z:   [a2 b1, a2 b2]
    {0, 0, 0, kSup},       // P * dZ:  [a1 b1, a1 b2]
    {kSup, 0, 0, kSup},    // P * N:   [a2 b1, a1 b2]
    {0, kSup, kSup, kSup}, // Z * P:   [a1 b2, a2 b2]
    {0, 0, 0, 0},          // Z * Z
    {0, 0, 0, 0},          // Z * dZ
    {kSup, 0, 0, 0},       // Z * N:   [a2 b1, a1 b1]
    {0, kSup, 0, 0},       // dZ * P:  [a1 b1, a2 b1]
    {0, 0, 0, 0},          // dZ * Z
    {0, 0, 0, 0},          // dZ * dZ
    {kSup, 0, kSup, kSup}, // dZ * N:  [a2 b2, a1 b2]
    {0, kSup, kSup, 0},    // N * P:   [a1 b2, a2 b1]
    {0, 0, kSup, 0},       // N * Z:   [a1 b2, a1 b1]
    {kSup, kSup, kSup, 0}, // N * dZ:  [a2 b2, a2 b1]
    {kSup, 0, kSup, 0},    // N * N:   [a2 b2, a1 b1]
};
// The codes where both operands have bounds of opposite signs.
inline constexpr unsigned kBothStraddle =
    1u << (Z * 4 + Z) | 1u << (Z * 4 + dZ) | 1u << (dZ * 4 + Z) | 1u << (dZ * 4 + dZ);

// Z * Z, dZ * dZ and the exact zero of Z * dZ, dZ * Z.
inline ivalDb straddlingProduct(__m128d x, __m128d y, int code) noexcept {
    const __m128d a1 = _mm_unpacklo_pd(x, x), a2 = _mm_unpackhi_pd(x, x);
    if (code == Z * 4 + Z) {
        // [min(a1 b2, a2 b1), max(a1 b1, a2 b2)]; the upper lanes hold the
        // negated candidates, so one lane-wise minimum takes both bounds.
        const __m128d p = productDown(a1, negateUpper(swapLanes(y)));
        const __m128d q = productDown(a2, negateUpper(y));
        return store(negateUpper(_mm_min_pd(q, p)));
    }
    if (code == dZ * 4 + dZ) {
        // [max(a1 b1, a2 b2), min(a1 b2, a2 b1)], likewise with one maximum.
        const __m128d p = productDown(a1, negateUpper(y));
        const __m128d q = productDown(a2, negateUpper(swapLanes(y)));
        return store(negateUpper(_mm_max_pd(q, p)));
    }
    return ivalZero();
}

inline ivalDb mul(const ivalDb& x, const ivalDb& y) noexcept {
    const __m128d vx = load(x), vy = load(y);
    if (_mm_movemask_pd(finiteMask(vx, vy)) != 3) [[unlikely]]
        return portable::mul(x, y);
    const int code = _mm_movemask_pd(negativeMask(vx)) * 4 + _mm_movemask_pd(negativeMask(vy));
    if (code == P * 4 + P) // the commonest cell, [a1 b1, a2 b2], without the lookup
        return store(negateUpper(productDown(vx, negateUpper(vy))));
    if ((kBothStraddle >> code) & 1u) [[unlikely]]
        return straddlingProduct(vx, vy, code);

    // The cell's operands picked by lane masks, no branch on the class.
    const auto* cell = reinterpret_cast<const __m128i*>(kProductCells[code]);
    const __m128d u = select(_mm_castsi128_pd(_mm_load_si128(cell)), _mm_unpackhi_pd(vx, vx),
                             _mm_unpacklo_pd(vx, vx));
    const __m128d v = select(_mm_castsi128_pd(_mm_load_si128(cell + 1)), _mm_unpackhi_pd(vy, vy),
                             _mm_unpacklo_pd(vy, vy));
    return store(negateUpper(productDown(u, negateUpper(v))));
}

inline ivalDb div(const ivalDb& x, const ivalDb& y) noexcept {
    const __m128d vx = load(x), vy = load(y);
    // Finite bounds and a divisor without zero bounds; the rest, with its
    // infinite results, is the portable code's.
    const __m128d divisorNonZero = _mm_cmpneq_pd(vy, _mm_setzero_pd());
    if (_mm_movemask_pd(_mm_and_pd(finiteMask(vx, vy), divisorNonZero)) != 3) [[unlikely]]
        return portable::div(x, y);
    const __m128d divisorNegative = negativeMask(vy);
    const int divisorSigns = _mm_movemask_pd(divisorNegative);
    if (divisorSigns == 1 || divisorSigns == 2) return ivalNaN(); // zero strictly inside

    if ((_mm_movemask_pd(negativeMask(vx)) | divisorSigns) == 0) // [a1 / b2, a2 / b1]
        return store(negateUpper(quotientDown(negateUpper(vx), swapLanes(vy))));

    // With a divisor of one sign the table reads [u0 / v0, u1 / v1]: the
    // dividend's bounds u in order for a positive divisor, exchanged for a
    // negative one; each lane divides by b2 when its dividend bound is
    // non-negative in the lower lane, negative in the upper lane, else by b1.
    const __m128d u = select(divisorNegative, swapLanes(vx), vx);
    const __m128d byB2 = _mm_xor_pd(negativeMask(u), _mm_castsi128_pd(_mm_set_epi64x(0, -1)));
    const __m128d v = select(byB2, _mm_unpackhi_pd(vy, vy), _mm_unpacklo_pd(vy, vy));
    return store(negateUpper(quotientDown(negateUpper(u), v)));
}

} // namespace modal::detail::sse2

#endif // MODAL_INTERVAL_IVALDBSSE2_H
