// Set inversion over several processes. A run with a farm paves its start
// box itself until enough boxes wait in its queue, then has the waiting
// boxes (the roots) paved whole, each apart, by the farm's workers and by
// itself, and merges their sub-pavings into its own: the paving is the one
// the run makes alone.
#pragma once

#include <cstddef>
#include <functional>
#include <vector>

#include "solver/sets/sub_paving.h"

namespace modal {

class box_farm {
public:
    virtual ~box_farm() = default;

    // Boxes that should wait in the queue before the roots are handed out:
    // enough for every worker to take many, so that the work stays balanced
    // however unequal the roots' sub-pavings are.
    virtual std::size_t roots_wanted() const = 0;
    // Paves root i in this process, asking `stop` before each box (the farm
    // serves its workers there); `traced`: the sub-paving holds its trace,
    // as the workers send theirs.
    using local_paving =
        std::function<sub_paving(std::size_t i, const std::function<bool()>& stop, bool traced)>;
    // Paves each root of `roots` (the waiting boxes of the run's own
    // sub-paving, in queue order) into the sub-paving of the same place in
    // the list returned, with `here` among the workers. Once `stop` says
    // so, the roots not yet paved come back as sub-pavings whose waiting
    // boxes are what was left of them.
    virtual std::vector<sub_paving> pave(const sub_paving& roots, const local_paving& here,
                                         const std::function<bool()>& stop) = 0;
    // Processor seconds the workers spent for the run so far, as they last
    // reported them.
    virtual double seconds() const = 0;
    // Whether a worker found its memory above the run's limit (each process
    // holds the limit on its own): the run then stops as at its own limit.
    virtual bool memory_ran_out() const { return false; }
};

} // namespace modal
