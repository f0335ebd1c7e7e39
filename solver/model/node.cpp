#include "solver/model/node.h"

#include <array>
#include <cmath>
#include <limits>
#include <utility>

namespace modal {

namespace {

constexpr std::array<std::pair<nodeKind, std::string_view>, 25> kKinds{{
    {nodeKind::var, "var"},   {nodeKind::constant, "const"}, {nodeKind::aux, "aux"},
    {nodeKind::one, "one"},   {nodeKind::minus, "minus"},    {nodeKind::plus, "+"},
    {nodeKind::sub, "-"},     {nodeKind::mul, "*"},          {nodeKind::div, "/"},
    {nodeKind::eq, "="},      {nodeKind::ge, ">="},          {nodeKind::gt, ">"},
    {nodeKind::le, "<="},     {nodeKind::lt, "<"},           {nodeKind::exp, "exp"},
    {nodeKind::log, "log"},   {nodeKind::sqr, "sqr"},        {nodeKind::sqrt, "sqrt"},
    {nodeKind::cos, "cos"},   {nodeKind::sin, "sin"},        {nodeKind::tan, "tan"},
    {nodeKind::acos, "acos"}, {nodeKind::asin, "asin"},      {nodeKind::atan, "atan"},
    {nodeKind::pow, "pow"},
}};

} // namespace

nodeKind kindFromText(std::string_view text) noexcept {
    for (const auto& [k, t] : kKinds)
        if (t == text) return k;
    return nodeKind::unknown;
}

std::string_view kindText(nodeKind k) noexcept {
    for (const auto& [kk, t] : kKinds)
        if (kk == k) return t;
    return "?";
}

bool isRelation(nodeKind k) noexcept {
    return k == nodeKind::eq || k == nodeKind::ge || k == nodeKind::gt || k == nodeKind::le ||
           k == nodeKind::lt;
}

bool isBinary(nodeKind k) noexcept {
    return k == nodeKind::plus || k == nodeKind::sub || k == nodeKind::mul || k == nodeKind::div ||
           isRelation(k);
}

bool isUnary(nodeKind k) noexcept {
    switch (k) {
    case nodeKind::minus:
    case nodeKind::exp:
    case nodeKind::log:
    case nodeKind::sqr:
    case nodeKind::sqrt:
    case nodeKind::cos:
    case nodeKind::sin:
    case nodeKind::tan:
    case nodeKind::acos:
    case nodeKind::asin:
    case nodeKind::atan:
    case nodeKind::pow:
        return true;
    default:
        return false;
    }
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
