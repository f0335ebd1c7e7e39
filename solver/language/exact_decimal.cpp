#include "solver/language/exact_decimal.h"

#include <cmath>
#include <cstdio>
#include <string>

namespace modal {

namespace {

// A decimal as its significant digits (no leading or trailing zeros) and the
// power of ten of the last one; zero has no digits.
struct decimal {
    bool negative = false;
    std::string digits;
    long long exponent = 0;
};

void normalise(decimal& d) {
    const auto first = d.digits.find_first_not_of('0');
    if (first == std::string::npos) {
        d.digits.clear();
        d.exponent = 0;
        return;
    }
    d.digits.erase(0, first);
    const auto last = d.digits.find_last_not_of('0');
    d.exponent += static_cast<long long>(d.digits.size() - 1 - last);
    d.digits.erase(last + 1);
}

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// Reads "[sign] digits [. digits] [e|E [sign] digits]"; false on anything else.
bool parse(std::string_view t, decimal& d) {
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) d.negative = t[i++] == '-';
    long long fraction = 0;
    bool dot = false;
    for (; i < t.size() && (isDigit(t[i]) || (t[i] == '.' && !dot)); ++i) {
        if (t[i] == '.') {
            dot = true;
            continue;
        }
        d.digits.push_back(t[i]);
        if (dot) ++fraction;
    }
    if (d.digits.empty()) return false;
    long long e = 0;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        ++i;
        bool negative = false;
        if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
        if (i == t.size()) return false;
        for (; i < t.size() && isDigit(t[i]); ++i)
            if (e < 100000) e = e * 10 + (t[i] - '0'); // far beyond any double
        if (negative) e = -e;
    }
    if (i != t.size()) return false;
    d.exponent = e - fraction;
    normalise(d);
    return true;
}

// Every finite double has a finite decimal expansion; the C library prints
// it exactly when asked for enough digits.
decimal expansion(double v) {
    decimal d;
    d.negative = std::signbit(v);
    char buffer[1200];
    std::snprintf(buffer, sizeof buffer, "%.1100e", std::fabs(v));
    const std::string text(buffer);
    const auto e = text.find('e');
    d.digits = text.substr(0, 1) + text.substr(2, e - 2);
    d.exponent = std::stoll(text.substr(e + 1)) - static_cast<long long>(d.digits.size() - 1);
    normalise(d);
    return d;
}

} // namespace

bool isExactDecimal(std::string_view text, double value) {
    if (!std::isfinite(value)) return false;
    decimal written;
    if (!parse(text, written)) return false;
    const decimal exact = expansion(value);
    if (written.digits.empty() || exact.digits.empty())
        return written.digits.empty() && exact.digits.empty();
    return written.negative == exact.negative && written.digits == exact.digits &&
           written.exponent == exact.exponent;
}

} // namespace modal
