#include "solver/sets/qsi.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <functional>
#include <ostream>
#include <thread>

#include "solver/fstar/memory_limit.h"

namespace modal {

namespace {

double midpoint(double a, double b) {
    return static_cast<double>((static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L);
}

bool splittable(double a, double b, double m) {
    return (a < m && m < b) || (b < m && m < a);
}

// Boxes classified together before their results are taken in order, per
// thread: enough to keep every thread busy, few enough that the time limit
// is checked often.
constexpr std::size_t kBoxesPerThread = 256;

// More threads than this are not started, unless the machine has more cores.
constexpr int kMaxThreads = 64;

// Boxes copied from the queue with their verdicts, classified by several
// threads: each takes the next box not yet taken.
struct batch {
    boxStore boxes;
    std::vector<verdict> verdicts;
    std::atomic<std::size_t> next{0};
};

} // namespace

void qsi::setPlotIndices(box& b) const {
    for (int i = 0; i < b.size(); ++i) {
        if (b[i].name == settings_.plot_x_name) {
            b.setPlotX(i);
            break;
        }
    }
    for (int i = 0; i < b.size(); ++i) {
        if (b[i].name == settings_.plot_y_name) {
            b.setPlotY(i);
            break;
        }
    }
}

double qsi::epsilonOf(std::size_t i) const noexcept {
    // A variable without an epsilon of its own (no run has filled them, or
    // a box longer than the start box) is measured against the setting.
    return i < epsilons_.size() ? epsilons_[i] : settings_.epsilon;
}

bool qsi::isSmall(const box& b) const {
    for (int i = 0; i < b.size(); ++i)
        if (!(b[i].domain.width() <= epsilonOf(static_cast<std::size_t>(i)))) return false;
    return true;
}

int qsi::bisectionVariable(const box& b) const {
    double best = -kInf;
    int chosen = -1;
    for (int i = 0; i < b.size(); ++i) {
        const double w = b[i].domain.width();
        if (w >= best && w > epsilonOf(static_cast<std::size_t>(i))) {
            best = w;
            chosen = i;
        }
    }
    return chosen;
}

bool qsi::bisect(box& lower, box& upper) const {
    const int k = bisectionVariable(lower);
    if (k < 0) return false;
    const double lo = lower[k].domain.inf(), hi = lower[k].domain.sup();
    const double m = midpoint(lo, hi);
    if (!splittable(lo, hi, m)) return false;
    for (int i = 0; i < lower.size(); ++i)
        upper[i].domain = lower[i].domain;
    lower[k].domain = ivalDb::exact(lo, m);
    upper[k].domain = ivalDb::exact(m, hi);
    return true;
}

int qsi::threadCount() const {
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    if (settings_.threads <= 0) return cores;
    // Each thread holds a copy of the constraint solvers: an absurd setting
    // must not exhaust memory.
    return std::min(settings_.threads, std::max(kMaxThreads, cores));
}

void qsi::takeVerdict(verdict v, std::size_t i, box& b, box& half, repere& frame) {
    if (v == verdict::solution) {
        frame.fillBox(b, kSolutionColor, kOutlineColor, 0);
        solutions_.append(queue_, i);
    } else if (v == verdict::nonSolution) {
        frame.fillBox(b, kNonSolutionColor, kOutlineColor, 0);
        nonSolutions_.append(queue_, i);
    } else if (isSmall(b) || !bisect(b, half)) {
        // Undecided and too small to cut, or cut as far as doubles go.
        frame.fillBox(b, kUndefinedColor, kOutlineColor, 0);
        undefined_.append(queue_, i);
    } else {
        // Both halves go to the back of the queue, the lower one first.
        queue_.append(b);
        frame.outlineBox(b, kOutlineColor, 0, 1);
        queue_.append(half);
        frame.outlineBox(half, kOutlineColor, 0, 1);
    }
}

double qsi::pave(repere& frame, std::clock_t begin, int threads) {
    // Boxes are classified in batches copied from the front of the queue,
    // each thread with its own copy of the constraint solvers and its own
    // box; their verdicts are then taken one by one in queue order, as a
    // sequential loop takes them, so that the paving, the report and the
    // picture do not depend on the number of threads. While the main thread
    // takes the verdicts of one batch (drawing, filing, bisecting), the other
    // threads already classify the next one, made of the boxes queued
    // behind it; halves appended meanwhile go into a later batch.
    //
    // Without a finite time limit the clock (a system call) is read only at
    // the end, for the report: the loop cannot stop on it.
    const double limit = settings_.time_limit;
    const bool timed = std::isfinite(limit);
    const std::size_t count = static_cast<std::size_t>(threads);
    const box shape = queue_.empty() ? box() : queue_.front();
    std::vector<constraintList> copies(count - 1, constraints());
    std::vector<box> scratch(count, shape);
    std::vector<std::uint64_t> runs(count, 0);
    box current = shape, half = shape;

    batch batches[2];
    for (batch& w : batches)
        w.boxes.reset(shape);
    batch* now = &batches[0];
    batch* ahead = &batches[1];
    std::size_t handedOut = head_; // queue position of the first box in no batch

    auto fill = [&](batch& w) {
        const std::size_t n = std::min(queue_.size() - handedOut, kBoxesPerThread * count);
        w.boxes.clear();
        for (std::size_t i = 0; i < n; ++i)
            w.boxes.append(queue_, handedOut + i);
        handedOut += n;
        w.verdicts.assign(n, verdict::undefined);
        w.next = 0;
    };
    auto work = [&](batch& w, std::size_t t) {
        std::ostream dropped(nullptr);
        constraintList& list = t == 0 ? constraints() : copies[t - 1];
        box& b = scratch[t];
        const std::size_t n = w.boxes.size();
        for (std::size_t i = w.next++; i < n; i = w.next++) {
            w.boxes.load(i, b);
            w.verdicts[i] = classify(list, b, dropped, runs[t]);
        }
    };
    std::vector<std::thread> helpers;
    auto startHelpers = [&](batch& w) {
        for (std::size_t t = 1; t < std::min(count, w.boxes.size()); ++t)
            helpers.emplace_back(work, std::ref(w), t);
    };
    auto joinHelpers = [&] {
        for (std::thread& h : helpers)
            h.join();
        helpers.clear();
    };

    double elapsed = 0.0;
    fill(*now);
    startHelpers(*now);
    work(*now, 0);
    joinHelpers();
    while (!now->boxes.empty() && !(elapsed >= limit) && !memoryLimitPassed()) {
        fill(*ahead);
        startHelpers(*ahead);
        bool stopped = false;
        for (std::size_t i = 0; i < now->boxes.size(); ++i) {
            // The time limit (and the memory limit) is checked before every box.
            if (elapsed >= limit || memoryLimitPassed()) {
                stopped = true;
                break;
            }
            queue_.load(head_, current);
            takeVerdict(now->verdicts[i], head_, current, half, frame);
            ++head_;
            if (onBox) onBox(*this);
            if (timed) elapsed = secondsBetween(begin, std::clock());
        }
        if (stopped) {
            ahead->next = ahead->boxes.size(); // nothing more to classify
            joinHelpers();
            break;
        }
        work(*ahead, 0);
        joinHelpers();
        if (ahead->boxes.empty()) {
            // The batch just taken was the end of the queue: the next one is
            // made of its halves.
            fill(*ahead);
            startHelpers(*ahead);
            work(*ahead, 0);
            joinHelpers();
        }
        std::swap(now, ahead);
        // The decided boxes leave the queue once they are half of it.
        if (head_ >= 4096 && 2 * head_ >= queue_.size()) {
            queue_.dropFront(head_);
            handedOut -= head_;
            head_ = 0;
        }
    }
    for (std::uint64_t r : runs)
        addSolverRuns(r);
    return timed ? elapsed : secondsBetween(begin, std::clock());
}

bool qsi::run(const std::string& prefix, repere& frame) {
    epsilons_.clear();
    box shape;
    if (!agenda_.empty()) {
        setPlotIndices(agenda_.front());
        shape = agenda_.front();
        for (int i = 0; i < shape.size(); ++i)
            epsilons_.push_back(shape[i].domain.width() * settings_.epsilon);
    }
    for (boxStore* s : {&queue_, &solutions_, &nonSolutions_, &undefined_})
        s->reset(shape);
    head_ = 0;
    // The queue takes the agenda's boxes that have the variables of the
    // first.
    for (auto it = agenda_.begin(); it != agenda_.end();) {
        if (it->size() != shape.size()) {
            ++it;
            continue;
        }
        queue_.append(*it);
        it = agenda_.erase(it);
    }

    const double limit = settings_.time_limit;
    const std::clock_t begin = std::clock();
    setTimeBudget(begin, limit);
    const double elapsed = pave(frame, begin, threadCount());

    // Boxes the time limit left in the queue are undecided: reported and
    // drawn as undefined, so that the paving covers the whole box.
    leftUndecided_ = queue_.size() - head_;
    box b = shape;
    for (; head_ < queue_.size(); ++head_) {
        queue_.load(head_, b);
        frame.fillBox(b, kUndefinedColor, kOutlineColor, 0);
        undefined_.append(queue_, head_);
    }
    queue_.clear();
    queue_.shrink();
    head_ = 0;

    const bool written = writeReport(prefix, elapsed);
    release();
    return written;
}

} // namespace modal
