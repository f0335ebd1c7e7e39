// Classification of set-inversion boxes by other processes. A run that has
// a farm hands it boxes of its queue, in queue order, by their number in the
// run (counted from 0, the start box), and takes their verdicts back; the
// run itself still files and bisects every box in queue order, so that the
// paving does not depend on which process classified which box.
#pragma once

#include <cstddef>
#include <functional>
#include <span>

#include "solver/sets/verdict.h"

namespace modal {

class box_farm {
public:
    virtual ~box_farm() = default;

    // How many of the `available` boxes after the last one handed out the
    // farm would take now, in one piece of work (0: every worker is busy).
    virtual std::size_t wanted(std::size_t available) = 0;
    // Hands out boxes first .. first + count - 1, whose bounds follow each
    // other in `bounds` (inf and sup of each variable of each box).
    virtual void hand_out(std::size_t first, std::size_t count, std::span<const double> bounds) = 0;
    // Calls `got` with each box number and verdict that came back since the
    // last call; when `wait` is set and nothing came back, first waits a
    // little (at most a millisecond or so) for something to come.
    virtual void collect(const std::function<void(std::size_t, verdict)>& got, bool wait) = 0;
    // Waits until every box handed out has come back (its verdict dropped),
    // so that the workers are idle; false when that cannot happen (a worker
    // is gone).
    virtual bool drain() = 0;
    // Processor seconds the workers spent for the run so far, as they last
    // reported them.
    virtual double seconds() const = 0;
};

} // namespace modal
