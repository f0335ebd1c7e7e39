// The optimisation grid: every pair of meal absorption time T and insulin
// sensitivity factor L is simulated on all experiments and scored with one
// criterion; the first pair with the smallest score is chosen.
#pragma once

#include "glucosim/core/criteria.h"
#include "glucosim/core/data_files.h"
#include "interval/ivalDb.h"

#include <functional>
#include <vector>

namespace glucosim {

struct GridPair {
    double tmax = 0.0;  // 5 F + 30
    double siInf = 0.0; // Si interval of P6 (0.1 H + 0.1), spread 30 %
    double siSup = 0.0;
    double siMidpoint = 0.0; // inf + (sup - inf) / 2
    CriterionSums sums;
    double value = 0.0;     // the criterion of the pair (the coverage for Coverage)
    double coverage = 0.0;  // Coverage only: % of measured samples inside the band
    double meanWidth = 0.0; // Coverage only: mean band width, mg/dl

    modal::ivalDb si() const { return modal::ivalDb::exact(siInf, siSup); }
};

// Called after each pair with its index F x 23 + H (0..390).
using ProgressCallback = std::function<void(int)>;

// T and the Si interval of grid pair `index` (= F x 23 + H) for a patient's
// nominal sensitivity.
double gridTmax(int index);
modal::ivalDb gridSensitivity(int index, double nominalSi);

// Scores all 391 pairs on the loaded data. A pair whose simulated glucose is
// not finite in some experiment gets NaN sums and value. The insulin part of the model does
// not depend on the pair and the remote insulin depends only on Si, so both
// are computed once and shared; the glucose of every pair is exactly what
// simulateExperiment gives.
std::vector<GridPair> evaluateGrid(const DataSet& data, Criterion criterion,
                                   const ProgressCallback& progress = {});

// Index of the first pair with the smallest value; a NaN value never wins
// (0 when all are NaN).
int firstMinimum(const std::vector<GridPair>& grid);

// The pair a criterion chooses: the first minimum, or for Coverage the
// largest coverage, ties going to the narrowest mean band, then to the first.
int chosenPair(const std::vector<GridPair>& grid, Criterion criterion);

// How many pairs have the same value as pair `chosen` (itself included).
int tiedPairs(const std::vector<GridPair>& grid, int chosen);

} // namespace glucosim
