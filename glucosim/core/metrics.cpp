#include "glucosim/core/metrics.h"

#include "glucosim/core/csv.h"

#include <cmath>
#include <sstream>

namespace glucosim {

namespace {

constexpr double kLevel2Low = 54.0;
constexpr double kLevel2High = 250.0;

// Counts over any number of experiments, turned into metrics at the end.
struct Tally {
    int n = 0;
    double sum = 0.0;
    int inRange = 0, below70 = 0, below54 = 0, above180 = 0, above250 = 0, covered = 0;
    int hypoCertain = 0, hypoPossible = 0, hyperCertain = 0, hyperPossible = 0;
    double width = 0.0;

    void add(const ExperimentResult& e) {
        for (std::size_t m = 0; m < kSamples; ++m) {
            const double g = e.measured[m];
            const double lo = e.glucose[m].inf(), up = e.glucose[m].sup();
            ++n;
            sum += g;
            inRange += g >= kRangeLow && g <= kRangeHigh;
            below70 += g < kRangeLow;
            below54 += g < kLevel2Low;
            above180 += g > kRangeHigh;
            above250 += g > kLevel2High;
            covered += lo <= g && g <= up;
            hypoCertain += up < kRangeLow;
            hypoPossible += lo < kRangeLow;
            hyperCertain += lo > kRangeHigh;
            hyperPossible += up > kRangeHigh;
            width += up - lo;
        }
    }

    GlucoseMetrics result(const std::vector<const ExperimentResult*>& experiments) const {
        GlucoseMetrics r;
        r.samples = n;
        if (n == 0) return r;
        const auto percent = [this](int count) { return 100.0 * count / n; };
        r.mean = sum / n;
        double squares = 0.0;
        for (const ExperimentResult* e : experiments)
            for (const double g : e->measured)
                squares += (g - r.mean) * (g - r.mean);
        r.cv = n > 1 ? 100.0 * std::sqrt(squares / (n - 1)) / r.mean : std::nan("");
        r.tir = percent(inRange);
        r.tbr70 = percent(below70);
        r.tbr54 = percent(below54);
        r.tar180 = percent(above180);
        r.tar250 = percent(above250);
        r.coverage = percent(covered);
        r.hypoCertain = hypoCertain;
        r.hypoPossible = hypoPossible;
        r.hyperCertain = hyperCertain;
        r.hyperPossible = hyperPossible;
        r.meanWidth = width / n;
        return r;
    }
};

std::vector<std::string> row(const std::string& name, const GlucoseMetrics& m) {
    return {name,
            std::to_string(m.samples),
            csvNumber(m.mean),
            csvNumber(m.cv),
            csvNumber(m.tir),
            csvNumber(m.tbr70),
            csvNumber(m.tbr54),
            csvNumber(m.tar180),
            csvNumber(m.tar250),
            csvNumber(m.coverage),
            std::to_string(m.hypoCertain),
            std::to_string(m.hypoPossible),
            std::to_string(m.hyperCertain),
            std::to_string(m.hyperPossible)};
}

} // namespace

GlucoseMetrics experimentMetrics(const ExperimentResult& experiment) {
    Tally t;
    t.add(experiment);
    return t.result({&experiment});
}

GlucoseMetrics overallMetrics(const std::vector<ExperimentResult>& experiments) {
    Tally t;
    std::vector<const ExperimentResult*> all;
    for (const ExperimentResult& e : experiments) {
        t.add(e);
        all.push_back(&e);
    }
    return t.result(all);
}

Table metricsTable(const Results& results) {
    Table t;
    std::vector<std::string> header;
    std::istringstream names(kMetricsHeader);
    for (std::string name; std::getline(names, name, ',');)
        header.push_back(name);
    t.push_back(header);
    for (std::size_t j = 0; j < results.experiments.size(); ++j)
        t.push_back(row(std::to_string(j + 1), experimentMetrics(results.experiments[j])));
    t.push_back(row("all", overallMetrics(results.experiments)));
    return t;
}

} // namespace glucosim
