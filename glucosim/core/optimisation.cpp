#include "glucosim/core/optimisation.h"

#include "glucosim/core/model_steps.h"
#include "glucosim/core/simulation.h"

#include <cmath>
#include <limits>

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
    ivalDb basalInsulin;
    std::array<ivalDb, kN> insulin; // I[n-1] for n = 0..299
};

// How the bands of one pair hold the measured samples.
struct BandFit {
    int covered = 0;    // samples with lower <= g <= upper
    double width = 0.0; // sum of upper - lower
};

// The simulated hypoglycaemia areas of all experiments for one pair, from the
// remote insulin factors and meal terms laid out [minute][experiment]. The
// experiments advance together, minute by minute, so that their independent
// chains of operations overlap; everything is inlined into this loop. With
// kFit, the band of each minute (G[n-1]) is also compared with the measured
// sample n, laid out like the meal terms.
template <bool kFit>
[[gnu::flatten]] std::array<double, kE>
hypoAreas(const ivalDb& sgStep, const std::array<ivalDb, kE>& gb, const ivalDb* factor,
          const ivalDb* meal, const double* measured, BandFit& fit) {
    std::array<ivalDb, kE> g = gb;
    std::array<HypoHyperAreas, kE> areas{};
    // x - x is NaN exactly when x is infinite or NaN, and a NaN stays in the
    // sum: a branch-free record of any bound that was not finite.
    std::array<double, kE> notFinite{};
    for (std::size_t n = 0; n < kN; ++n) {
        for (std::size_t j = 0; j < kE; ++j) {
            const ivalDb next =
                nextGlucose(sgStep, gb[j], g[j], factor[n * kE + j], meal[n * kE + j]);
            if constexpr (kFit) {
                const double m = measured[n * kE + j];
                fit.covered += g[j].inf() <= m && m <= g[j].sup();
                fit.width += g[j].sup() - g[j].inf();
            }
            areas[j].addHypoMinute(g[j].inf(), next.inf());
            notFinite[j] += (next.inf() - next.inf()) + (next.sup() - next.sup());
            g[j] = next;
        }
    }
    std::array<double, kE> result{};
    for (std::size_t j = 0; j < kE; ++j)
        result[j] = std::isnan(notFinite[j]) ? std::numeric_limits<double>::quiet_NaN()
                                             : areas[j].simulatedHypo();
    return result;
}

// The insulin of every experiment, the same for every pair.
std::vector<SharedExperiment> sharedExperiments(const DataSet& data) {
    const PatientParameters& params = data.parameters;
    const ivalDb iDecay = pt(1 - params.clearance() * kStep);
    const ivalDb iGain = pt(params.insulinGain());
    std::vector<SharedExperiment> shared(kE);
    for (std::size_t j = 0; j < kE; ++j) {
        const ExperimentRow& row = data.experiment.rows[j];
        const ExperimentInput in = ExperimentInput::of(row);
        SharedExperiment& s = shared[j];
        s.gb = basalGlucoseInterval(in.basalGlucose);
        s.carbohydrates = carbohydrateInterval(in.carbohydrates);
        s.realArea = row.realHypoArea();
        const ivalDb ib = pt(in.basalInsulin * params.insulinGain() / params.clearance());
        s.basalInsulin = ib;
        InsulinDepot depot = InsulinDepot::basal(in.basalInsulin);
        ivalDb insulin = ib;
        for (std::size_t n = 0; n < kN; ++n) {
            s.insulin[n] = insulin;
            const int minute = static_cast<int>(n);
            const ivalDb rai = depot.step(insulinDelivery(minute, in.bolus, in.basalInsulin));
            insulin = nextInsulin(insulin, iDecay, iGain, rai);
        }
    }
    return shared;
}

// Remote insulin factors 1 - X[n-1] h for each sensitivity step, laid out
// [step][minute][experiment].
std::vector<ivalDb> remoteFactors(const PatientParameters& params,
                                  const std::vector<SharedExperiment>& shared) {
    const ivalDb xDecay = pt(1 - params.p2() * kStep);
    std::vector<ivalDb> factors(static_cast<std::size_t>(kSensSteps) * kN * kE);
    for (int hStep = 0; hStep < kSensSteps; ++hStep) {
        const ivalDb xGain =
            (pt(params.p2()) * gridSensitivity(hStep, params.siNominal())) * pt(kStep);
        ivalDb* f = &factors[static_cast<std::size_t>(hStep) * kN * kE];
        for (std::size_t j = 0; j < kE; ++j) {
            ivalDb x = pt(0);
            for (std::size_t n = 0; n < kN; ++n) {
                f[n * kE + j] = remoteFactor(x);
                x = nextRemoteInsulin(x, xDecay, xGain, shared[j].insulin[n],
                                      shared[j].basalInsulin);
            }
        }
    }
    return factors;
}

