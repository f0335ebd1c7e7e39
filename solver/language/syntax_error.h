// Why a statement text is not in the problem language, and where: what the
// grammar saw at the furthest point any attempt reached, turned into one
// reason that a person can act on.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace modal {

struct syntax_error {
    std::size_t column = 0; // 1-based, in characters of the statement text
    std::string reason;
    std::size_t offset = 0; // the same place in bytes from the start of the text
};

// The vocabularies of the language whose names a word may miss.
enum class vocabulary : std::uint8_t { variable, function, option, algorithm };

// What a failed parse leaves behind for its description.
struct parse_trace {
    // The furthest position any token attempt started at, and what the
    // attempts that failed there expected (labels of equal highest rank).
    const char* furthest = nullptr;
    std::vector<std::string_view> expected;
    int rank = 0;
    // The last word met where a name of some vocabulary belongs that is
    // none of its names, as [first, last); `extent` is where the text it
    // accounts for ends (the end of an option's value).
    struct unknown_name {
        vocabulary of = vocabulary::variable;
        const char* first = nullptr;
        const char* last = nullptr;
        const char* extent = nullptr;
    };
    unknown_name unknown;
    // Where the nesting limit refused a factor, and where the expression
    // tree first grew deeper than its limit (null when it did not happen).
    const char* nesting_refused = nullptr;
    const char* too_deep = nullptr;

    void clear() { *this = parse_trace(); }
    // An attempt that starts at `at`.
    void reached(const char* at) {
        if (furthest == nullptr || at > furthest) {
            furthest = at;
            expected.clear();
            rank = 0;
        }
    }
    // An attempt at `at` that failed, expecting `label`; a label of higher
    // rank replaces those of lower rank at the same position.
    void failed(const char* at, std::string_view label, int labelRank = 1);
};

// Limits named in the reasons.
struct syntax_limits {
    int max_nesting;
    int max_tree_depth;
    std::ptrdiff_t max_name_length;
};

// The names of each vocabulary, for "did you mean" in the reasons.
struct syntax_vocabulary {
    std::span<const std::string_view> variables;
    std::span<const std::string_view> functions;
    std::span<const std::string_view> options;
    std::span<const std::string_view> algorithms;
};

// The reason the statement `text` failed, from the trace of its parse.
syntax_error describe_syntax_error(std::string_view text, const parse_trace& trace,
                                   const syntax_limits& limits,
                                   const syntax_vocabulary& names = {});

} // namespace modal
