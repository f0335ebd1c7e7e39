#include "solver/language/syntax_error.h"

#include <algorithm>

#include "solver/language/suggest.h"
#include "solver/language/tokens.h"

namespace modal {

namespace {

bool isContinuationByte(char c) noexcept {
    return (static_cast<unsigned char>(c) & 0xC0u) == 0x80u;
}

// 1-based column of `at` in characters (UTF-8 sequences count once).
std::size_t columnOf(std::string_view text, const char* at) {
    const auto n = static_cast<std::size_t>(
        std::clamp<std::ptrdiff_t>(at - text.data(), 0, static_cast<std::ptrdiff_t>(text.size())));
    return 1 + static_cast<std::size_t>(
                   std::count_if(text.begin(), text.begin() + static_cast<std::ptrdiff_t>(n),
                                 [](char c) { return !isContinuationByte(c); }));
}

std::string_view wordAt(const char* at, const char* last) {
    const char* p = at;
    while (p != last && tokens::isNameChar(*p))
        ++p;
    return std::string_view(at, static_cast<std::size_t>(p - at));
}

// The token at `at` as the message shows it.
std::string foundText(const char* at, const char* last) {
    if (at == last) return "the end of the statement";
    if (tokens::isLetter(*at)) return "'" + std::string(wordAt(at, last)) + "'";
    if (const auto n = tokens::realNumberLength(at, last); n > 0 && *at != '-' && *at != '+')
        return "'" + std::string(at, static_cast<std::size_t>(n)) + "'";
    const char* p = at + 1;
    while (p != last && isContinuationByte(*p))
        ++p;
    return "'" + std::string(at, p) + "'";
}

std::string joined(std::span<const std::string_view> items) {
    std::string s;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) s += i + 1 == items.size() ? " or " : ", ";
        s += items[i];
    }
    return s;
}

bool startsWith(const char* at, const char* last, std::string_view prefix) {
    return static_cast<std::size_t>(last - at) >= prefix.size() &&
           std::string_view(at, prefix.size()) == prefix;
}

std::string_view trimmedStart(std::string_view text) {
    while (!text.empty() && tokens::isWhite(text.front()))
        text.remove_prefix(1);
    return text;
}

// " (did you mean NAME?)" for the closest name, or `otherwise`.
std::string closest(std::string_view word, std::span<const std::string_view> candidates,
                    const std::string& otherwise) {
    const std::string_view c = closest_name(word, candidates);
    return c.empty() ? otherwise : " (did you mean " + std::string(c) + "?)";
}

std::string unknownNameReason(std::string_view word, vocabulary of,
                              const syntax_vocabulary& names) {
    const std::string w = "'" + std::string(word) + "'";
    switch (of) {
    case vocabulary::variable:
        return w + " is not a declared variable" + closest(word, names.variables, "");
    case vocabulary::function:
        return "unknown function " + w +
               closest(word, names.functions,
                       " (the functions are " + joined(names.functions) + ")");
    case vocabulary::option:
        return "unknown option " + w +
               closest(word, names.options, " (solver --help lists the options)");
    case vocabulary::algorithm:
        return "unknown algorithm " + w +
               closest(word, names.algorithms, " (" + joined(names.algorithms) + ")");
    }
    return w;
}

} // namespace

void parse_trace::failed(const char* at, std::string_view label, int labelRank) {
    reached(at);
    if (at != furthest || labelRank < rank) return;
    if (labelRank > rank) {
        expected.clear();
        rank = labelRank;
    }
    if (std::find(expected.begin(), expected.end(), label) == expected.end())
        expected.push_back(label);
}

syntax_error describe_syntax_error(std::string_view text, const parse_trace& trace,
                                   const syntax_limits& limits, const syntax_vocabulary& names) {
    const char* first = text.data();
    const char* last = first + text.size();
    const char* at = trace.furthest != nullptr ? std::clamp(trace.furthest, first, last) : first;
    const auto error = [&](const char* where, std::string reason) {
        const char* w = std::clamp(where, first, last);
        return syntax_error{columnOf(text, w), std::move(reason),
                            static_cast<std::size_t>(w - first)};
    };

    if (trace.too_deep != nullptr)
        return error(trace.too_deep,
                     "expression deeper than " + std::to_string(limits.max_tree_depth) + " levels");
    if (trace.nesting_refused != nullptr && trace.nesting_refused >= at)
        return error(trace.nesting_refused,
                     "nesting deeper than " + std::to_string(limits.max_nesting) + " levels");
    if (const auto& u = trace.unknown; u.first != nullptr && u.first <= at && at < u.extent)
        return error(
            u.first,
            unknownNameReason(std::string_view(u.first, static_cast<std::size_t>(u.last - u.first)),
                              u.of, names));
    if (startsWith(at, last, "\xEF\xBB\xBF"))
        return error(at, "UTF-8 byte order mark: save the file without one");
    if (at != last && tokens::isLetter(*at) &&
        static_cast<std::ptrdiff_t>(wordAt(at, last).size()) > limits.max_name_length)
        return error(at,
                     "name longer than " + std::to_string(limits.max_name_length) + " characters");
    if (std::find(trace.expected.begin(), trace.expected.end(), tokens::kExponentLabel) !=
            trace.expected.end() &&
        at != last && tokens::isDigit(at[*at == '-' && at + 1 != last ? 1 : 0]))
        return error(at, "number out of range: the exponent of pow must lie within " +
                             std::to_string(-2147483647L - 1) + " and 2147483647");
    // Common slips, said in the terms of the language.
    if (startsWith(at, last, ":="))
        return error(at, "':=' must follow f, lf or c with no white space inside f:=, lf:=, c:=");
    if (startsWith(at, last, "^")) return error(at, "no '^' operator: write powers as pow(x, n)");
    if (const std::string_view t = trimmedStart(text);
        t.substr(0, 9) == "Algorithm" && t.size() > 9 && tokens::isWhite(t[9]) &&
        trimmedStart(t.substr(9)).substr(0, 1) == "=")
        return error(t.data() + 9, "no white space may come between Algorithm and '='");
    if (at != last && static_cast<unsigned char>(*at) >= 0x80u)
        return error(at, "character " + foundText(at, last) +
                             " is not allowed here (only ASCII outside comments)");
    if (trace.expected.empty()) return error(at, "unexpected " + foundText(at, last));
    return error(at, "expected " + joined(trace.expected) + ", found " + foundText(at, last));
}

} // namespace modal
