// BMP files, written without any library.
#pragma once

#include <string>

#include "toolkit/image.h"

namespace toolkit {

// The resolution that picture files state, in pixels per metre (100 dots
// per inch).
inline constexpr int kPixelsPerMetre = 3937;

// A 24-bit BMP file: the file and information headers, then the rows from the
// bottom up, blue, green and red bytes, each row padded to a multiple of four
// bytes. False when the image is empty or the file cannot be written.
bool writeBmp(const Image& image, const std::string& path);

} // namespace toolkit
