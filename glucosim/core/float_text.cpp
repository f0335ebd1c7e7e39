#include "glucosim/core/float_text.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace glucosim {

std::string FloatToStr(double x) {
    if (std::isnan(x)) return "NAN";
    if (std::isinf(x)) return x > 0 ? "INF" : "-INF";
    if (x == 0.0) return "0";

    // d.dddddddddddddde[+-]x: 15 significant digits, correctly rounded.
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, x, std::chars_format::scientific, 14);
    const std::string_view sci(buf, static_cast<std::size_t>(res.ptr - buf));
    const bool negative = sci.front() == '-';
    const std::size_t start = negative ? 1 : 0;
    const std::size_t ePos = sci.find('e');
    std::string digits;
    digits += sci[start];
    digits.append(sci.substr(start + 2, ePos - start - 2));
    while (digits.size() > 1 && digits.back() == '0')
        digits.pop_back();
    const int exponent = std::atoi(std::string(sci.substr(ePos + 1)).c_str());

    std::string out = negative ? "-" : "";
    if (exponent >= -5 && exponent < 15) {
        if (exponent >= 0) {
            const auto intDigits = static_cast<std::size_t>(exponent) + 1;
            if (digits.size() <= intDigits) {
                out += digits;
                out.append(intDigits - digits.size(), '0');
            } else {
                out += digits.substr(0, intDigits);
                out += ',';
                out += digits.substr(intDigits);
            }
        } else {
            out += "0,";
            out.append(static_cast<std::size_t>(-exponent - 1), '0');
            out += digits;
        }
    } else {
        out += digits[0];
        if (digits.size() > 1) {
            out += ',';
            out += digits.substr(1);
        }
        out += 'E';
        out += std::to_string(exponent);
    }
    return out;
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
