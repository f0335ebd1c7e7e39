#include "glucosim/core/optimisation.h"

#include "glucosim/core/model_steps.h"
#include "glucosim/core/simulation.h"

#include <cmath>

namespace glucosim {

double gridTmax(int index) {
    return 5.0 * (index / kSensSteps) + 30;
}

ivalDb gridSensitivity(int index, double nominalSi) {
    const double factor = 0.1 * (index % kSensSteps) + 0.1;
    return sensitivityInterval(nominalSi * factor);
}

namespace {

constexpr std::size_t kN = kSamples;
constexpr std::size_t kE = kExperiments;

struct SharedExperiment {
    ivalDb gb;
    ivalDb carbohydrates;
    double realArea = 0.0;
    std::array<ivalDb, kN> insulinShift; // I[n-1] - Ib for n = 0..299
};

} // namespace

std::vector<GridPair> evaluateGrid(const DataSet& data, Criterion criterion,
                                   const ProgressCallback& progress) {
    const PatientParameters& params = data.parameters;
    const ivalDb sgStep = glucoseEffectiveness(params.sg()) * pt(kStep);
    const ivalDb xDecay = pt(1 - params.p2() * kStep);
    const ivalDb iDecay = pt(1 - params.clearance() * kStep);
    const ivalDb iGain = pt(params.insulinGain());

    // Insulin: the same for every pair.
    std::vector<SharedExperiment> shared(kE);
    for (std::size_t j = 0; j < kE; ++j) {
        const ExperimentRow& row = data.experiment.rows[j];
        const ExperimentInput in = ExperimentInput::of(row);
        SharedExperiment& s = shared[j];
        s.gb = basalGlucoseInterval(in.basalGlucose);
        s.carbohydrates = carbohydrateInterval(in.carbohydrates);
        s.realArea = row.realHypoArea();
        const ivalDb ib = pt(in.basalInsulin * params.insulinGain() / params.clearance());
        InsulinDepot depot = InsulinDepot::basal(in.basalInsulin);
        ivalDb insulin = ib;
        for (std::size_t n = 0; n < kN; ++n) {
            s.insulinShift[n] = insulin - ib;
            const int minute = static_cast<int>(n);
            const ivalDb rai = depot.step(insulinDelivery(minute, in.bolus, in.basalInsulin));
            insulin = nextInsulin(insulin, iDecay, iGain, rai);
        }
    }

    // Remote insulin factors 1 - X[n-1] h for each sensitivity step.
    std::vector<ivalDb> factors(static_cast<std::size_t>(kSensSteps) * kE * kN);
    for (int hStep = 0; hStep < kSensSteps; ++hStep) {
        const ivalDb xGain =
            (pt(params.p2()) * gridSensitivity(hStep, params.siNominal())) * pt(kStep);
        for (std::size_t j = 0; j < kE; ++j) {
            ivalDb* f = &factors[(static_cast<std::size_t>(hStep) * kE + j) * kN];
            ivalDb x = pt(0);
            for (std::size_t n = 0; n < kN; ++n) {
                f[n] = remoteFactor(x);
                x = x * xDecay + xGain * shared[j].insulinShift[n];
            }
        }
    }

    std::vector<GridPair> grid(kGridPairs);
    std::vector<ivalDb> meal(kE * kN);
    for (int fStep = 0; fStep < kTmaxSteps; ++fStep) {
        const double tmax = gridTmax(fStep * kSensSteps);
        for (std::size_t j = 0; j < kE; ++j)
            for (std::size_t n = 0; n < kN; ++n)
                meal[j * kN + n] =
                    mealTerm(mealAppearance(shared[j].carbohydrates, static_cast<int>(n), tmax),
                             params.vg());

        for (int hStep = 0; hStep < kSensSteps; ++hStep) {
            const int index = fStep * kSensSteps + hStep;
            GridPair& pair = grid[static_cast<std::size_t>(index)];
            const ivalDb si = gridSensitivity(index, params.siNominal());
            pair.tmax = tmax;
            pair.siInf = si.inf();
            pair.siSup = si.sup();
            pair.siMidpoint = si.inf() + (si.sup() - si.inf()) * 0.5;
            for (std::size_t j = 0; j < kE; ++j) {
                const ivalDb* f = &factors[(static_cast<std::size_t>(hStep) * kE + j) * kN];
                const ivalDb* m = &meal[j * kN];
                const ivalDb gb = shared[j].gb;
                HypoHyperAreas areas;
                ivalDb g = gb;
                for (std::size_t n = 0; n < kN; ++n) {
                    const ivalDb next = nextGlucose(sgStep, gb, g, f[n], m[n]);
                    areas.addMinute(static_cast<int>(n), g, next);
                    g = next;
                }
                pair.sums.add(criterion, shared[j].realArea, areas.simulatedHypo());
            }
            pair.value = pair.sums.value(criterion);
            if (progress) progress(index);
        }
    }
    return grid;
}

int firstMinimum(const std::vector<GridPair>& grid) {
    int best = -1;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        if (std::isnan(grid[i].value)) continue;
        if (best < 0 || grid[i].value < grid[static_cast<std::size_t>(best)].value)
            best = static_cast<int>(i);
    }
    return best < 0 ? 0 : best;
}

} // namespace glucosim
