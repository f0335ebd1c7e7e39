// One reading of a run's processor clock shared by the many short F* runs a
// caller makes over the same run (a constraint's runs over the boxes of a
// paving, the shaving runs of a contraction). Reading the processor clock is
// a system call that costs as much as a small run: through this object it is
// read at most once a millisecond of the monotonic clock (read in user
// space) for all of those runs together, so that a time limit is still seen
// within a millisecond or so and a limit that is never reached costs next
// to nothing. Each thread that classifies boxes has one of its own.
#pragma once

#include <chrono>

#include "solver/fstar/run_context.h"

namespace modal {

class shared_clock {
public:
    // The run's processor seconds, as last read (a new reading when one is
    // due).
    double seconds(const run_context& c) {
        const auto now = std::chrono::steady_clock::now();
        if (!read_ || now - last_ >= std::chrono::milliseconds(1)) {
            read_ = true;
            last_ = now;
            seconds_ = c.seconds();
        }
        return seconds_;
    }
    // The next call reads the clock.
    void reset() noexcept { read_ = false; }

private:
    std::chrono::steady_clock::time_point last_{};
    double seconds_ = 0.0;
    bool read_ = false;
};

} // namespace modal
