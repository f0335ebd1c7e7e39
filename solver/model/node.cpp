#include "solver/model/node.h"

#include <array>
#include <cmath>
#include <limits>

namespace modal {

namespace {

using enum kindSyntax;
using mono = monotonyRule;
using turns = turningPoints;

constexpr std::array<kindInfo, kNodeKindCount> kKinds{{
    {nodeKind::unknown, "?", 0, internal},
    {nodeKind::var, "var", 0, leaf},
    {nodeKind::constant, "const", 0, leaf},
    {nodeKind::aux, "aux", 0, internal},
    {nodeKind::one, "one", 0, internal},
    {nodeKind::minus, "minus", 1, negation},
    {nodeKind::plus, "+", 2, infix, comparison::none, mono::sum},
    {nodeKind::sub, "-", 2, infix, comparison::none, mono::sum},
    {nodeKind::mul, "*", 2, infix, comparison::none, mono::product},
    {nodeKind::div, "/", 2, infix, comparison::none, mono::product},
    {nodeKind::eq, "=", 2, relation, comparison::eq},
    {nodeKind::ge, ">=", 2, relation, comparison::ge},
    {nodeKind::gt, ">", 2, relation, comparison::gt},
    {nodeKind::le, "<=", 2, relation, comparison::le},
    {nodeKind::lt, "<", 2, relation, comparison::lt},
    {nodeKind::exp, "exp", 1, function, comparison::none, mono::passing, turns::none,
     "exponential"},
    {nodeKind::log, "log", 1, function, comparison::none, mono::passing, turns::none,
     "natural logarithm"},
    {nodeKind::sqr, "sqr", 1, internal, comparison::none, mono::turning, turns::atZero},
    {nodeKind::sqrt, "sqrt", 1, function, comparison::none, mono::opaque, turns::none,
     "square root"},
    {nodeKind::cos, "cos", 1, function, comparison::none, mono::turning, turns::cosine, "cosine"},
    {nodeKind::sin, "sin", 1, function, comparison::none, mono::turning, turns::sine, "sine"},
    {nodeKind::tan, "tan", 1, function, comparison::none, mono::turning, turns::tangent, "tangent"},
    {nodeKind::acos, "acos", 1, function, comparison::none, mono::opaque, turns::none,
     "arc cosine"},
    {nodeKind::asin, "asin", 1, function, comparison::none, mono::opaque, turns::none, "arc sine"},
    {nodeKind::atan, "atan", 1, function, comparison::none, mono::opaque, turns::none,
     "arc tangent"},
    {nodeKind::pow, "pow", 1, power, comparison::none, mono::power, turns::atZero, "integer power"},
    {nodeKind::abs, "abs", 1, function, comparison::none, mono::turning, turns::atZero,
     "absolute value"},
    {nodeKind::min, "min", 2, function, comparison::none, mono::sum, turns::none, "smaller of two"},
    {nodeKind::max, "max", 2, function, comparison::none, mono::sum, turns::none, "larger of two"},
    {nodeKind::sinh, "sinh", 1, function, comparison::none, mono::passing, turns::none,
     "hyperbolic sine"},
    {nodeKind::cosh, "cosh", 1, function, comparison::none, mono::turning, turns::atZero,
     "hyperbolic cosine"},
    {nodeKind::tanh, "tanh", 1, function, comparison::none, mono::passing, turns::none,
     "hyperbolic tangent"},
    {nodeKind::sign, "sign", 1, internal},
    {nodeKind::step, "step", 1, internal},
}};

constexpr bool tableInEnumerationOrder() {
    for (std::size_t i = 0; i < kKinds.size(); ++i)
        if (static_cast<std::size_t>(kKinds[i].kind) != i) return false;
    return true;
}
static_assert(tableInEnumerationOrder(), "one entry per kind, in the order of nodeKind");

} // namespace

std::span<const kindInfo> nodeKinds() noexcept {
    return kKinds;
}

const kindInfo& infoOf(nodeKind k) noexcept {
    const auto i = static_cast<std::size_t>(k);
    return i < kKinds.size() ? kKinds[i] : kKinds[0];
}

nodeKind kindFromText(std::string_view text) noexcept {
    for (const kindInfo& k : kKinds)
        if (k.text == text) return k.kind;
    return nodeKind::unknown;
}

void node::setExponent(double x) noexcept {
    const double t = std::trunc(x);
    if (!(t >= std::numeric_limits<std::int32_t>::min() &&
          t <= std::numeric_limits<std::int32_t>::max())) {
        exponent = 0;
        return;
    }
    exponent = static_cast<std::int32_t>(t);
}

} // namespace modal
