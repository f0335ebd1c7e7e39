#include "solver/sets/box_store.h"

#include <algorithm>
#include <charconv>
#include <ostream>

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

void boxStore::dropFront(std::size_t k) {
    k = std::min(k, count_);
    bounds_.erase(bounds_.begin(), bounds_.begin() + static_cast<std::ptrdiff_t>(
                                                         k * 2 * static_cast<std::size_t>(n_)));
    count_ -= k;
}

void boxStore::load(std::size_t i, box& into) const {
    const double* p = boundsOf(i);
    for (int v = 0; v < n_; ++v)
        into[v].domain = ivalDb::exact(p[2 * v], p[2 * v + 1]);
}

box boxStore::at(std::size_t i) const {
    box b = *shape_;
    load(i, b);
    return b;
}

void boxStore::print(std::ostream& os, std::size_t i) const {
    const double* p = boundsOf(i);
    os << "\n"
       << "Box:";
    for (int v = 0; v < n_; ++v)
        os << "\n" << (*shape_)[v].name << "=" << ivalDb::exact(p[2 * v], p[2 * v + 1]);
}

} // namespace modal

namespace modal {

namespace {

// A bound as "%.*g" writes it, which is what a stream with that precision
// and no format flags writes (to_chars follows printf's rules exactly).
void appendNumber(std::string& out, double x, int precision) {
    char text[64];
    const std::to_chars_result r =
        std::to_chars(text, text + sizeof text, x, std::chars_format::general, precision);
    out.append(text, r.ptr);
}

} // namespace

void boxStore::appendText(std::string& out, std::size_t first, std::size_t last,
                          int precision) const {
    for (std::size_t i = first; i < last && i < count_; ++i) {
        const double* p = boundsOf(i);
        out += "\nBox:";
        for (int v = 0; v < n_; ++v) {
            out += '\n';
            out += (*shape_)[v].name;
            out += "=[";
            appendNumber(out, p[2 * v], precision);
            out += ", ";
            appendNumber(out, p[2 * v + 1], precision);
            out += ']';
        }
    }
}

} // namespace modal
