// SSE2 kernels of the four ivalDb operations, for x86-64 (where SSE2 is always
// present). Included by ivalDb.h after the portable kernels; not for direct use.
//
// Each kernel gives the same bits as the portable one. A result is computed as
// one register [lo, -hi]: the upper bound is taken negated (a + b as
// -((-a) + (-b)), a * b as -((-a) * b)), exactly as the portable code does, so
// both lanes need the same step of one ulp toward -infinity. That step is an
// integer add on the bit patterns: -1 on a positive double, +1 on a negative
// one. The mending of over- and underflow is the same step: +inf less one ulp
// is the largest double, -0 plus one ulp the smallest negative subnormal.
#pragma once

#include <bit>
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

// A product or quotient of finite non-zero operands, each lane rounded one ulp
// down: positive values (+inf from overflow too) step toward zero, negative
// ones (-0 from underflow too) away from it; +0 and -inf stay.
inline __m128d roundDownFinite(__m128d r) noexcept {
    const __m128d shrink = _mm_cmpgt_pd(r, _mm_setzero_pd());
    const __m128d grow = _mm_andnot_pd(_mm_cmpeq_pd(r, _mm_set1_pd(-kInf)), signMask(r));
    return stepBits(r, grow, shrink);
}

// All four bounds finite and non-zero (so none is NaN).
inline bool allFiniteNonZero(__m128d x, __m128d y) noexcept {
    const __m128d magnitude = _mm_castsi128_pd(_mm_set1_epi64x(0x7fffffffffffffff));
    const __m128d ax = _mm_and_pd(x, magnitude), ay = _mm_and_pd(y, magnitude);
    // minpd and maxpd return their second operand when one is NaN: a NaN in ay
    // reaches `smaller`, a NaN in ax reaches `larger`, and fails its compare.
    const __m128d smaller = _mm_min_pd(ax, ay), larger = _mm_max_pd(ay, ax);
    const __m128d ok = _mm_and_pd(_mm_cmpgt_pd(smaller, _mm_setzero_pd()),
                                  _mm_cmplt_pd(larger, _mm_set1_pd(kInf)));
    return _mm_movemask_pd(ok) == 3;
}

inline ivalDb add(const ivalDb& x, const ivalDb& y) noexcept {
    // [x.inf + y.inf, -((-x.sup) + (-y.sup))]
    return store(negateUpper(sumDown(negateUpper(load(x)), negateUpper(load(y)))));
}

inline ivalDb sub(const ivalDb& x, const ivalDb& y) noexcept {
    // [x.inf + (-y.sup), -((-x.sup) + y.inf)]
    return store(negateUpper(sumDown(negateUpper(load(x)), negateLower(swapLanes(load(y))))));
}

// One cell of the Kaucher product table: [x[i] * y[j], x[k] * y[l]], where
// index 0 is the infimum and 1 the supremum.
template <int i, int j, int k, int l> inline ivalDb productCell(__m128d x, __m128d y) noexcept {
    const __m128d u = _mm_shuffle_pd(x, x, i | k << 1);
    const __m128d v = negateUpper(_mm_shuffle_pd(y, y, j | l << 1));
    return store(negateUpper(roundDownFinite(_mm_mul_pd(u, v))));
}

inline ivalDb mul(const ivalDb& x, const ivalDb& y) noexcept {
    const __m128d vx = load(x), vy = load(y);
    if (!allFiniteNonZero(vx, vy)) [[unlikely]]
        return portable::mul(x, y);

    // Sign classes from the two sign bits of each operand.
    enum { P = 0, Z = 1, dZ = 2, N = 3 };
    switch (_mm_movemask_pd(vx) * 4 + _mm_movemask_pd(vy)) {
    case P * 4 + P:
        return productCell<0, 0, 1, 1>(vx, vy);
    case P * 4 + dZ:
        return productCell<0, 0, 0, 1>(vx, vy);
    case P * 4 + Z:
        return productCell<1, 0, 1, 1>(vx, vy);
    case P * 4 + N:
        return productCell<1, 0, 0, 1>(vx, vy);
    case dZ * 4 + P:
        return productCell<0, 0, 1, 0>(vx, vy);
    case dZ * 4 + dZ: {
        // [max(a1*b1, a2*b2), min(a1*b2, a2*b1)]; the upper lanes hold the
        // negated candidates, so one lane-wise maximum takes both.
        const __m128d p = roundDownFinite(_mm_mul_pd(_mm_unpacklo_pd(vx, vx), negateUpper(vy)));
        const __m128d q =
            roundDownFinite(_mm_mul_pd(_mm_unpackhi_pd(vx, vx), negateUpper(swapLanes(vy))));
        return store(negateUpper(_mm_max_pd(q, p)));
    }
    case dZ * 4 + Z:
    case Z * 4 + dZ:
        return ivalZero();
    case dZ * 4 + N:
        return productCell<1, 1, 0, 1>(vx, vy);
    case Z * 4 + P:
        return productCell<0, 1, 1, 1>(vx, vy);
    case Z * 4 + Z: {
        // [min(a1*b2, a2*b1), max(a1*b1, a2*b2)], likewise with one minimum.
        const __m128d p =
            roundDownFinite(_mm_mul_pd(_mm_unpacklo_pd(vx, vx), negateUpper(swapLanes(vy))));
        const __m128d q = roundDownFinite(_mm_mul_pd(_mm_unpackhi_pd(vx, vx), negateUpper(vy)));
        return store(negateUpper(_mm_min_pd(q, p)));
    }
    case Z * 4 + N:
        return productCell<1, 0, 0, 0>(vx, vy);
    case N * 4 + P:
        return productCell<0, 1, 1, 0>(vx, vy);
    case N * 4 + dZ:
        return productCell<1, 1, 1, 0>(vx, vy);
    case N * 4 + Z:
        return productCell<0, 1, 0, 0>(vx, vy);
    default: // N * 4 + N
        return productCell<1, 1, 0, 0>(vx, vy);
    }
}

inline ivalDb div(const ivalDb& x, const ivalDb& y) noexcept {
    const __m128d vx = load(x), vy = load(y);
    if (!allFiniteNonZero(vx, vy)) [[unlikely]]
        return portable::div(x, y);
    const int divisorSigns = _mm_movemask_pd(vy);
    if (divisorSigns == 1 || divisorSigns == 2) return ivalNaN(); // zero strictly inside

    // With a divisor of one sign the table reads [u0 / v0, u1 / v1]: the
    // dividend's bounds u in order for a positive divisor, exchanged for a
    // negative one; each lane divides by b2 when its dividend bound is
    // non-negative in the lower lane, negative in the upper lane, else by b1.
    const __m128d u = select(signMask(vy), swapLanes(vx), vx);
    const __m128d byB2 = _mm_xor_pd(signMask(u), _mm_castsi128_pd(_mm_set_epi64x(0, -1)));
    const __m128d v = select(byB2, _mm_unpackhi_pd(vy, vy), _mm_unpacklo_pd(vy, vy));
    return store(negateUpper(roundDownFinite(_mm_div_pd(negateUpper(u), v))));
}

} // namespace modal::detail::sse2
