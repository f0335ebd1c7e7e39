// The small actions of the grammar: they move tokens onto the parse stacks,
// build intervals, and record the algorithm name.
#pragma once

#include <string>
#include <string_view>

#include "solver/language/parse_context.h"

namespace modal {

// The text with the C library's white space removed at both ends.
std::string_view trim_white_space(std::string_view text) noexcept;

// Pushes the text, trimmed, onto sym_stack.
void push_symbol(parse_context& ctx, std::string_view text);
// Pops the top of sym_stack; empty when there is none.
std::string pop_symbol(parse_context& ctx);
void push_num(parse_context& ctx, double x);
void push_int(parse_context& ctx, long n);
// Pops b, then a, from num_stack and pushes ivalDb(a, b), except that a
// bound whose text (in "[a, b]") is exactly a double is kept as it is.
void push_interval(parse_context& ctx, std::string_view text = {});
// Sets algorithm_name to the text, trimmed.
void assign_mode(parse_context& ctx, std::string_view text);

} // namespace modal
