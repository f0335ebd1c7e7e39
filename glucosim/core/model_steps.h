// One Euler step of each part of the glucose model on modal intervals. The
// plain simulation and the optimisation's shared-work version both use these
// functions, so that they compute bit for bit the same trajectories.
//
// Units: insulin in mU/min (delivery, appearance) and microU/ml (plasma),
// glucose in mg/dl, meal appearance in mg/min, times in minutes.
#pragma once

#include "glucosim/core/settings.h"
#include "interval/ivalDb.h"

#include <cmath>

namespace glucosim {

using modal::ivalDb;

// The outward-rounded point of a double.
inline ivalDb pt(double x) {
    return ivalDb(x);
}

inline ivalDb insulinAbsorption() {
    return ivalDb(kInsulinAbsorption, kInsulinAbsorption);
}

// [x (1 - spread/100), x (1 + spread/100)], rounded outward.
inline ivalDb spreadInterval(double x, double spreadPercent) {
    return ivalDb(x * (1 - spreadPercent / 100), x * (1 + spreadPercent / 100));
}

inline ivalDb basalGlucoseInterval(double basalGlucose) {
    return spreadInterval(basalGlucose, kGbSpread);
}
inline ivalDb carbohydrateInterval(double grams) {
    return spreadInterval(grams * 1000, kChoSpread);
}
inline ivalDb glucoseEffectiveness(double p1) {
    return spreadInterval(p1, kSgSpread);
}

// Insulin delivery of minute n (mU/min): the bolus (U) is spread over the
// minutes 0 to 20, both included, on top of the basal delivery.
inline double insulinDelivery(int n, double bolus, double basal) {
    if (n < 0 || n > kBolusDuration) return basal;
    return bolus * 1000 / kBolusDuration + basal;
}

// The two subcutaneous insulin compartments.
struct InsulinDepot {
    ivalDb s1;
    ivalDb s2;

    // Both compartments at the steady state of the basal delivery.
    static InsulinDepot basal(double basalDelivery) {
        const ivalDb s = pt(basalDelivery) * insulinAbsorption();
        return {s, s};
    }

    // Advances one minute with delivery u; returns the insulin appearance
    // rate RaI of this minute (from the compartments before the step).
    ivalDb step(double u) {
        const ivalDb k = insulinAbsorption();
        const ivalDb h = pt(kStep);
        const ivalDb appearance = s2 / k;
        const ivalDb s1New = s1 + h * (pt(u) - modal::dual(s1) / k);
        const ivalDb s2New = s2 + (h / k) * (s1 - modal::dual(s2));
        s1 = s1New;
        s2 = s2New;
        return appearance;
    }
};

// Meal glucose appearance of minute n (mg/min) for the carbohydrate interval
// d (mg) and absorption time tmax: d AG t e^(-t/T) / T^2.
inline ivalDb mealAppearance(const ivalDb& d, int n, double tmax) {
    const double t = n;
    return ((d * pt(kBioavailability)) * pt(t)) * pt(std::exp(-n / tmax)) / pt(std::pow(tmax, 2));
}

// (h Ra) / Vg: the glucose term of the meal.
inline ivalDb mealTerm(const ivalDb& ra, double vg) {
    return (pt(kStep) * ra) / pt(vg);
}

// 1 - X h: the factor of the previous glucose.
inline ivalDb remoteFactor(const ivalDb& x) {
    return pt(1) - x * pt(kStep);
}

// G[n] from G[n-1]; sgStep = Sg h, gb the basal glucose interval.
inline ivalDb nextGlucose(const ivalDb& sgStep, const ivalDb& gb, const ivalDb& previous,
                          const ivalDb& factor, const ivalDb& meal) {
    return (sgStep * (gb - modal::dual(previous)) + previous * factor) + meal;
}

// X[n] from X[n-1]; decay = pt(1 - p2 h), gain = (pt(p2) Si) pt(h).
inline ivalDb nextRemoteInsulin(const ivalDb& previous, const ivalDb& decay, const ivalDb& gain,
                                const ivalDb& insulinPrevious, const ivalDb& basalInsulin) {
    return previous * decay + gain * (insulinPrevious - basalInsulin);
}

// I[n] from I[n-1]; decay = pt(1 - n h), gain = pt(P4).
inline ivalDb nextInsulin(const ivalDb& previous, const ivalDb& decay, const ivalDb& gain,
                          const ivalDb& appearance) {
    return previous * decay + (gain * appearance) * pt(kStep);
}

} // namespace glucosim
