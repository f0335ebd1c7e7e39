// Whether a decimal number as written in a problem file is exactly the double
// it was read as, so that a declared bound like 3 or 0.5 need not be widened
// to enclose it.
#pragma once

#include <string_view>

namespace modal {

// True when `text` (an optional sign, digits with an optional fraction and an
// optional exponent) denotes exactly the finite double `value`.
bool isExactDecimal(std::string_view text, double value);

} // namespace modal
