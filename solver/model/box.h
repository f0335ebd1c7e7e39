// A named list of problem variables with a twin and the two plot axes.
#pragma once

#include <deque>
#include <iosfwd>

#include "interval/directed_text.h"
#include "interval/twin.h"
#include "solver/model/variable.h"

namespace modal {

class box {
public:
    box() = default;
    // n default variables.
    explicit box(int n) : variables_(n > 0 ? static_cast<std::size_t>(n) : 0) {}

    int size() const noexcept { return static_cast<int>(variables_.size()); }
    variable& operator[](int i) { return variables_[static_cast<std::size_t>(i)]; }
    const variable& operator[](int i) const { return variables_[static_cast<std::size_t>(i)]; }
    std::deque<variable>& variables() noexcept { return variables_; }
    const std::deque<variable>& variables() const noexcept { return variables_; }
    void append(const variable& v) { variables_.push_back(v); }

    twin& getTwin() noexcept { return twin_; }
    const twin& getTwin() const noexcept { return twin_; }

    int getPlotX() const noexcept { return plotX_; }
    int getPlotY() const noexcept { return plotY_; }
    void setPlotX(int i) noexcept { plotX_ = i; }
    void setPlotY(int i) noexcept { plotY_ = i; }

    // "\nBox:" then "\n" name "=" interval per variable; no final newline.
    // The bounds as computed, or each component's region grown or shrunk
    // to the stream's digits.
    void print(std::ostream& os, regionText r = regionText::nearest) const;

private:
    std::deque<variable> variables_;
    twin twin_;
    int plotX_ = 0;
    int plotY_ = 1;
};

std::ostream& operator<<(std::ostream& os, const box& b);

} // namespace modal
