// "Did you mean ...?": the known name a mistyped word most likely stands for.
#pragma once

#include <span>
#include <string_view>

namespace modal {

// The candidate that differs from `word` only in the case of its letters, or
// else the first of those fewest edits away (a letter added, dropped,
// changed, or two neighbours swapped), when few enough for the word's length;
// empty when none is that close.
std::string_view closest_name(std::string_view word, std::span<const std::string_view> candidates);

} // namespace modal
