#include "solver/sets/box_store.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>

namespace modal {

void boxStore::reset(const box& shape) {
    box names = shape;
    for (int i = 0; i < names.size(); ++i)
        names[i].domain = ivalDb::exact(0, 0);
    shape_ = std::make_shared<const box>(std::move(names));
    n_ = shape.size();
    clear();
}

void boxStore::shrink() {
    bounds_.shrink_to_fit();
}

void boxStore::append(const box& b) {
    for (int i = 0; i < n_; ++i) {
        bounds_.push_back(b[i].domain.inf());
        bounds_.push_back(b[i].domain.sup());
    }
    ++count_;
}

void boxStore::append(const boxStore& other, std::size_t i) {
    const double* p = other.boundsOf(i);
    bounds_.insert(bounds_.end(), p, p + 2 * static_cast<std::size_t>(n_));
    ++count_;
}

void boxStore::resize(std::size_t n) {
    const std::size_t doubles = n * 2 * static_cast<std::size_t>(n_);
    if (doubles > bounds_.capacity()) {
        bounds_.reserve(doubles);
        // Millions of boxes fill hundreds of megabytes that nothing has
        // touched yet: in huge pages the kernel maps them with a fault for
        // every 2 MB instead of every 4 kB.
        constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
        const auto from = reinterpret_cast<std::uintptr_t>(bounds_.data() + bounds_.size());
        const auto to = reinterpret_cast<std::uintptr_t>(bounds_.data() + doubles);
        const std::uintptr_t start = (from + huge - 1) & ~(huge - 1);
        if (to > start + huge)
            madvise(reinterpret_cast<void*>(start), (to - start) & ~(huge - 1), MADV_HUGEPAGE);
    }
    bounds_.resize(doubles);
    count_ = n;
}

void boxStore::appendBounds(const double* p) {
    bounds_.insert(bounds_.end(), p, p + 2 * static_cast<std::size_t>(n_));
    ++count_;
}

void boxStore::dropFront(std::size_t k) {
    k = std::min(k, count_);
    bounds_.erase(bounds_.begin(), bounds_.begin() + static_cast<std::ptrdiff_t>(
                                                         k * 2 * static_cast<std::size_t>(n_)));
    count_ -= k;
}

void boxStore::load(std::size_t i, box& into) const {
    loadBounds(boundsOf(i), into);
}

void boxStore::loadBounds(const double* bounds, box& into) {
    for (int v = 0; v < into.size(); ++v)
        into[v].domain = ivalDb::exact(bounds[2 * v], bounds[2 * v + 1]);
}

box boxStore::at(std::size_t i) const {
    box b = *shape_;
    load(i, b);
    return b;
}

std::vector<double> boxStore::takeBounds() noexcept {
    std::vector<double> taken = std::move(bounds_);
    bounds_.clear();
    count_ = 0;
    return taken;
}

} // namespace modal
