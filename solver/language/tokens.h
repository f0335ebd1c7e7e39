// Token parsers of the problem language for Boost.Spirit Classic, used by the
// grammar inside lexeme_d (no white space inside a token), and a guard that
// bounds how deeply the grammar may recurse.
#pragma once

#include <charconv>
#include <cstddef>
#include <limits>
#include <string>
#include <string_view>
#include <system_error>
#include <type_traits>

#include <boost/spirit/include/classic_core.hpp>

namespace modal::tokens {

namespace sp = BOOST_SPIRIT_CLASSIC_NS;

// Longest identifier accepted. The name table keeps one node per character
// of a name and Spirit frees it recursively, so names are kept short enough
// for that to be harmless.
inline constexpr std::ptrdiff_t kMaxNameLength = 255;

// What the grammar expects where the exponent of pow goes.
inline constexpr std::string_view kExponentLabel = "an integer exponent";

// Character classes of the C locale, whatever locale the process runs in.
constexpr bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}
constexpr bool isLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
constexpr bool isNameChar(char c) noexcept {
    return isLetter(c) || isDigit(c) || c == '_';
}
// White space as the C library's isspace has it in the C locale.
constexpr bool isWhite(char c) noexcept {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Length of the real number at the start of [first, last), or 0 when there is
// none: optional sign, digits with an optional fraction (a number may start
// or end with the dot), optional exponent. An exponent marker without digits
// makes the whole text no number, as Spirit's real_p has it.
constexpr std::ptrdiff_t realNumberLength(const char* first, const char* last) noexcept {
    const char* p = first;
    if (p != last && (*p == '+' || *p == '-')) ++p;
    const char* digits = p;
    while (p != last && isDigit(*p))
        ++p;
    bool any = p != digits;
    if (p != last && *p == '.') {
        ++p;
        const char* frac = p;
        while (p != last && isDigit(*p))
            ++p;
        any = any || p != frac;
    }
    if (!any) return 0;
    if (p != last && (*p == 'e' || *p == 'E')) {
        ++p;
        if (p != last && (*p == '+' || *p == '-')) ++p;
        const char* exp = p;
        while (p != last && isDigit(*p))
            ++p;
        if (p == exp) return 0;
    }
    return p - first;
}

// Whether a real number token whose value lies outside the range of double
// is too large (true) or too small (false) in magnitude: the decimal order of
// its first non-zero digit plus its exponent.
constexpr bool exceedsDoubleRange(const char* first, const char* last) noexcept {
    const char* p = first;
    if (p != last && (*p == '+' || *p == '-')) ++p;
    long order = 0; // order of the first non-zero digit, once seen
    bool seen = false;
    bool fraction = false;
    long position = 0; // digits read before the point, or -(digits after it)
    for (; p != last && *p != 'e' && *p != 'E'; ++p) {
        if (*p == '.') {
            fraction = true;
            position = 0;
            continue;
        }
        if (fraction) --position;
        if (!seen && *p != '0') {
            seen = true;
            order = fraction ? position : 0;
        } else if (seen && !fraction) {
            ++order;
        }
    }
    long exponent = 0;
    bool negative = false;
    if (p != last) {
        ++p;
        if (p != last && (*p == '+' || *p == '-')) negative = *p++ == '-';
        for (; p != last; ++p)
            if (exponent < 1000000000L) exponent = exponent * 10 + (*p - '0');
    }
    return order + (negative ? -exponent : exponent) > 0;
}

// Converts a real number token to the nearest double. A magnitude beyond the
// range of double gives an infinity of the token's sign, one below the
// smallest subnormal a zero of its sign, as stored problem files expect
// (Time=1e400 means no limit). False only when the text is not a number.
inline bool convertRealNumber(const char* first, const char* last, double& value) noexcept {
    const bool negative = first != last && *first == '-';
    const char* digits = first != last && *first == '+' ? first + 1 : first; // no '+' in from_chars
    const auto r = std::from_chars(digits, last, value, std::chars_format::general);
    if (r.ptr != last) return false;
    if (r.ec == std::errc::result_out_of_range) {
        const double magnitude =
            exceedsDoubleRange(first, last) ? std::numeric_limits<double>::infinity() : 0.0;
        value = negative ? -magnitude : magnitude;
        return true;
    }
    return r.ec == std::errc();
}

// A real number, read as convertRealNumber reads it. Result: double.
struct realNumberFunctor {
    using result_t = double;
    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, result_t& result) const {
        static_assert(std::is_same_v<typename ScannerT::iterator_t, const char*>);
        const char* first = scan.first;
        const std::ptrdiff_t n = realNumberLength(first, scan.last);
        if (n == 0 || !convertRealNumber(first, first + n, result)) return -1;
        scan.first += n;
        return n;
    }
};

