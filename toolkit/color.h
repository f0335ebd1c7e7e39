// Colours as the programs write them: 24-bit values $00BBGGRR, so 0x0000FF is
// red, 0x00FF00 green and 0xFF0000 blue.
#pragma once

#include <QColor>
#include <cstdint>

namespace toolkit {

using Color = std::uint32_t;

inline constexpr Color kBlack = 0x000000;
inline constexpr Color kWhite = 0xFFFFFF;
inline constexpr Color kRed = 0x0000FF;
inline constexpr Color kGreen = 0x00FF00;
inline constexpr Color kBlue = 0xFF0000;
inline constexpr Color kYellow = 0x00FFFF;

// The byte above the blue one is ignored.
QColor toQColor(Color c);
Color fromQColor(const QColor& c);
// The same conversion for a pixel value of a 32-bit QImage (0xAARRGGBB).
Color fromRgb(unsigned int rgb);

} // namespace toolkit
