// Hypo- and hyperglycaemia areas of a simulated glucose band, accumulated
// minute by minute with the trapezoid of two consecutive bounds.
#pragma once

#include "glucosim/core/settings.h"
#include "interval/ivalDb.h"

namespace glucosim {

struct HypoHyperAreas {
    double moderateHypo = 0.0;
    double severeHypo = 0.0;
    double moderateHyper = 0.0; // hour-weighted
    double severeHyper = 0.0;   // hour-weighted

    double simulatedHypo() const { return moderateHypo + severeHypo; }

    // Adds minute n (0..299) of the band: `previous` is G[n-1], `current` G[n].
    // Hyperglycaemia is measured on the upper bounds and weighted by the hour,
    // hypoglycaemia on the lower bounds, both in units of the band between
    // their two thresholds.
    void addMinute(int n, const modal::ivalDb& previous, const modal::ivalDb& current) {
        const double h = kStep;
        const double up = current.sup(), upPrev = previous.sup();
        double modHyper = 0.0, sevHyper = 0.0;
        if (up >= kHyper && up < kSevereHyper) {
            modHyper = (upPrev + up) * h * 0.5 - kHyper * h;
        } else if (up >= kSevereHyper) {
            sevHyper = (upPrev + up) * h * 0.5 - kSevereHyper * h;
            modHyper = (kSevereHyper - kHyper) * h;
        }

        const double lo = current.inf(), loPrev = previous.inf();
        const double mean = (loPrev + lo) * 0.5;
        double modHypo = 0.0, sevHypo = 0.0;
        if (lo > kSevereHypo && lo <= kHypo && mean <= kHypo) {
            modHypo = kHypo * h - (loPrev + lo) * h * 0.5;
        } else if (lo <= kSevereHypo && mean <= kHypo) {
            sevHypo = kSevereHypo * h - (loPrev + lo) * h * 0.5;
            modHypo = (kHypo - kSevereHypo) * h;
        }

        const double w = kHourWeights[static_cast<std::size_t>(n / 60)];
        moderateHyper += w * modHyper / (kSevereHyper - kHyper);
        severeHyper += w * sevHyper / (kSevereHyper - kHyper);
        moderateHypo += modHypo / (kHypo - kSevereHypo);
        severeHypo += sevHypo / (kHypo - kSevereHypo);
    }
};

} // namespace glucosim
