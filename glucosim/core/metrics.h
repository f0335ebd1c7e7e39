// The consensus glucose metrics of the measured samples of each experiment
// (minutes 0..299) and of all of them together, with what the simulated band
// says of them: how many samples it holds, and the minutes when
// hypoglycaemia (below 70 mg/dl) or hyperglycaemia (above 180 mg/dl) is
// certain (the whole band beyond the limit) or possible (part of it).
// The band of minute N is the one the glucose grid shows in N's row: G[N-1].
#pragma once

#include "glucosim/core/computation.h"
#include "glucosim/core/tables.h"

#include <array>

namespace glucosim {

// The target range of the metrics, mg/dl.
inline constexpr double kRangeLow = 70.0;
inline constexpr double kRangeHigh = 180.0;

struct GlucoseMetrics {
    int samples = 0;
    double mean = 0.0;      // mg/dl
    double cv = 0.0;        // %, sample standard deviation (n - 1) / mean
    double tir = 0.0;       // % with 70 <= g <= 180
    double tbr70 = 0.0;     // % with g < 70
    double tbr54 = 0.0;     // % with g < 54
    double tar180 = 0.0;    // % with g > 180
    double tar250 = 0.0;    // % with g > 250
    double coverage = 0.0;  // % with lower <= g <= upper
    int hypoCertain = 0;    // minutes with upper < 70
    int hypoPossible = 0;   // minutes with lower < 70
    int hyperCertain = 0;   // minutes with lower > 180
    int hyperPossible = 0;  // minutes with upper > 180
    double meanWidth = 0.0; // mean of upper - lower, mg/dl
};

GlucoseMetrics experimentMetrics(const ExperimentResult& experiment);
// Over the samples of every experiment together.
GlucoseMetrics overallMetrics(const std::vector<ExperimentResult>& experiments);

// metrics.csv: the header, one row per experiment ("1".."24") and "all".
Table metricsTable(const Results& results);
inline constexpr const char* kMetricsHeader =
    "experiment,samples,mean_mg_dl,cv_percent,tir_70_180_percent,tbr_70_percent,tbr_54_percent,"
    "tar_180_percent,tar_250_percent,coverage_percent,hypo_certain_min,hypo_possible_min,"
    "hyper_certain_min,hyper_possible_min";
// The captions of the same columns in the window, and of the row "all".
inline constexpr std::array<const char*, 14> kMetricsCaptions{
    "Experiment",         "Mostres",
    "Mitjana (mg/dl)",    "CV (%)",
    "En rang 70-180 (%)", "Sota 70 (%)",
    "Sota 54 (%)",        "Sobre 180 (%)",
    "Sobre 250 (%)",      "Dins la banda (%)",
    "Hipo segura (min)",  "Hipo possible (min)",
    "Hiper segura (min)", "Hiper possible (min)"};
inline constexpr const char* kMetricsAllCaption = "Tots";

} // namespace glucosim
