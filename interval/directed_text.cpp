#include "interval/directed_text.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <locale>
#include <ostream>
#include <system_error>

namespace modal {

namespace {

// Digits a decimal of this code may have; a double's exact expansion has at
// most 767 significant digits.
constexpr int kMaxDigits = 64;
constexpr int kExactDigits = 780;

// A decimal in scientific form: digits d0.d1d2... times 10^exponent, d0 not
// zero (the number is not zero).
struct decimal {
    bool negative = false;
    int count = 0;
    char digits[kMaxDigits];
    int exponent = 0;
};

// Reads printf's "%.*e" text ("-1.2345e+02").
void parseScientific(const char* first, const char* last, decimal& d, int maxDigits) {
    d.negative = *first == '-';
    if (d.negative) ++first;
    d.count = 0;
    const char* p = first;
    for (; p != last && *p != 'e'; ++p)
        if (*p != '.' && d.count < maxDigits) d.digits[d.count++] = *p;
    int e = 0;
    if (p != last) std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), last, e);
    d.exponent = e;
}

// Compares the magnitudes of two decimals: -1, 0 or 1. Missing digits are
// zeros.
int compareMagnitude(const decimal& a, const char* bDigits, int bCount, int bExponent) {
    if (a.exponent != bExponent) return a.exponent < bExponent ? -1 : 1;
    const int n = std::max(a.count, bCount);
    for (int i = 0; i < n; ++i) {
        const char x = i < a.count ? a.digits[i] : '0';
        const char y = i < bCount ? bDigits[i] : '0';
        if (x != y) return x < y ? -1 : 1;
    }
    return 0;
}

// Which side of x the decimal `d`, written as `text`, lies on: -1 below, 0
// equal, 1 above. The nearest double to the text decides, unless it is x
// itself; then x's exact expansion does.
int sideOf(const decimal& d, const char* first, const char* last, double x) {
    double y = 0;
    // A decimal beyond the largest double reads as out of range.
    if (std::from_chars(first, last, y).ec == std::errc::result_out_of_range)
        y = d.negative ? -kInf : kInf;
    if (y < x) return -1;
    if (y > x) return 1;
    char exact[kExactDigits + 16];
    const std::to_chars_result r = std::to_chars(exact, exact + sizeof exact, std::fabs(x),
                                                 std::chars_format::scientific, kExactDigits - 1);
    // The exact digits of |x|, read without the point.
    static thread_local char digits[kExactDigits];
    int count = 0, e = 0;
    const char* p = exact;
    for (; p != r.ptr && *p != 'e'; ++p)
        if (*p != '.') digits[count++] = *p;
    std::from_chars(p + 1 + (p[1] == '+' ? 1 : 0), r.ptr, e);
    const int magnitude = compareMagnitude(d, digits, count, e);
    return d.negative ? -magnitude : magnitude;
}

// Moves the magnitude of `d` by one unit of its last digit, up or down,
// keeping the number of digits (9.99e2 up is 1.00e3, 1.00e3 down is 9.99e2).
void stepMagnitude(decimal& d, bool up) {
    int i = d.count - 1;
    if (up) {
        while (i >= 0 && d.digits[i] == '9')
            d.digits[i--] = '0';
        if (i >= 0) {
            ++d.digits[i];
        } else {
            d.digits[0] = '1';
            ++d.exponent;
        }
    } else {
        while (i >= 0 && d.digits[i] == '0')
            d.digits[i--] = '9';
        --d.digits[i];
        if (d.digits[0] == '0') {
            // 1.00e3 - 0.01e3: all nines, one exponent lower.
            std::fill(d.digits, d.digits + d.count, '9');
            --d.exponent;
        }
    }
}

char* appendExponent(char* p, int e) {
    *p++ = 'e';
    *p++ = e < 0 ? '-' : '+';
    const int a = e < 0 ? -e : e;
    if (a < 10) *p++ = '0';
    return std::to_chars(p, p + 8, a).ptr;
}

// `d` as "%.*e" with count - 1 decimals.
char* renderScientific(char* p, const decimal& d) {
    if (d.negative) *p++ = '-';
    *p++ = d.digits[0];
    if (d.count > 1) {
        *p++ = '.';
        p = std::copy(d.digits + 1, d.digits + d.count, p);
    }
    return appendExponent(p, d.exponent);
}

