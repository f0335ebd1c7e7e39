#include "toolkit/image.h"

namespace toolkit {

Image::Image(int width, int height, Color fill) {
    if (width < 1 || height < 1) return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                   fill & kColorMask);
}

} // namespace toolkit
