#include "solver/sets/box_store.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>
#include <cstdint>
#include <ostream>
#include <system_error>

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

void boxStore::print(std::ostream& os, std::size_t i, regionText r) const {
    const double* p = boundsOf(i);
    os << "\n"
       << "Box:";
    for (int v = 0; v < n_; ++v) {
        const ivalDb d = ivalDb::exact(p[2 * v], p[2 * v + 1]);
        os << "\n" << (*shape_)[v].name << "=";
        writeInterval(os, d, roundingFor(d, r));
    }
}

namespace {

// The texts of recently written numbers: the boxes of a paving share most of
// their bounds, and formatting a double costs far more than finding it here.
// Each bound is written as "%.*g" writes it (what a stream with that
// precision and no format flags writes), rounded in the direction asked.
class numberTexts {
public:
    explicit numberTexts(int precision) : precision_(precision) {}
    void append(std::string& out, double x, rounding direction) {
        const auto bits = std::bit_cast<std::uint64_t>(x);
        const auto way = static_cast<std::uint8_t>(direction);
        entry& e = entries_[((bits + way) * 0x9E3779B97F4A7C15ull) >> 56];
        if (!e.used || e.bits != bits || e.way != way) {
            const std::to_chars_result r =
                toCharsDirected(e.text, e.text + sizeof e.text, x, std::chars_format::general,
                                precision_, direction);
            if (r.ec != std::errc()) {
                e.used = false;
                appendDirected(out, x, std::chars_format::general, precision_, direction);
                return;
            }
            e.length = static_cast<std::uint8_t>(r.ptr - e.text);
            e.bits = bits;
            e.way = way;
            e.used = true;
        }
        out.append(e.text, e.length);
    }

private:
    struct entry {
        std::uint64_t bits = 0;
        char text[40];
        std::uint8_t length = 0;
        std::uint8_t way = 0;
        bool used = false;
    };
    int precision_;
    std::array<entry, 256> entries_{};
};

} // namespace

void boxStore::appendText(std::string& out, std::size_t first, std::size_t last, int precision,
                          regionText r) const {
    numberTexts texts(precision);
    for (std::size_t i = first; i < last && i < count_; ++i) {
        const double* p = boundsOf(i);
        out += "\nBox:";
        for (int v = 0; v < n_; ++v) {
            const boundRounding way = roundingFor(ivalDb::exact(p[2 * v], p[2 * v + 1]), r);
            out += '\n';
            out += (*shape_)[v].name;
            out += "=[";
            texts.append(out, p[2 * v], way.inf);
            out += ", ";
            texts.append(out, p[2 * v + 1], way.sup);
            out += ']';
        }
    }
}

} // namespace modal
