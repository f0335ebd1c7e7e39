// Detection of hypoglycaemia by the simulated area: predictions and the
// sensitivity / specificity table over 20 area thresholds.
#pragma once

#include "glucosim/core/settings.h"

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace glucosim {

struct RocTable {
    enum Row { VN = 0, FP, FN, VP, Sens, OneMinusSpec };
    static constexpr int kRows = 6;

    double maximum = 10.0; // M, the largest simulated area (at least 10)
    std::array<double, kRocThresholds> thresholds{};
    // predictions[j][k]: experiment j's simulated area is above threshold k.
    std::array<std::array<bool, kRocThresholds>, kExperiments> predictions{};
    std::array<std::array<double, kRocThresholds>, kRows> rows{};
};

// The labels "VN", "FP", "FN", "VP", "Sens.", "1-Espec.".
const char* rocRowLabel(int row);

// Builds the table from the texts shown in the results table: each
// experiment's simulated area and its "Hipo?" outcome (negative when the
// text is "0"). Thresholds run from 1 to M on a logarithmic scale, with M the
// largest simulated area of all experiments and at least 10.
// The ROC curve as (1-Espec., Sens.) points: the thresholds whose two rates
// are numbers, in increasing order, from (0, 0) to (1, 1). Empty when no
// threshold has both rates.
std::vector<std::pair<double, double>> rocCurve(const RocTable& roc);
// The area under rocCurve by trapezoids; NaN when the curve is empty.
double rocArea(const RocTable& roc);
// Why there is no curve (no experiment with, or none without, a real
// hypoglycaemia); empty when there is one.
std::string rocMissingReason(const RocTable& roc);

RocTable evaluateRoc(const std::array<std::string, kExperiments>& simulatedAreaTexts,
                     const std::array<std::string, kExperiments>& hypoTexts);

} // namespace glucosim
