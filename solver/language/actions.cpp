#include "solver/language/actions.h"

#include <utility>

#include "solver/language/exact_decimal.h"

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

std::string pop_symbol(parse_context& ctx) {
    if (ctx.sym_stack.empty()) return {};
    std::string s = std::move(ctx.sym_stack.top());
    ctx.sym_stack.pop();
    return s;
}

void push_num(parse_context& ctx, double x) {
    ctx.num_stack.push(x);
}

void push_int(parse_context& ctx, long n) {
    ctx.int_stack.push(n);
}

namespace {

// The bound texts of "[a, b]" (with anything after the ']'), or empty views.
std::pair<std::string_view, std::string_view> boundTexts(std::string_view text) {
    const auto open = text.find('[');
    const auto comma = text.find(',', open == std::string_view::npos ? 0 : open);
    const auto close = text.find(']', comma == std::string_view::npos ? 0 : comma);
    if (open == std::string_view::npos || comma == std::string_view::npos ||
        close == std::string_view::npos)
        return {};
    return {trim_white_space(text.substr(open + 1, comma - open - 1)),
            trim_white_space(text.substr(comma + 1, close - comma - 1))};
}

} // namespace

void push_interval(parse_context& ctx, std::string_view text) {
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
    // A bound written as a number that a double holds exactly (3, 0.5, -1e3)
    // is that number; any other is enclosed by one ulp.
    const auto [ta, tb] = boundTexts(text);
    ivalDb v(a, b);
    if (isExactDecimal(ta, a)) v.setInf(a);
    if (isExactDecimal(tb, b)) v.setSup(b);
    ctx.ival_stack.push(v);
}

void assign_mode(parse_context& ctx, std::string_view text) {
    ctx.algorithm_name = trim_white_space(text);
}

} // namespace modal
