#include "solver/language/suggest.h"

#include <algorithm>
#include <cstddef>
#include <vector>

namespace modal {

namespace {

char lower(char c) noexcept {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool sameIgnoringCase(std::string_view a, std::string_view b) noexcept {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(),
                                              [](char x, char y) { return lower(x) == lower(y); });
}

// Edits from a to b, case ignored: insertions, deletions, substitutions and
// swaps of neighbours, each counting one.
std::size_t editDistance(std::string_view a, std::string_view b) {
    const std::size_t n = a.size(), m = b.size();
    std::vector<std::vector<std::size_t>> d(n + 1, std::vector<std::size_t>(m + 1));
    for (std::size_t i = 0; i <= n; ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= m; ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= n; ++i) {
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t cost = lower(a[i - 1]) == lower(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && lower(a[i - 1]) == lower(b[j - 2]) &&
                lower(a[i - 2]) == lower(b[j - 1]))
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[n][m];
}

// Edits a word of this length may be away from what it stands for: none for
// one or two letters (only the case may differ), then one per four letters.
std::size_t allowedEdits(std::size_t length) noexcept {
    return length <= 2 ? 0 : (length + 3) / 4;
}

} // namespace

std::string_view closest_name(std::string_view word, std::span<const std::string_view> candidates) {
    for (const std::string_view c : candidates)
        if (sameIgnoringCase(word, c)) return c;
    std::string_view best;
    std::size_t bestEdits = allowedEdits(word.size()) + 1;
    for (const std::string_view c : candidates) {
        const std::size_t e = editDistance(word, c);
        if (e < bestEdits) {
            best = c;
            bestEdits = e;
        }
    }
    return best;
}

} // namespace modal
