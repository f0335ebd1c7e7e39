#include "glucosim/core/computation.h"

#include "glucosim/core/float_text.h"
#include "glucosim/core/safe_text.h"
#include "glucosim/core/simulation.h"

#include <cmath>
#include <limits>
#include <memory>

namespace glucosim {

modal::ivalDb concreteSensitivity(double s) {
    return sensitivityInterval(s * 0.0001);
}

namespace {

// The final pass: simulates every experiment with the chosen values and
// evaluates the hypoglycaemia detection.
int firstNonFiniteMinute(const Trajectory& t) {
    for (int m = 0; m < kSamples; ++m) {
        const modal::ivalDb& g = t.glucoseAt(m);
        if (!std::isfinite(g.inf()) || !std::isfinite(g.sup())) return m;
    }
    return -1;
}

void finalPass(const DataSet& data, Results& results) {
    results.patient = data.patient;
    results.inputFiles = {data.experimentPath, data.parameterPath, data.glucosePath};
    results.experiments.assign(kExperiments, ExperimentResult{});
    auto trajectory = std::make_unique<Trajectory>();
    std::array<std::string, kExperiments> areaTexts, hypoTexts;
    for (std::size_t j = 0; j < kExperiments; ++j) {
        ExperimentResult& e = results.experiments[j];
        e.row = data.experiment.rows[j];
        simulateExperiment(data.parameters, ExperimentInput::of(e.row), results.si, results.tmax,
                           *trajectory);
        e.glucose = trajectory->glucose;
        for (std::size_t n = 0; n < kSamples; ++n)
            e.measured[n] = data.glucose.values[n][j];
        e.areas = trajectory->areas;
        e.firstNonFiniteMinute = firstNonFiniteMinute(*trajectory);
        if (e.firstNonFiniteMinute >= 0) {
            // Comparisons with NaN would have counted nothing: no area is known.
            constexpr double nan = std::numeric_limits<double>::quiet_NaN();
            e.areas = HypoHyperAreas{nan, nan, nan, nan};
        }
        e.realHypoArea = e.row.realHypoArea();
        e.simulatedHypoArea = e.areas.simulatedHypo();
        areaTexts[j] = FloatToStr(e.simulatedHypoArea);
        hypoTexts[j] = FloatToStr(e.row.hypo());
    }
    results.roc = evaluateRoc(areaTexts, hypoTexts);
}

} // namespace

Results computeWithValues(const DataSet& data, double sensitivity, double tmax) {
    Results results;
    results.mode = Mode::ConcreteValues;
    results.si = concreteSensitivity(sensitivity);
    results.tmax = tmax;
    finalPass(data, results);
    return results;
}

Results computeWithOptimisation(const DataSet& data, Criterion criterion,
                                const ProgressCallback& progress) {
    Results results;
    results.mode = Mode::Optimisation;
    results.criterion = criterion;
    results.grid = evaluateGrid(data, criterion, progress);
    results.chosenPair = chosenPair(results.grid, criterion);
    for (const GridPair& p : results.grid)
        results.nonFinitePairs += std::isnan(p.value);
    const GridPair& best = results.grid[static_cast<std::size_t>(results.chosenPair)];
    results.si = best.si();
    results.tmax = best.tmax;
    finalPass(data, results);
    return results;
}

ConcreteValues readConcreteValues(std::string_view sensText, std::string_view tmaxText) {
    const auto s = parseUserNumber(sensText);
    const auto t = parseUserNumber(tmaxText);
    if (s && t && *s >= 0 && *t > 0) return {*s, *t, false, {}};
    ConcreteValues reset;
    reset.corrected = true;
    const auto refused = [&reset](const char* field, std::string_view text, const char* why) {
        reset.details += std::string(field) + ": \"" + printable(text) + "\" " + why + ".\n";
    };
    if (!s)
        refused("Sensibilitat", sensText, "no és un nombre");
    else if (*s < 0)
        refused("Sensibilitat", sensText, "no pot ser negativa");
    if (!t)
        refused("TmaxG", tmaxText, "no és un nombre");
    else if (*t <= 0)
        refused("TmaxG", tmaxText, "ha de ser un nombre positiu");
    reset.details += "El càlcul es fa amb Sensibilitat " + std::string(kResetSensText) +
                     " (x10^-4) i TmaxG " + kResetTmaxText +
                     ", els valors que ara mostren els camps.";
    return reset;
}

std::string resultsCaption(const Results& results) {
    return "Resultats experiments pacient " + std::to_string(results.patient) +
           " amb Si=" + FloatToStr(results.siMidpoint()) + " i TmaxG=" + FloatToStr(results.tmax);
}

} // namespace glucosim

namespace glucosim {

std::vector<std::string> nonFiniteWarnings(const Results& results) {
    std::vector<std::string> out;
    if (results.nonFinitePairs == kGridPairs)
        out.push_back("cap parella de la graella d'optimització dóna una simulació amb valors "
                      "finits: la parella escollida no té sentit");
    else if (results.nonFinitePairs > 0)
        out.push_back(std::to_string(results.nonFinitePairs) +
                      " parelles de la graella d'optimització donen valors no finits (NAN o INF) "
                      "i no s'han tingut en compte");
    for (std::size_t j = 0; j < results.experiments.size(); ++j) {
        const int m = results.experiments[j].firstNonFiniteMinute;
        if (m >= 0)
            out.push_back("la simulació de l'experiment " + std::to_string(j + 1) +
                          " dóna valors no finits (NAN o INF) a partir del minut " +
                          std::to_string(m) + "; les seves àrees no es poden calcular");
    }
    return out;
}

} // namespace glucosim
