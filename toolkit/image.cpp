#include "toolkit/image.h"

#include <cstdlib>
#include <memory>
#include <new>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

namespace toolkit {

namespace detail {

namespace {
constexpr std::size_t kHugePage = std::size_t{2} << 20;
}

template <class T> T* PixelAllocator<T>::allocate(std::size_t n) {
    const std::size_t bytes = n * sizeof(T);
    if (bytes < kHugePage) return std::allocator<T>().allocate(n);
    const std::size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* p = std::aligned_alloc(kHugePage, rounded);
    if (p == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
    madvise(p, rounded, MADV_HUGEPAGE); // a request: without huge pages, nothing changes
#endif
    return static_cast<T*>(p);
}

template <class T> void PixelAllocator<T>::deallocate(T* p, std::size_t n) {
    if (n * sizeof(T) < kHugePage)
        std::allocator<T>().deallocate(p, n);
    else
        std::free(p);
}

template struct PixelAllocator<Color>;

} // namespace detail

Image::Image(int width, int height, Color fill) {
    if (width < 1 || height < 1) return;
    width_ = width;
    height_ = height;
    pixels_.assign(static_cast<std::size_t>(width) * static_cast<std::size_t>(height),
                   fill & kColorMask);
}

} // namespace toolkit
