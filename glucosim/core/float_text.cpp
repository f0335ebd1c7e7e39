#include "glucosim/core/float_text.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace glucosim {

std::string FloatToStr(double x) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
    if (x == 0.0) return "0";

    // printf's %.15g: 15 significant digits, trailing zeros dropped, fixed
    // notation for decimal exponents -4..14 ("123.5", "1.5e+20").
    char buf[32];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::general, 15);
    const std::string_view text(buf, static_cast<std::size_t>(res.ptr - buf));
    const auto ePos = text.find('e');
    std::string mantissa(text.substr(0, ePos));
    if (const auto dot = mantissa.find('.'); dot != std::string::npos) mantissa[dot] = ',';
    if (ePos == std::string_view::npos) return mantissa;

    // The exponent without '+' and leading zeros ("1,5E20", "2E-7"), except
    // that exponent -5 is still written in fixed notation ("0,000045").
    auto expText = text.substr(ePos + 1);
    if (expText.front() == '+') expText.remove_prefix(1);
    int exponent = 0;
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    if (exponent != -5) return mantissa + 'E' + std::to_string(exponent);
    const bool negative = mantissa.front() == '-';
    std::string digits = mantissa.substr(negative ? 1 : 0);
    if (digits.size() > 1) digits.erase(1, 1); // the comma after the first digit
    return (negative ? "-0,0000" : "0,0000") + digits;
}

std::string formatFixed3(double x) {
    if (!std::isfinite(x)) return FloatToStr(x);
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::fixed, 3);
    std::string out(buf, res.ptr);
    if (const auto dot = out.find('.'); dot != std::string::npos) out[dot] = ',';
    return out;
}

namespace {

std::optional<double> parseFinite(std::string_view s) {
    // from_chars takes no leading '+'.
    if (!s.empty() && s.front() == '+') {
        s.remove_prefix(1);
        if (!s.empty() && s.front() == '-') return std::nullopt;
    }
    // Only digits, one '.', an exponent and signs may appear: from_chars
    // would otherwise also accept "inf" and "nan".
    for (const char c : s)
        if (!((c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '-' || c == '+'))
            return std::nullopt;
    double value = 0.0;
    const auto res = std::from_chars(s.data(), s.data() + s.size(), value);
    if (res.ec != std::errc() || res.ptr != s.data() + s.size() || !std::isfinite(value))
        return std::nullopt;
    return value;
}

} // namespace

std::optional<double> parseUserNumber(std::string_view text) {
    const auto isBlank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    std::string s(text);
    const auto comma = s.find(',');
    if (comma != std::string::npos) {
        if (s.find(',', comma + 1) != std::string::npos || s.find('.') != std::string::npos)
            return std::nullopt;
        s[comma] = '.';
    }
    return parseFinite(s);
}

std::optional<double> parseDataNumber(std::string_view token) {
    return parseFinite(token);
}

} // namespace glucosim
