#include "solver/sets/qsi.h"

#include <cmath>
#include <ctime>

#include "solver/fstar/memory_limit.h"

namespace modal {

namespace {

double midpoint(double a, double b) {
    return static_cast<double>((static_cast<long double>(a) + static_cast<long double>(b)) * 0.5L);
}

bool splittable(double a, double b, double m) {
    return (a < m && m < b) || (b < m && m < a);
}

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
    double elapsed = 0.0;
    while (!agenda_.empty() && !(elapsed >= limit) && !memoryLimitPassed()) {
        box& b = agenda_.front();
        const verdict v = classify(b);
        if (v == verdict::solution) {
            decide(solutions_, kSolutionColor, frame);
        } else if (v == verdict::nonSolution) {
            decide(nonSolutions_, kNonSolutionColor, frame);
        } else if (isSmall(b) || !bisectFront(frame)) {
            // Undecided and too small to cut, or cut as far as doubles go.
            decide(undefined_, kUndefinedColor, frame);
        }
        elapsed = secondsBetween(begin, std::clock());
        if (elapsed > limit) break;
    }

    const bool written = writeReport(prefix, elapsed);
    release();
    return written;
}

} // namespace modal
