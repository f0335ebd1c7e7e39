// The pixels of a picture: width x height colours, row by row from the top.
// A plain value: copies are deep, and an empty image (0 x 0) has no pixels.
#pragma once

#include <cstddef>
#include <vector>

#include "toolkit/color.h"

namespace toolkit {

namespace detail {
// Memory for pixels: blocks of 2 MiB and more are asked for in huge pages
// where the system offers them, so that a picture's first drawing costs a
// few page faults instead of hundreds (a process start is mostly those).
template <class T> struct PixelAllocator {
    using value_type = T;
    PixelAllocator() = default;
    template <class U> PixelAllocator(const PixelAllocator<U>&) {}
    T* allocate(std::size_t n);
    void deallocate(T* p, std::size_t n);
    template <class U> bool operator==(const PixelAllocator<U>&) const { return true; }
};
} // namespace detail

class Image {
public:
    Image() = default;
    // Sizes below 1 give an empty image.
    Image(int width, int height, Color fill);

    int width() const { return width_; }
    int height() const { return height_; }
    bool empty() const { return pixels_.empty(); }
    bool contains(int x, int y) const { return x >= 0 && y >= 0 && x < width_ && y < height_; }

    // Unchecked access: the caller keeps (x, y) inside.
    Color pixel(int x, int y) const { return pixels_[index(x, y)]; }
    Color* row(int y) { return pixels_.data() + index(0, y); }
    const Color* row(int y) const { return pixels_.data() + index(0, y); }

    bool operator==(const Image&) const = default;

private:
    std::size_t index(int x, int y) const {
        return static_cast<std::size_t>(y) * static_cast<std::size_t>(width_) +
               static_cast<std::size_t>(x);
    }

    int width_ = 0;
    int height_ = 0;
    std::vector<Color, detail::PixelAllocator<Color>> pixels_;
};

} // namespace toolkit
