// The interval simulation of one experiment over 300 minutes: Bergman's
// minimal model with two-compartment subcutaneous insulin absorption and gut
// absorption of the meal, integrated with Euler steps of one minute.
#pragma once

#include "glucosim/core/areas.h"
#include "glucosim/core/data_files.h"
#include "glucosim/core/settings.h"
#include "interval/ivalDb.h"

#include <array>

namespace glucosim {

struct ExperimentInput {
    double bolus = 0.0;         // U
    double carbohydrates = 0.0; // g
    double basalInsulin = 0.0;  // mU/min
    double basalGlucose = 0.0;  // mg/dl

    static ExperimentInput of(const ExperimentRow& row) {
        return {row.bolus(), row.carbohydrates(), row.basalInsulin(), row.basalGlucose()};
    }
};

// Trajectories indexed by minute + 1: slot 0 holds the start value (minute -1).
struct Trajectory {
    std::array<modal::ivalDb, kSamples + 1> glucose;       // G, slot 0 = basal interval
    std::array<modal::ivalDb, kSamples + 1> remoteInsulin; // X
    std::array<modal::ivalDb, kSamples + 1> insulin;       // I, slot 0 = basal insulin
    std::array<modal::ivalDb, kSamples> insulinAppearance; // RaI of minute n
    std::array<modal::ivalDb, kSamples> mealAppearance;    // Ra of minute n
    HypoHyperAreas areas;

    const modal::ivalDb& glucoseAt(int minute) const {
        return glucose[static_cast<std::size_t>(minute + 1)];
    }
};

// [nominal (1 - 30/100), nominal (1 + 30/100)]
modal::ivalDb sensitivityInterval(double nominal);

// Simulates one experiment with insulin sensitivity `si` and meal absorption
// time `tmax` (minutes, positive) and accumulates its areas.
void simulateExperiment(const PatientParameters& params, const ExperimentInput& input,
                        const modal::ivalDb& si, double tmax, Trajectory& out);

} // namespace glucosim
