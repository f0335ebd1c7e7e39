// The texts a run gives instead of a result when there is nothing to solve.
#pragma once

#include <string_view>

namespace modal {

// An F* problem without a function ("f:=", or "lf:=" for LOGIC).
inline constexpr std::string_view no_function_message =
    "There is no function to solve: define it with f:= expression; (lf:= relation; for "
    "LOGIC)\n";
// A QSI problem without any free variable, or whose CSPEps is not positive
// (boxes would be halved for ever).
inline constexpr std::string_view no_free_variable_message =
    "QSI needs at least one free variable: declare it with F(name, [a, b]);\n";
inline constexpr std::string_view no_precision_message =
    "QSI needs CSPEps > 0, the fraction of each variable's start width below which boxes are "
    "no longer bisected\n";

} // namespace modal
