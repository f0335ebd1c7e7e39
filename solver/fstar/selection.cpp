#include "solver/fstar/selection.h"

#include <cmath>

#include "solver/fstar/strip.h"

namespace modal {

namespace {

// Variables narrower than this fraction of the widest are not chosen by
// smear: over a wide box a derivative enclosure is mostly overestimation, and
// cutting one variable on and on makes long thin pieces whose enclosures
// narrow slowly (the Shekel functions took 20 times as many steps).
constexpr double kSmearWidthRatio = 0.25;

bool equalOrNaN(double a, double b) noexcept {
    return a == b || std::isnan(a) || std::isnan(b);
}

} // namespace

int widestCuttable(const std::vector<variable>& vars, bool skipSettled, bool singlesExact) {
    int chosen = -1;
    double widest = -kInf;
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const variable& v = vars[i];
        if (skipSettled && ((singlesExact && v.incidenceCount() == 1) || v.totalMono)) continue;
        const double w = v.domain.width();
        // Unbounded domains, and domains with no double inside, are not cut.
        if (canCut(v.domain) && w > widest) {
            widest = w;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

int largestSmearCuttable(const std::vector<variable>& vars, bool skipSettled, bool singlesExact) {
    int chosen = -1;
    double best = -kInf;
    double bestWidth = -kInf;
    const int widest = widestCuttable(vars, skipSettled, singlesExact);
    if (widest < 0) return -1;
    const double floorWidth =
        kSmearWidthRatio * vars[static_cast<std::size_t>(widest)].domain.width();
    for (std::size_t i = 0; i < vars.size(); ++i) {
        const variable& v = vars[i];
        if (skipSettled && ((singlesExact && v.incidenceCount() == 1) || v.totalMono)) continue;
        if (!canCut(v.domain) || v.domain.width() < floorWidth) continue;
        ivalDb d = ivalZero();
        for (const incidence& inc : v.incidences)
            d = d + prop(inc.derivative);
        const double magnitude = std::fmax(std::fabs(d.inf()), std::fabs(d.sup()));
        const double w = v.domain.width();
        const double smear = std::isnan(magnitude) ? kInf : magnitude * w;
        if (smear > best || (smear == best && w > bestWidth)) {
            best = smear;
            bestWidth = w;
            chosen = static_cast<int>(i);
        }
    }
    return chosen;
}

bool definesBound(const twin& part, const twin& whole, optimBound optim) noexcept {
    if (optim != optimBound::upper && (equalOrNaN(whole.getInn().inf(), part.getInn().inf()) ||
                                       equalOrNaN(part.getOut().inf(), whole.getOut().inf())))
        return true;
    return optim != optimBound::lower && (equalOrNaN(whole.getInn().sup(), part.getInn().sup()) ||
                                          equalOrNaN(part.getOut().sup(), whole.getOut().sup()));
}

} // namespace modal
