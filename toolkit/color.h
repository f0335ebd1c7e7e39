// Colours as the programs write them: 24-bit values $00BBGGRR, so 0x0000FF is
// red, 0x00FF00 green and 0xFF0000 blue. The byte above the blue one is
// ignored wherever a colour is drawn.
#pragma once

#include <cstdint>

namespace toolkit {

using Color = std::uint32_t;

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x00FF00;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kYellow = 0x00FFFF;

inline constexpr Color kColorMask = 0xFFFFFF;

constexpr std::uint8_t redOf(Color c) {
    return static_cast<std::uint8_t>(c & 0xFF);
}
constexpr std::uint8_t greenOf(Color c) {
    return static_cast<std::uint8_t>((c >> 8) & 0xFF);
}
constexpr std::uint8_t blueOf(Color c) {
    return static_cast<std::uint8_t>((c >> 16) & 0xFF);
}

} // namespace toolkit
