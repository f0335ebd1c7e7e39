// Fixed settings of the glucose study: sizes of the data files, model
// constants, the uncertainty spreads and the evaluation thresholds.
#pragma once

#include <array>

namespace glucosim {

inline constexpr int kExperiments = 24; // data rows of the experiment file
inline constexpr int kExperimentColumns = 12;
inline constexpr int kPatients = 10;      // patient columns of the parameter file
inline constexpr int kParameterRows = 12; // header row + parameters 1..11
inline constexpr int kSamples = 300;      // Euler steps (minutes 0..299)
inline constexpr double kStep = 1.0;      // minutes per step

inline constexpr double kInsulinAbsorption = 55.0; // K, minutes
inline constexpr double kBioavailability = 0.9;    // AG
inline constexpr double kBolusDuration = 20.0;     // minutes
inline constexpr double kSiSpread = 30.0;          // percent
inline constexpr double kGbSpread = 7.0;           // percent
inline constexpr double kChoSpread = 5.0;          // percent
inline constexpr double kSgSpread = 12.0;          // percent

inline constexpr double kHypo = 70.0;
inline constexpr double kSevereHypo = 40.0;
inline constexpr double kHyper = 150.0;
inline constexpr double kSevereHyper = 250.0;
inline constexpr std::array<double, 5> kHourWeights{0.5, 0.75, 1.0, 1.25, 1.5};

// Penalty of a real-area class (row) against a simulated-area class (column).
inline constexpr std::array<std::array<int, 3>, 3> kClassPenalty{{{0, 1, 2}, {1, 0, 1}, {2, 1, 0}}};

// Optimisation grid: T = 5 F + 30 (F = 0..16), L = 0.1 H + 0.1 (H = 0..22).
inline constexpr int kTmaxSteps = 17;
inline constexpr int kSensSteps = 23;
inline constexpr int kGridPairs = kTmaxSteps * kSensSteps; // 391
inline constexpr int kProgressMaximum = 396;               // the main form's progress bar

inline constexpr int kRocThresholds = 20;

} // namespace glucosim
