#include "solver/sets/sub_paving.h"

#include <algorithm>
#include <array>

#include "solver/sets/box_store.h"
#include "solver/sets/qsi.h"

namespace modal {

namespace {

constexpr std::size_t kDropAfter = 4096;
// Longest path a 64-bit word holds with room to spare.
constexpr std::uint32_t kLongestPath = 62;

// The first-in first-out queue of a paving, level by level: boxes before
// `head` are taken; those before `level_end` are at depth `depth`, the
// others one deeper.
struct levelQueue {
    std::size_t width;
    std::vector<double> bounds;
    std::size_t head = 0;
    std::size_t count;
    std::size_t level_end;
    std::uint32_t depth = 0;

    levelQueue(std::span<const double> starts, std::size_t boxWidth)
        : width(boxWidth), bounds(starts.begin(), starts.end()),
          count(width == 0 ? 0 : starts.size() / width), level_end(count) {}

    bool empty() const noexcept { return head == count; }
    const double* front() const noexcept { return bounds.data() + head * width; }
    // Called before each box is taken: true when it begins the next level.
    bool nextLevel() noexcept {
        if (head != level_end) return false;
        ++depth;
        level_end = count;
        return true;
    }
    void push(const box& x) {
        for (int v = 0; v < x.size(); ++v) {
            bounds.push_back(x[v].domain.inf());
            bounds.push_back(x[v].domain.sup());
        }
        ++count;
    }
    // Takes the front box. The taken boxes leave the queue once they are
    // half of it: returns how many left (0 mostly).
    std::size_t pop() {
        ++head;
        if (head < kDropAfter || 2 * head < count) return 0;
        bounds.erase(bounds.begin(), bounds.begin() + static_cast<std::ptrdiff_t>(head * width));
        const std::size_t dropped = head;
        count -= head;
        level_end -= head;
        head = 0;
        return dropped;
    }
    // What is left waits, with its depth.
    void leaveWaiting(sub_paving& out) const {
        out.waiting.assign(front(), bounds.data() + count * width);
        for (std::size_t i = head; i < count; ++i)
            out.waiting_depths.push_back(i < level_end ? depth : depth + 1);
    }
};

} // namespace

bool isSmallPaving(const box& b, const std::vector<double>& epsilons, double fallback) {
    for (int i = 0; i < b.size(); ++i) {
        const double e = static_cast<std::size_t>(i) < epsilons.size()
                             ? epsilons[static_cast<std::size_t>(i)]
                             : fallback;
        if (!(b[i].domain.width() <= e)) return false;
    }
    return true;
}

sub_paving paveBoxes(const paving_setup& setup, std::span<const double> starts,
                     std::size_t waiting_goal, const std::function<bool()>& stop, bool traced) {
    traced = traced && setup.contractor == nullptr;
    const std::size_t width = 2 * static_cast<std::size_t>(setup.shape.size());
    sub_paving out;
    levelQueue queue(starts, width);
    box b = setup.shape, half = setup.shape;
    // The queue boxes' paths, while a goal may stop the paving.
    bool tracking = waiting_goal > 0;
    // Several start boxes are numbered in order, as if they were the boxes
    // of one level.
    std::vector<std::uint64_t> paths;
    for (std::size_t i = 0; tracking && i < queue.count; ++i)
        paths.push_back(i);
    auto decide = [&](box_kind kind) {
        if (traced) {
            out.trace.push_back(static_cast<std::uint8_t>(kind));
            return;
        }
        out.kinds.push_back(kind);
        out.bounds.insert(out.bounds.end(), queue.front(), queue.front() + width);
    };
    auto file = [&](box_kind kind, const box& x) {
        out.kinds.push_back(kind);
        for (int v = 0; v < x.size(); ++v) {
            out.bounds.push_back(x[v].domain.inf());
            out.bounds.push_back(x[v].domain.sup());
        }
    };
    box outer = setup.shape, piece = setup.shape;
    // Queues `x` (contracted first with a contractor; false when nothing of
    // it is left to queue).
    auto push = [&](box& x) {
        if (setup.contractor != nullptr &&
            !contractForPaving(
                *setup.contractor, x, outer, piece,
                [&](const box& p) { file(box_kind::non_solution, p); },
                [&](const box& p) { file(box_kind::solution, p); }))
            return false;
        queue.push(x);
        return true;
    };
    while (!queue.empty()) {
        if (queue.nextLevel())
            out.level_starts.push_back(static_cast<std::uint32_t>(out.kinds.size()));
        if (tracking && queue.depth >= kLongestPath) {
            tracking = false;
            paths.clear();
        }
        if ((tracking && queue.count - queue.head >= waiting_goal) || (stop && stop())) break;
        boxStore::loadBounds(queue.front(), b);
        const verdict v = setup.constraints->classify(b);
        if (v == verdict::solution) {
            decide(box_kind::solution);
        } else if (v == verdict::nonSolution) {
            decide(box_kind::non_solution);
        } else if (isSmallPaving(b, setup.epsilons, setup.fallback) ||
                   !bisectPaving(b, half, setup.epsilons, setup.fallback)) {
            // Undecided and too small to cut, or cut as far as doubles go.
            decide(box_kind::undefined);
        } else {
            // Both halves go to the back of the queue, the lower one first.
            if (traced) out.trace.push_back(sub_paving::kCutBox);
            const std::uint64_t path = tracking ? paths[queue.head] << 1 : 0;
            if (push(b) && tracking) paths.push_back(path);
            if (push(half) && tracking) paths.push_back(path | 1U);
        }
        const std::size_t dropped = queue.pop();
        if (tracking && dropped > 0)
            paths.erase(paths.begin(), paths.begin() + static_cast<std::ptrdiff_t>(dropped));
    }
    out.level_starts.push_back(static_cast<std::uint32_t>(out.kinds.size()));
    // A traced paving's levels are found again by its replay.
    if (traced) out.level_starts.assign(1, 0);
    queue.leaveWaiting(out);
    if (tracking)
        out.waiting_paths.assign(paths.begin() + static_cast<std::ptrdiff_t>(queue.head),
                                 paths.end());
    return out;
}

std::vector<std::array<std::size_t, 3>> traceLevelCounts(std::span<const std::uint8_t> trace) {
    std::vector<std::array<std::size_t, 3>> counts;
    std::size_t at = 0;
    // Each level holds the halves of the boxes the level above cut.
    for (std::size_t boxes = 1; boxes > 0 && at < trace.size();) {
        std::array<std::size_t, 3>& level = counts.emplace_back();
        std::size_t cuts = 0;
        for (const std::size_t end = std::min(trace.size(), at + boxes); at < end; ++at) {
            if (trace[at] == sub_paving::kCutBox)
                ++cuts;
            else
                ++level[std::min<std::size_t>(trace[at], 2)];
        }
        boxes = 2 * cuts;
    }
    return counts;
}

sub_paving replayTrace(const paving_setup& setup, std::span<const double> start,
                       std::span<const std::uint8_t> trace, const replay_filing& file) {
    levelQueue queue(start, 2 * static_cast<std::size_t>(setup.shape.size()));
    box b = setup.shape, half = setup.shape;
    for (const std::uint8_t code : trace) {
        if (queue.empty()) break;
        queue.nextLevel();
        if (code == sub_paving::kCutBox) {
            boxStore::loadBounds(queue.front(), b);
            // The paving cut this box: so does its replay, into the same
            // doubles. Were the trace not the paving's, a box too narrow to
            // cut would have itself for halves, so that the boxes would
            // still cover the start box and each level hold the boxes the
            // trace counts.
            if (!bisectPaving(b, half, setup.epsilons, setup.fallback)) half = b;
            queue.push(b);
            queue.push(half);
        } else {
            file(queue.depth, static_cast<box_kind>(std::min<std::uint8_t>(code, 2)),
                 queue.front());
        }
        queue.pop();
    }
    sub_paving left;
    queue.leaveWaiting(left);
    return left;
}

sub_paving replayPaving(const paving_setup& setup, std::span<const double> start,
                        std::span<const std::uint8_t> trace) {
    const std::size_t width = 2 * static_cast<std::size_t>(setup.shape.size());
    std::size_t decided = 0;
    std::vector<std::uint32_t> starts{0};
    for (const std::array<std::size_t, 3>& level : traceLevelCounts(trace)) {
        decided += level[0] + level[1] + level[2];
        starts.push_back(static_cast<std::uint32_t>(decided));
    }
    std::vector<box_kind> kinds;
    std::vector<double> bounds;
    kinds.reserve(decided);
    bounds.reserve(decided * width);
    sub_paving out =
        replayTrace(setup, start, trace, [&](std::uint32_t, box_kind kind, const double* b) {
            kinds.push_back(kind);
            bounds.insert(bounds.end(), b, b + width);
        });
    out.kinds = std::move(kinds);
    out.bounds = std::move(bounds);
    out.level_starts = std::move(starts);
    return out;
}

std::vector<std::size_t> descendantOrder(const sub_paving& p) {
    // The waiting boxes are one or two levels deep. Below the shallower
    // level two descendants are in the order of their ancestors there; two
    // halves of one box (which share that ancestor) in queue order.
    const std::size_t n = p.waiting_depths.size();
    std::vector<std::size_t> order(n);
    for (std::size_t i = 0; i < n; ++i)
        order[i] = i;
    if (n == 0) return order;
    const std::uint32_t top = *std::min_element(p.waiting_depths.begin(), p.waiting_depths.end());
    auto ancestor = [&](std::size_t i) {
        return p.waiting_paths[i] >> (p.waiting_depths[i] - top);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return ancestor(a) < ancestor(b); });
    return order;
}

} // namespace modal
