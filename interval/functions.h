// Elementary functions of modal intervals. Each is computed on the proper
// projection of its argument, rounded outward, and dualised again when the
// argument was improper.
#pragma once

#include "interval/ivalDb.h"

namespace modal {

ivalDb sqr(const ivalDb& x) noexcept;
// x^n; a negative n gives the reciprocal of x^-n.
ivalDb pow(const ivalDb& x, long long n) noexcept;
ivalDb sqrt(const ivalDb& x) noexcept;
ivalDb exp(const ivalDb& x) noexcept;
ivalDb log(const ivalDb& x) noexcept;
ivalDb sin(const ivalDb& x) noexcept;
ivalDb cos(const ivalDb& x) noexcept;
ivalDb tan(const ivalDb& x) noexcept;
ivalDb asin(const ivalDb& x) noexcept;
ivalDb acos(const ivalDb& x) noexcept;
ivalDb atan(const ivalDb& x) noexcept;
ivalDb sinh(const ivalDb& x) noexcept;
ivalDb cosh(const ivalDb& x) noexcept;
ivalDb tanh(const ivalDb& x) noexcept;
ivalDb abs(const ivalDb& x) noexcept;

// The smaller and the larger of two values. Both are increasing in each
// argument, so the bounds are taken bound by bound, exactly, whatever the
// modality of each argument. A NaN bound gives a NaN bound.
ivalDb min(const ivalDb& x, const ivalDb& y) noexcept;
ivalDb max(const ivalDb& x, const ivalDb& y) noexcept;

// Step functions, the derivatives of abs, min and max: sign is -1, 0 or 1,
// step 0 below zero, 1/2 at zero and 1 above. On an improper argument they
// give a value only where the argument keeps one side of zero (a step has no
// value between its levels); otherwise [NaN, NaN].
ivalDb sign(const ivalDb& x) noexcept;
ivalDb step(const ivalDb& x) noexcept;

} // namespace modal
