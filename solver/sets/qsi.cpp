#include "solver/sets/qsi.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <functional>
#include <latch>
#include <memory>
#include <mutex>
#include <ostream>
#include <thread>

#include <optional>

#include "solver/sets/sub_paving.h"

namespace modal {

namespace {

double midpoint(double a, double b) {
    return static_cast<double>((static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L);
}

bool splittable(double a, double b, double m) {
    return (a < m && m < b) || (b < m && m < a);
}

// Boxes of the queue that the classifying threads may be working on at
// once, beyond the first one not yet taken.
constexpr std::size_t kWindowBoxes = 4096;

// Boxes a thread classifies in a row before it takes their verdicts (or
// goes back to taking them). Taking each verdict right after its box's
// classification makes sequential runs of the 3-D and 4-D balls 5 to 10%
// slower: the drawing and the constraint runs, interleaved box by box, keep
// each other's data out of the caches.
constexpr std::size_t kRunBoxes = 64;

// New boxes handed to the classifying threads at once (fewer when the
// threads may run out of boxes).
constexpr std::size_t kPublishBoxes = 16;

// More threads than this are not started, unless the machine has more cores.
constexpr int kMaxThreads = 64;

// The boxes of the queue handed to the classifying threads: slot a % size
// holds the bounds of queue box a (counted from the start of the run) and,
// once classified, its verdict. The main thread publishes boxes in queue
// order; any thread claims the first published box no thread has claimed.
// What one thread writes while another reads or writes its neighbour sits on
// cache lines of its own: each slot's verdict, and each counter.
class classifyRing {
public:
    classifyRing(std::size_t boxes, int dimension)
        : size_(boxes), width_(2 * static_cast<std::size_t>(dimension)), bounds_(size_ * width_),
          slots_(std::make_unique<slot[]>(size_)) {}

    std::size_t size() const noexcept { return size_; }
    std::size_t published() const noexcept { return published_.load(std::memory_order_relaxed); }

    // Main thread: box a's bounds go into its slot (whose last box has been
    // taken), made visible by publishUpTo.
    void put(std::size_t a, const double* p) noexcept {
        std::copy(p, p + width_, bounds_.data() + (a % size_) * width_);
    }
    void publishUpTo(std::size_t end) {
        published_.store(end, std::memory_order_seq_cst);
        if (sleepers_.load(std::memory_order_seq_cst) > 0) {
            const std::lock_guard<std::mutex> lock(mutex_);
            wake_.notify_all();
        }
    }

    // Claims the first unclaimed published box; false when there is none.
    bool claim(std::size_t& a) noexcept {
        std::size_t c = claimed_.load(std::memory_order_relaxed);
        while (c < published_.load(std::memory_order_acquire))
            if (claimed_.compare_exchange_weak(c, c + 1, std::memory_order_relaxed)) {
                a = c;
                return true;
            }
        return false;
    }
    // The box of a claimed slot into `b`, then its verdict back.
    void load(std::size_t a, box& b) const {
        boxStore::loadBounds(bounds_.data() + (a % size_) * width_, b);
    }
    void finish(std::size_t a, verdict v) noexcept {
        slot& s = slots_[a % size_];
        s.verdict = v;
        s.finished.store(a + 1, std::memory_order_release);
    }
    bool done(std::size_t a) const noexcept {
        return slots_[a % size_].finished.load(std::memory_order_acquire) == a + 1;
    }
    verdict verdictOf(std::size_t a) const noexcept { return slots_[a % size_].verdict; }

    // Helper threads: waits until a box can be claimed or the run stops;
    // false when it stops. The main thread hands over new boxes every few
    // microseconds while there are any: a helper looks again for a while
    // before it sleeps, since waking it takes longer.
    bool waitForWork() {
        for (int i = 0; i < kLooksBeforeSleep; ++i) {
            if (stopped()) return false;
            if (unclaimed()) return true;
            std::this_thread::yield();
        }
        sleepers_.fetch_add(1, std::memory_order_seq_cst);
        std::unique_lock<std::mutex> lock(mutex_);
        wake_.wait(lock, [&] { return stop_.load(std::memory_order_seq_cst) || unclaimed(); });
        sleepers_.fetch_sub(1, std::memory_order_relaxed);
        return !stop_.load(std::memory_order_relaxed);
    }
    bool stopped() const noexcept { return stop_.load(std::memory_order_relaxed); }
    void stop() {
        stop_.store(true, std::memory_order_seq_cst);
        const std::lock_guard<std::mutex> lock(mutex_);
        wake_.notify_all();
    }

private:
    // Whether a published box is left to claim.
    bool unclaimed() const noexcept {
        return claimed_.load(std::memory_order_relaxed) <
               published_.load(std::memory_order_seq_cst);
    }

    static constexpr std::size_t kLine = 64;
    static constexpr int kLooksBeforeSleep = 64;
    // The verdict of the slot's box, valid once `finished` holds the box's
    // number plus one (so that reusing a slot needs no reset).
    struct alignas(kLine) slot {
        std::atomic<std::size_t> finished{0};
        modal::verdict verdict;
    };

    std::size_t size_;
    std::size_t width_;
    std::vector<double> bounds_;
    std::unique_ptr<slot[]> slots_;
    alignas(kLine) std::atomic<std::size_t> published_{0};
    alignas(kLine) std::atomic<std::size_t> claimed_{0};
    alignas(kLine) std::atomic<bool> stop_{false};
    std::atomic<int> sleepers_{0};
    std::mutex mutex_;
    std::condition_variable wake_;
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

namespace {

// A variable without an epsilon of its own (no run has filled them, or a box
// longer than the start box) is measured against the setting.
double epsilonAt(const std::vector<double>& epsilons, double fallback, int i) noexcept {
    return static_cast<std::size_t>(i) < epsilons.size() ? epsilons[static_cast<std::size_t>(i)]
                                                         : fallback;
}

} // namespace

int pavingBisectionVariable(const box& b, const std::vector<double>& epsilons, double fallback) {
    double best = -kInf;
    int chosen = -1;
    for (int i = 0; i < b.size(); ++i) {
        const double w = b[i].domain.width();
        if (w >= best && w > epsilonAt(epsilons, fallback, i)) {
            best = w;
            chosen = i;
        }
    }
    return chosen;
}

bool bisectPaving(box& lower, box& upper, const std::vector<double>& epsilons, double fallback) {
    const int k = pavingBisectionVariable(lower, epsilons, fallback);
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

bool qsi::isSmall(const box& b) const {
    return isSmallPaving(b, epsilons_, settings_.epsilon);
}

std::vector<double> pavingEpsilons(const box& start, double epsilon) {
    std::vector<double> e;
    for (int i = 0; i < start.size(); ++i)
        e.push_back(start[i].domain.width() * epsilon);
    return e;
}

int qsi::bisectionVariable(const box& b) const {
    return pavingBisectionVariable(b, epsilons_, settings_.epsilon);
}

bool qsi::bisect(box& lower, box& upper) const {
    return bisectPaving(lower, upper, epsilons_, settings_.epsilon);
}

int qsi::threadCount() const {
    const int cores = static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
    if (settings_.threads <= 0) return cores;
    // Each thread holds a copy of the constraint solvers: an absurd setting
    // must not exhaust memory.
    return std::min(settings_.threads, std::max(kMaxThreads, cores));
}

void qsi::takeVerdict(verdict v, std::size_t i, box& b, box& half) {
    if (v == verdict::solution) {
        solutions_.append(queue_, i);
        order_.push_back(box_kind::solution);
    } else if (v == verdict::nonSolution) {
        nonSolutions_.append(queue_, i);
        order_.push_back(box_kind::non_solution);
    } else if (isSmall(b) || !bisect(b, half)) {
        // Undecided and too small to cut, or cut as far as doubles go.
        undefined_.append(queue_, i);
        order_.push_back(box_kind::undefined);
    } else {
        // Both halves go to the back of the queue, the lower one first.
        queueBox(b);
        queueBox(half);
    }
}

void qsi::queueBox(box& b) {
    if (!contracting_) {
        queue_.append(b);
        return;
    }
    // What no point satisfying the constraints can reach: non-solution;
    // what no point failing one can reach: solution.
    const bool left = contractForPaving(
        contractor, b, outer_, piece_,
        [&](const box& p) {
            nonSolutions_.append(p);
            order_.push_back(box_kind::non_solution);
        },
        [&](const box& p) {
            solutions_.append(p);
            order_.push_back(box_kind::solution);
        });
    if (left) queue_.append(b);
}

double qsi::pave(run_context& ctx, double begin, int threads) {
    // Without a finite time limit the clock (a system call) is read only at
    // the end, for the report: the loop cannot stop on it. With one it is
    // read at most once a millisecond of the monotonic clock, so that a
    // limit is still seen within a millisecond or so.
    const double limit = settings_.time_limit;
    const bool timed = std::isfinite(limit);
    const box shape = queue_.empty() ? box() : queue_.front();
    box current = shape, half = shape;
    double elapsed = 0.0;
    std::chrono::steady_clock::time_point lastReading{};
    unsigned memoryCalls = 0;
    auto stopNow = [&] {
        return elapsed >= limit || ctx.memoryPassed(memoryCalls) || ctx.cancelled();
    };
    auto take = [&](verdict v) {
        queue_.load(head_, current);
        takeVerdict(v, head_, current, half);
        ++head_;
        if (onBox) onBox(*this);
        if (!timed) return;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReading >= std::chrono::milliseconds(1)) {
            lastReading = now;
            elapsed = ctx.seconds() - begin;
        }
    };
    // The decided boxes leave the queue once they are half of it; returns
    // how many left.
    auto compact = [&]() -> std::size_t {
        if (head_ < kWindowBoxes || 2 * head_ < queue_.size()) return 0;
        const std::size_t k = head_;
        queue_.dropFront(k);
        head_ = 0;
        return k;
    };

    if (threads <= 1) {
        box b = shape;
        std::vector<verdict> verdicts;
        bool stopped = false;
        while (!stopped && head_ < queue_.size() && !stopNow()) {
            const std::size_t n = std::min(queue_.size() - head_, kRunBoxes);
            verdicts.clear();
            for (std::size_t i = 0; i < n; ++i) {
                queue_.load(head_ + i, b);
                verdicts.push_back(classify(b));
            }
            for (std::size_t i = 0; i < n && !stopped; ++i) {
                // The time limit (and the memory limit) is checked before
                // every box.
                stopped = i > 0 && stopNow();
                if (!stopped) take(verdicts[i]);
            }
            compact();
        }
        return ctx.seconds() - begin;
    }

    // Several threads classify the queue's boxes, claiming them one at a
    // time in queue order; the main thread takes the verdicts in queue
    // order, as the sequential loop does (drawing, filing, bisecting), so
    // that the paving, the report and the picture do not depend on the
    // number of threads. While the verdict it needs next is not ready, the
    // main thread classifies the next unclaimed box itself, so that a helper
    // the system stops for a while holds up at most the box it works on.
    // Each helper classifies with a copy of the constraint solvers that it
    // makes itself, before the main thread starts to use its own: the copy
    // lives in the helper's memory, not among the main thread's data.
    const std::size_t helperCount = static_cast<std::size_t>(threads) - 1;
    classifyRing ring(kWindowBoxes, shape.size());
    std::vector<std::uint64_t> helperRuns(helperCount, 0);
    std::latch copied(static_cast<std::ptrdiff_t>(helperCount));
    std::size_t dropped = 0; // boxes gone from the queue's front
    // New boxes are handed over in batches, or at once when few handed
    // over boxes are left to decide.
    auto publish = [&] {
        const std::size_t from = ring.published();
        const std::size_t to = std::min(dropped + queue_.size(), dropped + head_ + ring.size());
        if (to <= from ||
            (to - from < kPublishBoxes && from - (dropped + head_) >= 2 * kPublishBoxes))
            return;
        for (std::size_t a = from; a < to; ++a)
            ring.put(a, queue_.bounds(a - dropped));
        ring.publishUpTo(to);
    };
    auto helper = [&](std::size_t t) {
        const run_context::worker working(ctx);
        csp own(*this);
        copied.count_down();
        const std::uint64_t runsBefore = own.solverRuns();
        box b = shape;
        std::size_t a = 0;
        while (!ring.stopped()) {
            if (ring.claim(a)) {
                ring.load(a, b);
                ring.finish(a, own.classify(b));
            } else if (!ring.waitForWork()) {
                break;
            }
        }
        helperRuns[t] = own.solverRuns() - runsBefore;
    };

    publish();
    std::vector<std::thread> helpers;
    for (std::size_t t = 0; t < helperCount; ++t)
        helpers.emplace_back(helper, t);
    copied.wait();
    box b = shape;
    while (head_ < queue_.size()) {
        const std::size_t a = dropped + head_;
        std::size_t other = 0;
        while (!ring.done(a)) {
            std::size_t n = 0;
            while (n < kRunBoxes && ring.claim(other)) {
                ring.load(other, b);
                ring.finish(other, classify(b));
                ++n;
            }
            if (n == 0) std::this_thread::yield();
        }
        // The time limit (and the memory limit) is checked before every box.
        if (stopNow()) break;
        take(ring.verdictOf(a));
        dropped += compact();
        publish();
    }
    ring.stop();
    for (std::thread& h : helpers)
        h.join();
    for (std::uint64_t r : helperRuns)
        addSolverRuns(r);
    return ctx.seconds() - begin;
}

namespace {

// Boxes below which one thread merges the farm's sub-pavings alone.
constexpr std::size_t kBoxesPerMergeThread = 1 << 14;

} // namespace

double qsi::paveWithFarm(run_context& ctx, double begin) {
    if (queue_.empty()) return ctx.seconds() - begin;
    const paving_setup setup{this, queue_.front(), epsilons_, settings_.epsilon,
                             contracting_ ? &contractor : nullptr};
    const std::size_t width = 2 * static_cast<std::size_t>(setup.shape.size());
    // Processor seconds of the run: this process's and the workers'.
    auto spent = [&] { return ctx.seconds() - begin + farm->seconds(); };
    // The limits are checked before every box, the clock read at most once
    // a millisecond (and only with a finite time limit).
    const double limit = settings_.time_limit;
    const bool timed = std::isfinite(limit);
    double elapsed = 0.0;
    std::chrono::steady_clock::time_point lastReading{};
    unsigned memoryCalls = 0;
    const std::function<bool()> stop = [&] {
        if (ctx.cancelled() || ctx.memoryPassed(memoryCalls)) return true;
        if (farm->memory_ran_out()) {
            ctx.noteMemoryRanOut();
            return true;
        }
        if (!timed) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now - lastReading >= std::chrono::milliseconds(1)) {
            lastReading = now;
            elapsed = spent();
        }
        return elapsed >= limit;
    };

    std::vector<double> starts;
    for (std::size_t i = 0; i < queue_.size(); ++i)
        starts.insert(starts.end(), queue_.bounds(i), queue_.bounds(i) + width);
    queue_.clear();
    head_ = 0;
    // This process paves until enough boxes wait, which become the roots.
    const sub_paving first = paveBoxes(setup, starts, farm->roots_wanted(), stop);
    std::vector<sub_paving> subs;
    // Without tracked paths the paving ran to its end (or to a stop).
    if (!first.waiting_paths.empty() && !stop())
        subs = farm->pave(
            first,
            [&](std::size_t i, const std::function<bool()>& stopHere, bool traced) {
                return paveBoxes(setup, {first.waiting.data() + i * width, width}, 0, stopHere,
                                 traced);
            },
            stop);

    // The boxes decided before the roots were handed out come first; then,
    // level by level, the roots' boxes in the roots' order: the order in
    // which the run alone decides them. The boxes of one sub-paving at one
    // level make a chunk, whose place in every store is known once the
    // kinds of the chunks before it are counted. Then the sub-pavings are
    // filed by several threads at once (millions of boxes), each at its
    // chunks' places: those that came back as traces (the workers') are
    // replayed there, cut again into the boxes they decided.
    std::vector<const sub_paving*> parts{&first};
    for (const sub_paving& p : subs)
        parts.push_back(&p);
    // Per part and level: the boxes of each kind.
    std::vector<std::vector<std::array<std::size_t, 3>>> counts(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i) {
        const sub_paving& p = *parts[i];
        if (!p.trace.empty()) {
            counts[i] = traceLevelCounts(p.trace);
            continue;
        }
        counts[i].resize(p.levels());
        for (std::size_t k = 0; k < p.levels(); ++k)
            for (std::size_t j = p.level_starts[k]; j < p.level_starts[k + 1]; ++j)
                ++counts[i][k][static_cast<int>(p.kinds[j])];
    }
    // Where each part's boxes of each level go: their first place in each
    // store and in order_.
    struct place {
        std::size_t at[3];
        std::size_t order;
    };
    std::vector<std::vector<place>> places(parts.size());
    for (std::size_t i = 0; i < parts.size(); ++i)
        places[i].resize(counts[i].size());
    boxStore* stores[3] = {&solutions_, &nonSolutions_, &undefined_};
    std::size_t at[3] = {solutions_.size(), nonSolutions_.size(), undefined_.size()};
    std::size_t order = order_.size();
    auto allot = [&](std::size_t i, std::size_t k) {
        place& where = places[i][k];
        std::copy(std::begin(at), std::end(at), std::begin(where.at));
        where.order = order;
        for (int kind = 0; kind < 3; ++kind) {
            at[kind] += counts[i][k][static_cast<std::size_t>(kind)];
            order += counts[i][k][static_cast<std::size_t>(kind)];
        }
    };
    for (std::size_t k = 0; k < counts[0].size(); ++k)
        allot(0, k);
    if (!subs.empty()) {
        const std::size_t lowest =
            *std::min_element(first.waiting_depths.begin(), first.waiting_depths.end());
        std::size_t highest = 0;
        for (std::size_t i = 0; i < subs.size(); ++i)
            highest =
                std::max<std::size_t>(highest, first.waiting_depths[i] + counts[i + 1].size());
        const std::vector<std::size_t> roots = descendantOrder(first);
        for (std::size_t level = lowest; level < highest; ++level)
            for (const std::size_t i : roots) {
                const std::size_t d = first.waiting_depths[i];
                if (level >= d && level - d < counts[i + 1].size()) allot(i + 1, level - d);
            }
    }
    for (int k = 0; k < 3; ++k)
        stores[k]->resize(at[k]);
    order_.resize(order);
    // The boxes a stop left waiting in the workers' traced sub-pavings.
    std::vector<std::vector<double>> waiting(parts.size());
    auto file = [&](std::size_t i) {
        const sub_paving& p = *parts[i];
        std::vector<place> next = places[i];
        auto put = [&](std::size_t k, box_kind kind, const double* bounds) {
            place& where = next[k];
            const int s = static_cast<int>(kind);
            stores[s]->setBounds(where.at[s]++, bounds);
            order_[where.order++] = kind;
        };
        if (p.trace.empty()) {
            for (std::size_t k = 0; k < p.levels(); ++k)
                for (std::size_t j = p.level_starts[k]; j < p.level_starts[k + 1]; ++j)
                    put(k, p.kinds[j], p.bounds.data() + j * width);
            return;
        }
        waiting[i] = replayTrace(setup, {first.waiting.data() + (i - 1) * width, width}, p.trace,
                                 [&](std::uint32_t k, box_kind kind, const double* bounds) {
                                     put(k, kind, bounds);
                                 })
                         .waiting;
    };
    // The threads take the parts in turn, the largest first.
    std::vector<std::size_t> bySize(parts.size());
    std::vector<std::size_t> sizes(parts.size(), 0);
    for (std::size_t i = 0; i < parts.size(); ++i) {
        bySize[i] = i;
        for (const std::array<std::size_t, 3>& level : counts[i])
            sizes[i] += level[0] + level[1] + level[2];
    }
    std::sort(bySize.begin(), bySize.end(),
              [&](std::size_t x, std::size_t y) { return sizes[x] > sizes[y]; });
    std::size_t total = 0;
    for (const std::size_t n : sizes)
        total += n;
    const std::size_t threads = std::clamp<std::size_t>(
        total / kBoxesPerMergeThread, 1, std::max(1U, std::thread::hardware_concurrency()));
    std::atomic<std::size_t> taken{0};
    auto work = [&] {
        for (std::size_t n = taken++; n < bySize.size(); n = taken++)
            file(bySize[n]);
    };
    std::vector<std::thread> helpers;
    for (std::size_t t = 1; t < threads; ++t)
        helpers.emplace_back(work);
    work();
    for (std::thread& h : helpers)
        h.join();
    if (subs.empty()) {
        for (std::size_t i = 0; i < first.waiting_depths.size(); ++i)
            queue_.appendBounds(first.waiting.data() + i * width);
        return spent();
    }
    // What a stop left waiting is reported undecided by run.
    for (std::size_t i = 1; i < parts.size(); ++i) {
        const std::vector<double>& left = parts[i]->trace.empty() ? parts[i]->waiting : waiting[i];
        for (std::size_t j = 0; j < left.size() / std::max<std::size_t>(width, 1); ++j)
            queue_.appendBounds(left.data() + j * width);
    }
    return spent();
}

double qsi::run() {
    const own_context guard(context);
    epsilons_.clear();
    order_.clear();
    box shape;
    if (!agenda_.empty()) {
        setPlotIndices(agenda_.front());
        shape = agenda_.front();
        epsilons_ = pavingEpsilons(shape, settings_.epsilon);
    }
    for (boxStore* s : {&queue_, &solutions_, &nonSolutions_, &undefined_})
        s->reset(shape);
    head_ = 0;
    contracting_ = settings_.contract;
    if (contracting_) {
        buildContractor();
        outer_ = shape;
        piece_ = shape;
    }
    // The queue takes the agenda's boxes that have the variables of the
    // first.
    for (auto it = agenda_.begin(); it != agenda_.end();) {
        if (it->size() != shape.size()) {
            ++it;
            continue;
        }
        queueBox(*it);
        it = agenda_.erase(it);
    }

    const double begin = context->seconds();
    setTimeBudget(begin, settings_.time_limit);
    const double elapsed =
        farm != nullptr ? paveWithFarm(*context, begin) : pave(*context, begin, threadCount());

    // Boxes the time limit left in the queue are undecided: reported as
    // undefined, so that the paving covers the whole box.
    leftUndecided_ = queue_.size() - head_;
    for (; head_ < queue_.size(); ++head_) {
        undefined_.append(queue_, head_);
        order_.push_back(box_kind::undefined);
    }
    queue_.clear();
    queue_.shrink();
    head_ = 0;
    release();
    contractor = boxContractor();
    contracting_ = false;
    return elapsed;
}

void qsi::moveResult(result& r) {
    const box& shape = solutions_.shape();
    r.names.clear();
    for (int i = 0; i < shape.size(); ++i)
        r.names.push_back(shape[i].name);
    r.plot_x = shape.getPlotX();
    r.plot_y = shape.getPlotY();
    for (const auto& [store, list] :
         {std::pair{&solutions_, &r.solution}, std::pair{&nonSolutions_, &r.non_solution},
          std::pair{&undefined_, &r.undefined}}) {
        list->dimension = static_cast<std::size_t>(store->dimension());
        list->bounds = store->takeBounds();
    }
    r.decided = std::move(order_);
    order_.clear();
    r.left_undecided = leftUndecided_;
    r.contracted = settings_.contract;
}

} // namespace modal