// `d` as "%.*g" with count significant digits writes it.
char* renderGeneral(char* p, const decimal& d) {
    const int P = d.count, X = d.exponent;
    int last = P; // digits up to the last non-zero one
    while (last > 1 && d.digits[last - 1] == '0')
        --last;
    if (d.negative) *p++ = '-';
    if (X < P && X >= -4) {
        if (X >= 0) {
            p = std::copy(d.digits, d.digits + X + 1, p);
            if (last > X + 1) {
                *p++ = '.';
                p = std::copy(d.digits + X + 1, d.digits + last, p);
            }
        } else {
            *p++ = '0';
            *p++ = '.';
            p = std::fill_n(p, -X - 1, '0');
            p = std::copy(d.digits, d.digits + last, p);
        }
        return p;
    }
    *p++ = d.digits[0];
    if (last > 1) {
        *p++ = '.';
        p = std::copy(d.digits + 1, d.digits + last, p);
    }
    return appendExponent(p, X);
}

} // namespace

std::to_chars_result toCharsDirected(char* first, char* last, double x, std::chars_format format,
                                     int precision, rounding direction) {
    const std::to_chars_result nearest = std::to_chars(first, last, x, format, precision);
    if (direction == rounding::nearest || nearest.ec != std::errc() || !std::isfinite(x) ||
        x == 0.0)
        return nearest;
    // The digits printf would print, to the precision of the format.
    const int digits =
        format == std::chars_format::general ? std::max(precision, 1) : precision + 1;
    if (digits > kMaxDigits ||
        (format != std::chars_format::general && format != std::chars_format::scientific))
        return nearest;
    char sci[kMaxDigits + 16];
    const std::to_chars_result s =
        format == std::chars_format::scientific
            ? nearest
            : std::to_chars(sci, sci + sizeof sci, x, std::chars_format::scientific, digits - 1);
    const char* text = format == std::chars_format::scientific ? first : sci;
    decimal d;
    parseScientific(text, s.ptr, d, kMaxDigits);
    const int side = sideOf(d, text, s.ptr, x);
    const bool tooHigh = direction == rounding::down && side > 0;
    const bool tooLow = direction == rounding::up && side < 0;
    if (!tooHigh && !tooLow) return nearest;
    // Down on a negative number is a larger magnitude, and so on.
    stepMagnitude(d, tooLow != d.negative);
    char out[kMaxDigits + 16];
    char* end =
        format == std::chars_format::scientific ? renderScientific(out, d) : renderGeneral(out, d);
    const std::size_t n = static_cast<std::size_t>(end - out);
    if (n > static_cast<std::size_t>(last - first)) return {last, std::errc::value_too_large};
    std::memcpy(first, out, n);
    return {first + n, std::errc()};
}

void appendDirected(std::string& out, double x, std::chars_format format, int precision,
                    rounding direction) {
    char text[kMaxDigits + 32];
    const std::to_chars_result r =
        toCharsDirected(text, text + sizeof text, x, format, precision, direction);
    if (r.ec == std::errc()) {
        out.append(text, r.ptr);
        return;
    }
    std::string big(static_cast<std::size_t>(precision) + 400, '\0');
    const std::to_chars_result b =
        toCharsDirected(big.data(), big.data() + big.size(), x, format, precision, direction);
    out.append(big.data(), b.ptr);
}

void writeDirected(std::ostream& os, double x, rounding direction) {
    const std::ios::fmtflags field = os.flags() & std::ios::floatfield;
    const bool plain =
        os.getloc() == std::locale::classic() &&
        (os.flags() & (std::ios::showpos | std::ios::uppercase | std::ios::showpoint)) == 0;
    if (direction == rounding::nearest || !plain ||
        (field != std::ios::scientific && field != std::ios::fmtflags{})) {
        os << x;
        return;
    }
    std::string text;
    appendDirected(text, x,
                   field == std::ios::scientific ? std::chars_format::scientific
                                                 : std::chars_format::general,
                   static_cast<int>(os.precision()), direction);
    // Padding as the stream would pad a number.
    const std::streamsize width = os.width(0);
    if (width > static_cast<std::streamsize>(text.size())) {
        const std::string pad(static_cast<std::size_t>(width) - text.size(), os.fill());
        text = (os.flags() & std::ios::left) != 0 ? text + pad : pad + text;
    }
    os << text;
}

boundRounding roundingFor(const ivalDb& x, regionText r) noexcept {
    if (r == regionText::nearest) return kNearest;
    const bool grow = r == regionText::grown;
    const rounding lowEnd = grow ? rounding::down : rounding::up;
    const rounding highEnd = grow ? rounding::up : rounding::down;
    return x.inf() > x.sup() ? boundRounding{highEnd, lowEnd} : boundRounding{lowEnd, highEnd};
}

void writeInterval(std::ostream& os, const ivalDb& x, boundRounding r) {
    os << '[';
    writeDirected(os, x.inf(), r.inf);
    os << ", ";
    writeDirected(os, x.sup(), r.sup);
    os << ']';
}

} // namespace modal
