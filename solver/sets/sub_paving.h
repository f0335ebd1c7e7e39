// The paving of some boxes of a set-inversion run's queue, made apart from
// the run (in another process, say) and merged into it afterwards. Boxes are
// decided first-in first-out, as the run decides them, and each decided box
// keeps its depth below the box it descends from, so that the merge can
// put every box where the run itself would have decided it: the run decides
// boxes level by level, and within a level in the order of the boxes they
// descend from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "modal/result.h"
#include "solver/contract/box_contractor.h"
#include "solver/model/box.h"
#include "solver/sets/csp.h"

namespace modal {

struct sub_paving {
    // Decided boxes in the order decided: bounds (inf and sup of each
    // variable) and kinds. Those at depth k below their start box are
    // [level_starts[k], level_starts[k + 1]).
    std::vector<double> bounds;
    std::vector<box_kind> kinds;
    std::vector<std::uint32_t> level_starts{0};
    // Boxes left undecided when the paving stopped, in queue order, and
    // their depths.
    std::vector<double> waiting;
    std::vector<std::uint32_t> waiting_depths;
    // With paths tracked: each waiting box's path from its start box, the
    // halves it was cut into from the start box down (bit k from the low
    // end: 1 for an upper half at depth k + 1 counted from the bottom), so
    // that at equal depth a box earlier in the queue has a smaller path.
    std::vector<std::uint64_t> waiting_paths;
    // A traced paving holds, instead of its decided boxes, what became of
    // each box it took from its queue, in order: the box's kind, or
    // kCutBox. Its boxes are found again by replayPaving, which cuts them as
    // the paving did, far cheaper to send than the boxes.
    std::vector<std::uint8_t> trace;
    static constexpr std::uint8_t kCutBox = 3;

    std::size_t levels() const noexcept { return level_starts.size() - 1; }
};

// Every variable of `b` is at most its epsilon wide (`epsilons[i]` for
// variable i, `fallback` beyond them).
bool isSmallPaving(const box& b, const std::vector<double>& epsilons, double fallback);

// What a paving of boxes is given: the constraints that classify, a box
// with the run's variables, the run's epsilons and, with Contract=1, the
// contractor of the constraints.
struct paving_setup {
    csp* constraints = nullptr;
    box shape;
    std::vector<double> epsilons;
    double fallback = 0;
    // When set, each half is contracted as it is queued, as the run does,
    // and the pieces cut off are decided with the box that was cut (the
    // start boxes are taken as they are: the run queued them contracted).
    boxContractor* contractor = nullptr;
};

// Paves the boxes `starts` (bounds one box after the other, each at depth 0)
// first-in first-out as a set-inversion run does. It stops, leaving the
// queue as the sub-paving's waiting boxes, when `stop` says so (asked before
// each box) or once `waiting_goal` boxes (0: no goal) wait in the queue;
// a goal also tracks the waiting boxes' paths (and is given up where the
// paths would grow longer than 62 halvings). `traced`: the sub-paving holds
// its trace instead of its decided boxes (a contracting paving, whose pieces
// only the contractor finds again, is never traced).
sub_paving paveBoxes(const paving_setup& setup, std::span<const double> starts,
                     std::size_t waiting_goal, const std::function<bool()>& stop,
                     bool traced = false);

// The boxes of each kind that a traced paving of one box decided at each
// level below it, from its trace alone.
std::vector<std::array<std::size_t, 3>> traceLevelCounts(std::span<const std::uint8_t> trace);

// Called for each decided box of a replay, in the paving's order: its level
// below the start box, its kind and its bounds (valid during the call).
using replay_filing = std::function<void(std::uint32_t level, box_kind kind, const double* bounds)>;
// Replays the trace of a paving of the box `start` (a goal aside): every box
// is cut again as the paving cut it (into the same doubles), every decided
// one handed to `file`. Returns the boxes left waiting, with their depths.
sub_paving replayTrace(const paving_setup& setup, std::span<const double> start,
                       std::span<const std::uint8_t> trace, const replay_filing& file);
// The sub-paving that paveBoxes made of the box `start` (a goal aside), from
// its trace.
sub_paving replayPaving(const paving_setup& setup, std::span<const double> start,
                        std::span<const std::uint8_t> trace);

// The order in which the descendants of the waiting boxes of `p` (tracked
// paths) are decided at any one level: positions into its waiting boxes.
std::vector<std::size_t> descendantOrder(const sub_paving& p);

} // namespace modal
