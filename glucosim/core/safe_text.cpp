#include "glucosim/core/safe_text.h"

namespace glucosim {

namespace {

// Length of the UTF-8 sequence that starts at s[i], or 0 when the bytes there
// are not one (overlong forms, surrogates and values above U+10FFFF included).
std::size_t utf8Length(std::string_view s, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char b = byte(i);
    std::size_t n = 0;
    unsigned min = 0, cp = 0;
    if (b >= 0xC2 && b <= 0xDF) {
        n = 2, cp = b & 0x1Fu, min = 0x80;
    } else if (b >= 0xE0 && b <= 0xEF) {
        n = 3, cp = b & 0x0Fu, min = 0x800;
    } else if (b >= 0xF0 && b <= 0xF4) {
        n = 4, cp = b & 0x07u, min = 0x10000;
    } else {
        return 0;
    }
    if (i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k) {
        if ((byte(i + k) & 0xC0u) != 0x80u) return 0;
        cp = (cp << 6) | (byte(i + k) & 0x3Fu);
    }
    if (cp < min || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return n;
}

} // namespace

std::string printable(std::string_view text, std::size_t maxChars) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++chars) {
        if (chars == maxChars) return out + "...";
        const auto b = static_cast<unsigned char>(text[i]);
        if (b >= 0x20 && b < 0x7F) {
            out += static_cast<char>(b);
            ++i;
        } else if (const std::size_t n = b >= 0x80 ? utf8Length(text, i) : 0) {
            out.append(text.substr(i, n));
            i += n;
        } else {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
            ++i;
        }
    }
    return out;
}

} // namespace glucosim
