// Text taken from a file or a command line, made fit to show in a message:
// valid UTF-8 stays as it is, control characters and bytes that are not
// UTF-8 become \xNN escapes, and long texts are cut.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace glucosim {

// At most `maxChars` characters of `text`, followed by "..." when cut.
std::string printable(std::string_view text, std::size_t maxChars = 60);

} // namespace glucosim
