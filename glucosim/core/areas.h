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
        addHyperMinute(n, previous.sup(), current.sup());
        addHypoMinute(previous.inf(), current.inf());
    }

    void addHyperMinute(int n, double upPrev, double up) {
        const double h = kStep;
        double modHyper = 0.0, sevHyper = 0.0;
        if (up >= kHyper && up < kSevereHyper) {
            modHyper = (upPrev + up) * h * 0.5 - kHyper * h;
        } else if (up >= kSevereHyper) {
            sevHyper = (upPrev + up) * h * 0.5 - kSevereHyper * h;
            modHyper = (kSevereHyper - kHyper) * h;
        }
        const double w = kHourWeights[static_cast<std::size_t>(n / 60)];
        moderateHyper += w * modHyper / (kSevereHyper - kHyper);
        severeHyper += w * sevHyper / (kSevereHyper - kHyper);
    }

    // A lower bound that crosses 70 counts only when the mean of the two
    // bounds is at most 70.
    void addHypoMinute(double loPrev, double lo) {
        const double h = kStep;
        const double mean = (loPrev + lo) * 0.5;
        if (lo > kSevereHypo && lo <= kHypo && mean <= kHypo) {
            moderateHypo += (kHypo * h - (loPrev + lo) * h * 0.5) / (kHypo - kSevereHypo);
        } else if (lo <= kSevereHypo && mean <= kHypo) {
            moderateHypo += (kHypo - kSevereHypo) * h / (kHypo - kSevereHypo);
            severeHypo += (kSevereHypo * h - (loPrev + lo) * h * 0.5) / (kHypo - kSevereHypo);
        }
    }
};

} // namespace glucosim
