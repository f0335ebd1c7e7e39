// Boxes of one set-inversion run held compactly: the variables' names and the
// plot axes once for the whole store, the bounds of every box side by side in
// one array (inf and sup of each variable, in variable order). A box costs
// two doubles per variable.
#pragma once

#include <algorithm>
#include <cstddef>
#include <iosfwd>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "solver/model/box.h"

namespace modal {

class boxStore {
public:
    boxStore() = default;

    // Empties the store and takes the names and plot axes of `shape`; every
    // box stored from then on has its variables.
    void reset(const box& shape);
    // Empties the store, keeping the names.
    void clear() noexcept {
        bounds_.clear();
        count_ = 0;
    }
    // Gives back the memory of the bounds.
    void shrink();
    // Makes room for n boxes in all.
    void reserve(std::size_t n) { bounds_.reserve(n * 2 * static_cast<std::size_t>(n_)); }

    int dimension() const noexcept { return n_; }
    std::size_t size() const noexcept { return count_; }
    bool empty() const noexcept { return count_ == 0; }

    // Appends the bounds of b, which has the store's variables.
    void append(const box& b);
    // Appends box i of another store with the same variables.
    void append(const boxStore& other, std::size_t i);
    // Appends a box given by its bounds (inf and sup of each variable).
    void appendBounds(const double* bounds);
    // Makes the store hold n boxes: those beyond the boxes it held are
    // zeros until setBounds gives them their bounds.
    void resize(std::size_t n);
    // Sets the bounds of box i (inf and sup of each variable); threads may
    // set different boxes at once.
    void setBounds(std::size_t i, const double* p) noexcept {
        const std::size_t w = 2 * static_cast<std::size_t>(n_);
        std::copy(p, p + w, bounds_.data() + i * w);
    }
    // Removes the first k boxes.
    void dropFront(std::size_t k);

    // Sets the domains of `into`, a box with the store's variables, to the
    // bounds of box i.
    void load(std::size_t i, box& into) const;
    // Sets the domains of `into` to bounds laid out as a store keeps them
    // (inf and sup of each variable, in variable order).
    static void loadBounds(const double* bounds, box& into);
    // The bounds of box i: inf and sup of each variable, in variable order.
    const double* bounds(std::size_t i) const noexcept { return boundsOf(i); }
    // Box i with its names and plot axes.
    box at(std::size_t i) const;
    box front() const { return at(0); }
    // The names and plot axes of the store's boxes.
    const box& shape() const noexcept { return *shape_; }
    // Gives the bounds away; the store is then empty.
    std::vector<double> takeBounds() noexcept;

    // Iteration yields the boxes by value.
    class iterator {
    public:
        using iterator_category = std::input_iterator_tag;
        using value_type = box;
        using difference_type = std::ptrdiff_t;
        using pointer = void;
        using reference = box;

        iterator(const boxStore* s, std::size_t i) : s_(s), i_(i) {}
        box operator*() const { return s_->at(i_); }
        iterator& operator++() {
            ++i_;
            return *this;
        }
        bool operator==(const iterator& o) const { return i_ == o.i_; }

    private:
        const boxStore* s_;
        std::size_t i_;
    };
    iterator begin() const { return {this, 0}; }
    iterator end() const { return {this, count_}; }

private:
    const double* boundsOf(std::size_t i) const noexcept {
        return bounds_.data() + i * 2 * static_cast<std::size_t>(n_);
    }

    // Names and plot axes, shared by every box (its domains are not used).
    std::shared_ptr<const box> shape_ = std::make_shared<const box>();
    std::vector<double> bounds_;
    std::size_t count_ = 0;
    int n_ = 0;
};

} // namespace modal
