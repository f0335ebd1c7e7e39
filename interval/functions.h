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

} // namespace modal
