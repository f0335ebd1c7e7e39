#include "glucosim/core/roc.h"

#include "glucosim/core/float_text.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace glucosim {

const char* rocRowLabel(int row) {
    static constexpr const char* labels[RocTable::kRows] = {"VN", "FP",    "FN",
                                                            "VP", "Sens.", "1-Espec."};
    return labels[row];
}

namespace {

// The number a table text shows, including "INF", "-INF" and "NAN".
double textValue(const std::string& text) {
    if (text == "INF") return std::numeric_limits<double>::infinity();
    if (text == "-INF") return -std::numeric_limits<double>::infinity();
    if (const auto v = parseUserNumber(text)) return *v;
    return std::numeric_limits<double>::quiet_NaN();
}

} // namespace

std::vector<std::pair<double, double>> rocCurve(const RocTable& roc) {
    std::vector<std::pair<double, double>> points;
    for (std::size_t k = 0; k < kRocThresholds; ++k) {
        const double fpr = roc.rows[RocTable::OneMinusSpec][k];
        const double sens = roc.rows[RocTable::Sens][k];
        if (std::isfinite(fpr) && std::isfinite(sens)) points.emplace_back(fpr, sens);
    }
    if (points.empty()) return points;
    points.emplace_back(0.0, 0.0);
    points.emplace_back(1.0, 1.0);
    std::sort(points.begin(), points.end());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    return points;
}

double rocArea(const RocTable& roc) {
    const auto points = rocCurve(roc);
    if (points.empty()) return std::numeric_limits<double>::quiet_NaN();
    double area = 0.0;
    for (std::size_t i = 1; i < points.size(); ++i)
        area += (points[i].first - points[i - 1].first) *
                (points[i].second + points[i - 1].second) * 0.5;
    return area;
}

std::string rocMissingReason(const RocTable& roc) {
    if (!rocCurve(roc).empty()) return {};
    const double positives = roc.rows[RocTable::VP][0] + roc.rows[RocTable::FN][0];
    const double negatives = roc.rows[RocTable::FP][0] + roc.rows[RocTable::VN][0];
    if (positives == 0 && negatives == 0) return "No hi ha resultats.";
    if (positives == 0)
        return "Cap experiment no té hipoglucèmia real (\"Hipo?\" diferent de 0): la "
               "sensibilitat no es pot calcular i no hi ha corba ROC.";
    return "Tots els experiments tenen hipoglucèmia real: l'especificitat no es pot calcular i "
           "no hi ha corba ROC.";
}

RocTable evaluateRoc(const std::array<std::string, kExperiments>& simulatedAreaTexts,
                     const std::array<std::string, kExperiments>& hypoTexts) {
    RocTable roc;
    std::array<double, kExperiments> areas{};
    for (std::size_t j = 0; j < areas.size(); ++j) {
        areas[j] = textValue(simulatedAreaTexts[j]);
        if (areas[j] > roc.maximum && std::isfinite(areas[j])) roc.maximum = areas[j];
    }

    const double e0 = std::log10(1.0);
    const double e19 = std::log10(roc.maximum);
    roc.thresholds[0] = std::pow(10.0, e0);
    for (int k = 1; k < kRocThresholds - 1; ++k)
        roc.thresholds[static_cast<std::size_t>(k)] = std::pow(10.0, (e19 - e0) * 0.05 * k);
    roc.thresholds[kRocThresholds - 1] = roc.maximum;

    for (std::size_t k = 0; k < roc.thresholds.size(); ++k) {
        double counts[4] = {0, 0, 0, 0};
        for (std::size_t j = 0; j < areas.size(); ++j) {
            const bool predicted = areas[j] > roc.thresholds[k];
            const bool positive = hypoTexts[j] != "0";
            roc.predictions[j][k] = predicted;
            ++counts[positive ? (predicted ? RocTable::VP : RocTable::FN)
                              : (predicted ? RocTable::FP : RocTable::VN)];
        }
        for (int r = 0; r < 4; ++r)
            roc.rows[static_cast<std::size_t>(r)][k] = counts[r];
        // 0 / 0 without positives (or negatives) is NaN and shows as "NAN".
        roc.rows[RocTable::Sens][k] =
            counts[RocTable::VP] / (counts[RocTable::VP] + counts[RocTable::FN]);
        roc.rows[RocTable::OneMinusSpec][k] =
            counts[RocTable::FP] / (counts[RocTable::FP] + counts[RocTable::VN]);
    }
    return roc;
}

} // namespace glucosim
