// The outcome of testing one box against every constraint.
#pragma once

#include <cstdint>

namespace modal {

class verdict {
public:
    enum value : std::uint8_t {
        solution = 0,    // every constraint is proven to hold on the whole box
        nonSolution = 1, // some constraint is proven to fail on the whole box
        undefined = 2,   // neither
    };

    constexpr verdict() noexcept = default;
    constexpr verdict(value v) noexcept : v_(v) {}

    constexpr int code() const noexcept { return v_; }
    friend constexpr bool operator==(verdict a, verdict b) noexcept { return a.v_ == b.v_; }

private:
    value v_ = solution;
};

} // namespace modal