// Optional '-', then decimal digits; the value must fit an int. Result: long.
struct integerFunctor {
    using result_t = long;
    template <typename ScannerT>
    std::ptrdiff_t operator()(ScannerT const& scan, result_t& result) const {
        static_assert(std::is_same_v<typename ScannerT::iterator_t, const char*>);
        const char* first = scan.first;
        const char* last = scan.last;
        const char* p = first;
        if (p != last && *p == '-') ++p;
        const char* digits = p;
        while (p != last && isDigit(*p))
            ++p;
        if (p == digits) return -1;
        long value = 0;
        const auto r = std::from_chars(first, p, value);
        if (r.ec != std::errc() || value < -2147483647L - 1 || value > 2147483647L) return -1;
        result = value;
        scan.first += p - first;
        return p - first;
    }
};

// A letter, then letters, digits or '_', at most kMaxNameLength characters.
struct identifierFunctor {
    using result_t = sp::nil_t;
    template <typename ScannerT> std::ptrdiff_t operator()(ScannerT const& scan, result_t&) const {
        static_assert(std::is_same_v<typename ScannerT::iterator_t, const char*>);
        const char* first = scan.first;
        const char* last = scan.last;
        if (first == last || !isLetter(*first)) return -1;
        const char* p = first + 1;
        while (p != last && isNameChar(*p))
            ++p;
        if (p - first > kMaxNameLength) return -1;
        scan.first += p - first;
        return p - first;
    }
};

// nesting_guard(depth, limit, refused)[p]: p, except that it fails at once
// when already `limit` guarded parses are active, and then records where in
// `refused` (when not null). Wrapped around a recursive rule it bounds the
// recursion of the parse, however deep the text nests.
template <typename SubjectT>
struct nesting_guard_parser : sp::unary<SubjectT, sp::parser<nesting_guard_parser<SubjectT>>> {
    using self_t = nesting_guard_parser<SubjectT>;
    using base_t = sp::unary<SubjectT, sp::parser<self_t>>;

    template <typename ScannerT> struct result {
        using type = typename sp::parser_result<SubjectT, ScannerT>::type;
    };

    nesting_guard_parser(SubjectT const& subject, int& depth, int limit, const char** refused)
        : base_t(subject), depth_(&depth), limit_(limit), refused_(refused) {}

    template <typename ScannerT>
    typename sp::parser_result<self_t, ScannerT>::type parse(ScannerT const& scan) const {
        if (*depth_ >= limit_) {
            (void)scan.at_end(); // skips white space before the refused text
            if (refused_ != nullptr && *refused_ == nullptr) *refused_ = scan.first;
            return scan.no_match();
        }
        ++*depth_;
        auto hit = this->subject().parse(scan);
        --*depth_;
        return hit;
    }

private:
    int* depth_;
    int limit_;
    const char** refused_;
};

struct nesting_guard {
    int* depth;
    int limit;
    const char** refused = nullptr;
    template <typename ParserT>
    nesting_guard_parser<typename ParserT::derived_t>
    operator[](sp::parser<ParserT> const& p) const {
        return nesting_guard_parser<typename ParserT::derived_t>(p.derived(), *depth, limit,
                                                                 refused);
    }
};

} // namespace modal::tokens