// The meal terms of absorption time `tmax`, laid out [minute][experiment].
void fillMealTerms(std::vector<ivalDb>& meal, const std::vector<SharedExperiment>& shared,
                   double tmax, double vg) {
    for (std::size_t j = 0; j < kE; ++j)
        for (std::size_t n = 0; n < kN; ++n)
            meal[n * kE + j] =
                mealTerm(mealAppearance(shared[j].carbohydrates, static_cast<int>(n), tmax), vg);
}

// The pair's criterion from its simulated areas (and band fit); a pair whose
// simulation left the numbers is never chosen.
void scorePair(GridPair& pair, Criterion criterion, const std::vector<SharedExperiment>& shared,
               const std::array<double, kE>& areas, const BandFit* fit) {
    bool finite = true;
    for (std::size_t j = 0; j < kE; ++j) {
        pair.sums.add(criterion, shared[j].realArea, areas[j]);
        finite = finite && !std::isnan(areas[j]);
    }
    pair.value = pair.sums.value(criterion);
    if (fit) {
        pair.coverage = 100.0 * fit->covered / static_cast<double>(kN * kE);
        pair.meanWidth = fit->width / static_cast<double>(kN * kE);
        pair.value = pair.coverage;
    }
    if (!finite) {
        constexpr double nan = std::numeric_limits<double>::quiet_NaN();
        pair.sums = {nan, nan, nan};
        pair.value = nan;
        pair.coverage = nan;
        pair.meanWidth = nan;
    }
}

} // namespace

std::vector<GridPair> evaluateGrid(const DataSet& data, Criterion criterion,
                                   const ProgressCallback& progress) {
    const PatientParameters& params = data.parameters;
    const ivalDb sgStep = glucoseEffectiveness(params.sg()) * pt(kStep);
    const std::vector<SharedExperiment> shared = sharedExperiments(data);
    const std::vector<ivalDb> factors = remoteFactors(params, shared);

    const bool fitBand = criterion == Criterion::Coverage;
    std::vector<double> measured(fitBand ? kN * kE : 0); // [minute][experiment]
    for (std::size_t n = 0; n < measured.size() / kE; ++n)
        for (std::size_t j = 0; j < kE; ++j)
            measured[n * kE + j] = data.glucose.values[n][j];

    std::vector<GridPair> grid(kGridPairs);
    std::vector<ivalDb> meal(kN * kE);
    std::array<ivalDb, kE> gb;
    for (std::size_t j = 0; j < kE; ++j)
        gb[j] = shared[j].gb;
    for (int fStep = 0; fStep < kTmaxSteps; ++fStep) {
        const double tmax = gridTmax(fStep * kSensSteps);
        fillMealTerms(meal, shared, tmax, params.vg());
        for (int hStep = 0; hStep < kSensSteps; ++hStep) {
            const int index = fStep * kSensSteps + hStep;
            GridPair& pair = grid[static_cast<std::size_t>(index)];
            const ivalDb si = gridSensitivity(index, params.siNominal());
            pair.tmax = tmax;
            pair.siInf = si.inf();
            pair.siSup = si.sup();
            pair.siMidpoint = si.inf() + (si.sup() - si.inf()) * 0.5;

            const ivalDb* factor = &factors[static_cast<std::size_t>(hStep) * kN * kE];
            BandFit fit;
            const auto areas =
                fitBand ? hypoAreas<true>(sgStep, gb, factor, meal.data(), measured.data(), fit)
                        : hypoAreas<false>(sgStep, gb, factor, meal.data(), nullptr, fit);
            scorePair(pair, criterion, shared, areas, fitBand ? &fit : nullptr);
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

int chosenPair(const std::vector<GridPair>& grid, Criterion criterion) {
    if (criterion != Criterion::Coverage) return firstMinimum(grid);
    int best = -1;
    for (std::size_t i = 0; i < grid.size(); ++i) {
        const GridPair& p = grid[i];
        if (std::isnan(p.value)) continue;
        if (best < 0) {
            best = static_cast<int>(i);
            continue;
        }
        const GridPair& b = grid[static_cast<std::size_t>(best)];
        if (p.coverage > b.coverage || (p.coverage == b.coverage && p.meanWidth < b.meanWidth))
            best = static_cast<int>(i);
    }
    return best < 0 ? 0 : best;
}

int tiedPairs(const std::vector<GridPair>& grid, int chosen) {
    if (chosen < 0 || static_cast<std::size_t>(chosen) >= grid.size()) return 0;
    const double best = grid[static_cast<std::size_t>(chosen)].value;
    int ties = 0;
    for (const GridPair& p : grid)
        ties += p.value == best;
    return ties;
}

} // namespace glucosim
