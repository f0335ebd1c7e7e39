// Option statements: "name=number" and "name=identifier".
#pragma once

#include <string_view>

#include "solver/language/parse_context.h"

namespace modal {

// Pops the option name from sym_stack and the number from num_stack and
// applies the number to the option's setting.
void assign_num_param(parse_context& ctx);
// Pops the value name, then the option name, from sym_stack and applies it.
void assign_sym_param(parse_context& ctx);

// Applies one option directly; names or value forms that set nothing are
// ignored.
void apply_num_option(parse_context& ctx, std::string_view name, double value);
void apply_sym_option(parse_context& ctx, std::string_view name, std::string_view value);

// After an Optim statement: a warning naming the MIN and MAX declarations
// read before it with another Optim value (their bounds do not follow it).
void warn_optim_after_declarations(parse_context& ctx);

// Most pieces one cut may make: a cut cannot be interrupted by the time
// limit, and one into millions of pieces would exhaust the memory first.
inline constexpr int kMaxBisect = 1000;

// Conversions of a number given to an option.
// Truncation toward zero, saturated to the range of int (a NaN gives 0).
int option_integer(double x) noexcept;
// True when the number differs from 0.
bool option_flag(double x) noexcept;

} // namespace modal
