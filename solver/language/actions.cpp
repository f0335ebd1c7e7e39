#include "solver/language/actions.h"

#include <cctype>

namespace modal {

namespace {
bool isWhite(char c) noexcept {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}
} // namespace

std::string_view trim_white_space(std::string_view text) noexcept {
    std::size_t first = 0;
    std::size_t last = text.size();
    while (first < last && isWhite(text[first]))
        ++first;
    while (last > first && isWhite(text[last - 1]))
        --last;
    return text.substr(first, last - first);
}

void push_symbol(parse_context& ctx, std::string_view text) {
    ctx.sym_stack.emplace(trim_white_space(text));
}

void push_num(parse_context& ctx, double x) {
    ctx.num_stack.push(x);
}

void push_int(parse_context& ctx, long n) {
    ctx.int_stack.push(n);
}

void push_interval(parse_context& ctx) {
    // The grammar pushes both bounds before it calls this; the guards only
    // keep a misuse from reading an empty stack.
    double b = 0;
    double a = 0;
    if (!ctx.num_stack.empty()) {
        b = ctx.num_stack.top();
        ctx.num_stack.pop();
    }
    if (!ctx.num_stack.empty()) {
        a = ctx.num_stack.top();
        ctx.num_stack.pop();
    }
    ctx.ival_stack.push(ivalDb(a, b));
}

void assign_mode(parse_context& ctx, std::string_view text) {
    ctx.algorithm_name = trim_white_space(text);
}

} // namespace modal
