#include "solver/sets/qsi.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <ctime>
#include <ostream>
#include <thread>

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
constexpr std::size_t kBoxesPerThread = 64;

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

bool qsi::bisectFront(repere& frame) {
    box& b = agenda_.front();
    const int k = bisectionVariable(b);
    if (k < 0) return false;
    const double lo = b[k].domain.inf(), hi = b[k].domain.sup();
    const double m = midpoint(lo, hi);
    if (!splittable(lo, hi, m)) return false;

    b[k].domain = ivalDb::exact(lo, m);
    agenda_.push_back(b);
    frame.outlineBox(agenda_.back(), kOutlineColor, 0, 1);

    b[k].domain = ivalDb::exact(m, hi);
    agenda_.splice(agenda_.end(), agenda_, agenda_.begin());
    frame.outlineBox(agenda_.back(), kOutlineColor, 0, 1);
    return true;
}

int qsi::threadCount() const {
    if (settings_.threads > 0) return settings_.threads;
    return static_cast<int>(std::max(1U, std::thread::hardware_concurrency()));
}

void qsi::takeVerdict(verdict v, repere& frame) {
    if (v == verdict::solution) {
        decide(solutions_, kSolutionColor, frame);
    } else if (v == verdict::nonSolution) {
        decide(nonSolutions_, kNonSolutionColor, frame);
    } else if (isSmall(agenda_.front()) || !bisectFront(frame)) {
        // Undecided and too small to cut, or cut as far as doubles go.
        decide(undefined_, kUndefinedColor, frame);
    }
}

// Without a finite time limit the clock (a system call) is read only at the
// end, for the report: the loop cannot stop on it.
double qsi::runSequential(repere& frame, std::clock_t begin) {
    const double limit = settings_.time_limit;
    const bool timed = std::isfinite(limit);
    double elapsed = 0.0;
    while (!agenda_.empty() && !(elapsed >= limit)) {
        takeVerdict(classify(agenda_.front()), frame);
        if (!timed) continue;
        elapsed = secondsBetween(begin, std::clock());
        if (elapsed > limit) break;
    }
    return timed ? elapsed : secondsBetween(begin, std::clock());
}

double qsi::runParallel(repere& frame, std::clock_t begin, int threads) {
    // The boxes at the front of the agenda are classified together, each
    // thread with its own copy of the constraint solvers; then their
    // verdicts are taken one by one in agenda order, exactly as the
    // sequential loop takes them, so that the paving, the report and the
    // picture do not depend on the number of threads. Halves appended by
    // bisection go to the back and are classified in a later batch.
    const double limit = settings_.time_limit;
    const bool timed = std::isfinite(limit);
    std::vector<constraintList> copies(static_cast<std::size_t>(threads - 1), constraints());
    std::vector<std::uint64_t> runs(static_cast<std::size_t>(threads), 0);
    std::vector<box*> batch;
    std::vector<verdict> verdicts;
    double elapsed = 0.0;
    while (!agenda_.empty() && !(elapsed >= limit)) {
        const std::size_t n =
            std::min(agenda_.size(), kBoxesPerThread * static_cast<std::size_t>(threads));
        batch.clear();
        for (auto it = agenda_.begin(); batch.size() < n; ++it)
            batch.push_back(&*it);
        verdicts.assign(n, verdict::undefined);

        std::atomic<std::size_t> next{0};
        auto work = [&](int t) {
            std::ostream dropped(nullptr);
            constraintList& list = t == 0 ? constraints() : copies[static_cast<std::size_t>(t - 1)];
            for (std::size_t i = next++; i < n; i = next++)
                verdicts[i] = classify(list, *batch[i], dropped, runs[static_cast<std::size_t>(t)]);
        };
        std::vector<std::thread> helpers;
        const int used =
            static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(threads), n));
        for (int t = 1; t < used; ++t)
            helpers.emplace_back(work, t);
        work(0);
        for (std::thread& h : helpers)
            h.join();

        for (std::size_t i = 0; i < n; ++i) {
            takeVerdict(verdicts[i], frame);
            if (!timed) continue;
            elapsed = secondsBetween(begin, std::clock());
            if (elapsed > limit) break;
        }
        if (elapsed > limit) break;
    }
    for (std::uint64_t r : runs)
        addSolverRuns(r);
    return timed ? elapsed : secondsBetween(begin, std::clock());
}

void qsi::decide(boxList& target, toolkit::Color colour, repere& frame) {
    frame.fillBox(agenda_.front(), colour, kOutlineColor, 0);
    target.splice(target.end(), agenda_, agenda_.begin());
}

bool qsi::run(const std::string& prefix, repere& frame) {
    solutions_.clear();
    nonSolutions_.clear();
    undefined_.clear();
    epsilons_.clear();
    if (!agenda_.empty()) {
        box& start = agenda_.front();
        setPlotIndices(start);
        for (int i = 0; i < start.size(); ++i)
            epsilons_.push_back(start[i].domain.width() * settings_.epsilon);
    }

    const double limit = settings_.time_limit;
    const std::clock_t begin = std::clock();
    setTimeBudget(begin, limit);
    const int threads = threadCount();
    const double elapsed =
        threads > 1 ? runParallel(frame, begin, threads) : runSequential(frame, begin);

    // Boxes the time limit left on the agenda are undecided: reported and
    // drawn as undefined, so that the paving covers the whole box.
    leftUndecided_ = agenda_.size();
    while (!agenda_.empty())
        decide(undefined_, kUndefinedColor, frame);

    const bool written = writeReport(prefix, elapsed);
    release();
    return written;
}

} // namespace modal
