// The F* solver's step log: written only at log level 1.
#pragma once

#include <ostream>
#include <string_view>

namespace modal {

// A newline, the message and two newlines, flushed at each newline, when
// `level` is exactly 1; nothing otherwise.
inline void logLine(std::ostream& log, int level, std::string_view message) {
    if (level != 1) return;
    log << "\n" << std::flush << message << "\n" << std::flush << "\n" << std::flush;
}

} // namespace modal
