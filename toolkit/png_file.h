// PNG files written with zlib.
#pragma once

#include <string>

#include "toolkit/image.h"

namespace toolkit {

// An 8-bit RGB PNG file, not interlaced, that states the resolution of the
// BMP files. False when the image is empty or the file cannot be written.
bool writePng(const Image& image, const std::string& path);

} // namespace toolkit
