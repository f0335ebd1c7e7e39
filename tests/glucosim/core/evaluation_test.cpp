#include "glucosim/core/areas.h"
#include "glucosim/core/computation.h"
#include "glucosim/core/criteria.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/optimisation.h"
#include "glucosim/core/roc.h"
#include "glucosim/core/simulation.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace glucosim {
namespace {

using modal::ivalDb;

ivalDb band(double lo, double hi) {
    return ivalDb::exact(lo, hi);
}

TEST(Areas, AnHourAt200AddsItsWeightedModerateHyperArea) {
    for (int hour = 0; hour < 5; ++hour) {
        HypoHyperAreas a;
        for (int n = 60 * hour; n < 60 * hour + 60; ++n)
            a.addMinute(n, band(100, 200), band(100, 200));
        EXPECT_NEAR(a.moderateHyper, 60 * (200.0 - 150) / 100 * kHourWeights[hour], 1e-12);
        EXPECT_EQ(a.severeHyper, 0.0);
        EXPECT_EQ(a.simulatedHypo(), 0.0);
    }
}

TEST(Areas, SevereHyperCountsTheFullModerateBand) {
    HypoHyperAreas a;
    a.addMinute(130, band(100, 290), band(100, 310)); // hour weight 1.0
    EXPECT_DOUBLE_EQ(a.severeHyper, (300.0 - 250) / 100);
    EXPECT_DOUBLE_EQ(a.moderateHyper, 1.0);
    HypoHyperAreas b;
    b.addMinute(0, band(100, 140), band(100, 149.9)); // below 150: nothing
    EXPECT_EQ(b.moderateHyper, 0.0);
}

TEST(Areas, HypoCrossingCountsOnlyWhenTheMeanIsAtMost70) {
    HypoHyperAreas a;
    a.addMinute(10, band(80, 200), band(65, 200)); // mean 72.5
    EXPECT_EQ(a.simulatedHypo(), 0.0);
    a.addMinute(11, band(72, 200), band(66, 200)); // mean 69
    EXPECT_DOUBLE_EQ(a.moderateHypo, 1.0 / 30);
    EXPECT_EQ(a.severeHypo, 0.0);

    HypoHyperAreas s; // below 40: the whole moderate band plus the severe part
    s.addMinute(200, band(36, 100), band(34, 100));
    EXPECT_DOUBLE_EQ(s.moderateHypo, 1.0);
    EXPECT_DOUBLE_EQ(s.severeHypo, 5.0 / 30);
    EXPECT_DOUBLE_EQ(s.simulatedHypo(), 1.0 + 5.0 / 30);

    HypoHyperAreas c; // hypo areas carry no hour weight
    c.addMinute(290, band(60, 100), band(60, 100));
    EXPECT_DOUBLE_EQ(c.moderateHypo, 10.0 / 30);
}

TEST(Criteria, ClassesAndContributions) {
    EXPECT_EQ(areaClass(0.0), 0);
    EXPECT_EQ(areaClass(2.99), 0);
    EXPECT_EQ(areaClass(3.0), 1);
    EXPECT_EQ(areaClass(10.0), 2);

    CriterionSums q;
    q.add(Criterion::Qualitative, 12.0, 1.0); // classes 2, 0: "J Esp." += 2
    q.add(Criterion::Qualitative, 4.0, 5.0);  // 1, 1: "J Sens." += 0
    q.add(Criterion::Qualitative, 2.0, 3.0);  // 0, 1: "J Sens." += 1
    q.add(Criterion::Qualitative, 5.0, 5.0);  // equal areas go to "J Sens."
    EXPECT_EQ(q.jEsp, 2.0);
    EXPECT_EQ(q.jSens, 1.0);
    EXPECT_EQ(q.value(Criterion::Qualitative), 1.5);

    CriterionSums w;
    w.add(Criterion::WeightedQualitative, 12.0, 1.0);  // |11| x (1 + 2)
    w.add(Criterion::WeightedQualitative, 40.0, 50.0); // |10| x (1 + 0)
    EXPECT_EQ(w.jEsp, 33.0);
    EXPECT_EQ(w.jSens, 10.0);
    EXPECT_EQ(w.value(Criterion::WeightedQualitative), 21.5);

    CriterionSums r;
    r.add(Criterion::SqrtDifference, 5.0, 3.0);
    r.add(Criterion::SqrtDifference, 3.0, 5.0);
    EXPECT_EQ(r.value(Criterion::SqrtDifference), 8.0);

    CriterionSums l;
    l.add(Criterion::LogSqrtDifference, 10.0, 0.0);  // log10(10) = 1
    l.add(Criterion::LogSqrtDifference, 1.0, 0.5);   // d = 0.75 < 1: nothing
    l.add(Criterion::LogSqrtDifference, 0.0, 100.0); // 2
    EXPECT_DOUBLE_EQ(l.value(Criterion::LogSqrtDifference), 3.0);

    EXPECT_EQ(criterionName(Criterion::WeightedQualitative), "Pr.Qualitatiu amb pes");
    EXPECT_EQ(criterionName(Criterion::LogSqrtDifference), "log[sqrt (| X^2-Y^2 |)]");
}

std::array<std::string, kExperiments> texts(const std::array<double, kExperiments>& v) {
    std::array<std::string, kExperiments> t;
    for (std::size_t i = 0; i < t.size(); ++i)
        t[i] = FloatToStr(v[i]);
    return t;
}

TEST(Roc, ThresholdsRunFromOneToTenWhenAreasAreSmall) {
    std::array<double, kExperiments> areas{};
    areas[3] = 9.5;
    const RocTable roc = evaluateRoc(texts(areas), texts({}));
    EXPECT_EQ(roc.maximum, 10.0);
    EXPECT_EQ(roc.thresholds[0], 1.0);
    EXPECT_EQ(roc.thresholds[19], 10.0);
    for (int k = 1; k < 19; ++k) {
        EXPECT_NEAR(roc.thresholds[k], std::pow(10.0, 0.05 * k), 1e-12);
        EXPECT_GT(roc.thresholds[k], roc.thresholds[k - 1]);
    }
}

TEST(Roc, CountsSensitivityAndSpecificity) {
    std::array<double, kExperiments> areas{}, hypo{};
    // Positives: areas 50, 5 and 0; negatives: 20, 2 and nineteen zeros.
    areas[0] = 50;
    hypo[0] = 1;
    areas[1] = 5;
    hypo[1] = 1;
    hypo[2] = 2; // any text but "0" is positive
    areas[3] = 20;
    areas[4] = 2;
    const RocTable roc = evaluateRoc(texts(areas), texts(hypo));
    EXPECT_EQ(roc.maximum, 50.0);
    // Threshold 0 is 1: predicted 50, 5 (positives), 20, 2 (negatives).
    EXPECT_EQ(roc.rows[RocTable::VP][0], 2);
    EXPECT_EQ(roc.rows[RocTable::FN][0], 1);
    EXPECT_EQ(roc.rows[RocTable::FP][0], 2);
    EXPECT_EQ(roc.rows[RocTable::VN][0], 19);
    EXPECT_DOUBLE_EQ(roc.rows[RocTable::Sens][0], 2.0 / 3);
    EXPECT_DOUBLE_EQ(roc.rows[RocTable::OneMinusSpec][0], 2.0 / 21);
    EXPECT_TRUE(roc.predictions[4][0]);
    // Threshold 19 is 50: nothing is above it.
    EXPECT_EQ(roc.rows[RocTable::VP][19], 0);
    EXPECT_EQ(roc.rows[RocTable::FP][19], 0);
    EXPECT_EQ(roc.rows[RocTable::Sens][19], 0.0);
    EXPECT_FALSE(roc.predictions[0][19]);
    // 50^(0.05 k) passes 20 between k = 15 (18.8) and k = 16 (22.9).
    EXPECT_TRUE(roc.predictions[3][15]);
    EXPECT_FALSE(roc.predictions[3][16]);
    EXPECT_STREQ(rocRowLabel(RocTable::OneMinusSpec), "1-Espec.");
}

TEST(Roc, TheLastExperimentCountsForTheLargestArea) {
    std::array<double, kExperiments> areas{};
    areas[23] = 80;
    areas[0] = 30;
    const RocTable roc = evaluateRoc(texts(areas), texts({}));
    EXPECT_EQ(roc.maximum, 80.0);
    EXPECT_FALSE(roc.predictions[23][19]);
}

TEST(Roc, WithoutPositivesSensitivityIsNan) {
    const RocTable roc = evaluateRoc(texts({}), texts({}));
    EXPECT_TRUE(std::isnan(roc.rows[RocTable::Sens][5]));
    EXPECT_EQ(roc.rows[RocTable::OneMinusSpec][5], 0.0);
    EXPECT_EQ(roc.rows[RocTable::VN][5], 24.0);
}

// Three positives of area 5 and one of 0, two negatives of area 3 and 18 of
// 0: thresholds 1 to 2.8 give (0.1, 0.75), 3.2 to 4.5 give (0, 0.75), 5 and
// above (0, 0). The curve adds its ends; the area by trapezoids is
// 0.1 x 0.75 + 0.9 x (0.75 + 1) / 2 = 0.8625.
TEST(Roc, CurveRunsFromZeroToOneAndHasItsArea) {
    std::array<std::string, kExperiments> areas, hypo;
    for (std::size_t j = 0; j < kExperiments; ++j) {
        areas[j] = j < 3 ? "5" : (j == 4 || j == 5) ? "3" : "0";
        hypo[j] = j < 4 ? "1" : "0";
    }
    const RocTable roc = evaluateRoc(areas, hypo);
    using P = std::pair<double, double>;
    EXPECT_EQ(rocCurve(roc), (std::vector<P>{{0, 0}, {0, 0.75}, {0.1, 0.75}, {1, 1}}));
    EXPECT_DOUBLE_EQ(rocArea(roc), 0.8625);
    EXPECT_EQ(rocMissingReason(roc), "");

    const RocTable none = evaluateRoc(texts({}), texts({}));
    EXPECT_TRUE(rocCurve(none).empty());
    EXPECT_TRUE(std::isnan(rocArea(none)));
    EXPECT_NE(rocMissingReason(none).find("Cap experiment no té hipoglucèmia real"),
              std::string::npos);
    hypo.fill("1");
    EXPECT_NE(rocMissingReason(evaluateRoc(areas, hypo)).find("Tots els experiments"),
              std::string::npos);
}

TEST(Optimisation, FirstMinimumWinsTiesAndNanNeverWins) {
    std::vector<GridPair> grid(6);
    const double values[] = {std::numeric_limits<double>::quiet_NaN(), 5, 3, 4, 3, 7};
    for (std::size_t i = 0; i < grid.size(); ++i)
        grid[i].value = values[i];
    EXPECT_EQ(firstMinimum(grid), 2);
    for (auto& g : grid)
        g.value = std::numeric_limits<double>::quiet_NaN();
    EXPECT_EQ(firstMinimum(grid), 0);
}

TEST(Optimisation, GridValuesAndOrder) {
    EXPECT_EQ(gridTmax(0), 30.0);
    EXPECT_EQ(gridTmax(22), 30.0);
    EXPECT_EQ(gridTmax(23), 35.0);
    EXPECT_EQ(gridTmax(390), 110.0);
    const ivalDb s0 = gridSensitivity(0, 1e-3);
    EXPECT_NEAR(s0.inf(), 1e-3 * 0.1 * 0.7, 1e-18);
    EXPECT_NEAR(gridSensitivity(390, 1e-3).sup(), 1e-3 * 2.3 * 1.3, 1e-17);
    EXPECT_TRUE(modal::sameBounds(gridSensitivity(24, 1e-3), gridSensitivity(1, 1e-3)));
}

// The grid shares work between pairs; every pair must still score exactly as
// separate simulations do.
TEST(Optimisation, SharedWorkGivesTheSameScoresAsPlainSimulations) {
    const auto data = test::loadSample();
    // The partial sums of this criterion follow every experiment's area.
    {
        const Criterion c = Criterion::WeightedQualitative;
        int calls = 0, last = -1;
        const auto grid = evaluateGrid(*data, c, [&](int i) {
            EXPECT_EQ(i, last + 1);
            last = i;
            ++calls;
        });
        ASSERT_EQ(grid.size(), static_cast<std::size_t>(kGridPairs));
        EXPECT_EQ(calls, kGridPairs);
        auto tr = std::make_unique<Trajectory>();
        for (const int index : {0, 1, 22, 23, 100, 207, 389, 390}) {
            const GridPair& pair = grid[static_cast<std::size_t>(index)];
            const ivalDb si = gridSensitivity(index, data->parameters.siNominal());
            EXPECT_EQ(pair.tmax, gridTmax(index));
            EXPECT_EQ(pair.siInf, si.inf());
            EXPECT_EQ(pair.siSup, si.sup());
            CriterionSums sums;
            for (const auto& row : data->experiment.rows) {
                simulateExperiment(data->parameters, ExperimentInput::of(row), si, pair.tmax, *tr);
                sums.add(c, row.realHypoArea(), tr->areas.simulatedHypo());
            }
            EXPECT_EQ(pair.sums.sum, sums.sum) << index;
            EXPECT_EQ(pair.sums.jEsp, sums.jEsp) << index;
            EXPECT_EQ(pair.sums.jSens, sums.jSens) << index;
            EXPECT_EQ(pair.value, sums.value(c)) << index;
        }
    }
}

TEST(Computation, OptimisationChoosesTheFirstSmallestPairAndReplaysIt) {
    const auto data = test::loadSample();
    const Results r = computeWithOptimisation(*data, Criterion::Qualitative);
    ASSERT_EQ(r.grid.size(), static_cast<std::size_t>(kGridPairs));
    const GridPair& best = r.grid[static_cast<std::size_t>(r.chosenPair)];
    for (int i = 0; i < kGridPairs; ++i) {
        if (i < r.chosenPair) {
            EXPECT_GT(r.grid[static_cast<std::size_t>(i)].value, best.value);
        } else {
            EXPECT_GE(r.grid[static_cast<std::size_t>(i)].value, best.value);
        }
    }
    EXPECT_EQ(r.tmax, best.tmax);
    EXPECT_EQ(r.si.inf(), best.siInf);
    // The final pass reproduces the chosen pair's criterion.
    CriterionSums sums;
    for (const auto& e : r.experiments)
        sums.add(Criterion::Qualitative, e.realHypoArea, e.simulatedHypoArea);
    EXPECT_EQ(sums.value(Criterion::Qualitative), best.value);
    EXPECT_EQ(r.patient, 3);
}

TEST(Computation, ConcreteValuesAndTheirCorrection) {
    EXPECT_NEAR(concreteSensitivity(10.0).inf(), 7e-4, 1e-15);
    EXPECT_NEAR(concreteSensitivity(10.0).sup(), 1.3e-3, 1e-15);
    const ConcreteValues ok = readConcreteValues("2,5", "35,0");
    EXPECT_FALSE(ok.corrected);
    EXPECT_EQ(ok.sensitivity, 2.5);
    EXPECT_EQ(ok.tmax, 35.0);
    EXPECT_EQ(ok.details, "");
    // The field refused, and only that one, is named with what was typed.
    struct Case {
        const char* sens;
        const char* tmax;
        const char* named;
        const char* notNamed;
    };
    for (const Case& c : {Case{"abc", "35", "Sensibilitat: \"abc\" no és", "TmaxG:"},
                          Case{"1,0", "", "TmaxG: \"\" no és un nombre", "Sensibilitat:"},
                          Case{"1", "0", "TmaxG: \"0\" ha de ser", "Sensibilitat:"},
                          Case{"-1", "40", "Sensibilitat: \"-1\" no pot", "TmaxG:"}}) {
        const ConcreteValues bad = readConcreteValues(c.sens, c.tmax);
        EXPECT_TRUE(bad.corrected) << c.sens << ' ' << c.tmax;
        EXPECT_EQ(bad.sensitivity, 1.0); // Si falls back as well as T
        EXPECT_EQ(bad.tmax, 40.0);
        EXPECT_NE(bad.details.find(c.named), std::string::npos) << bad.details;
        EXPECT_EQ(bad.details.find(c.notNamed), std::string::npos) << bad.details;
        EXPECT_NE(bad.details.find("Sensibilitat 1,0 (x10^-4) i TmaxG 40,0"), std::string::npos)
            << bad.details;
    }

    const auto data = test::loadSample();
    const Results r = computeWithValues(*data, 10.0, 40.0);
    EXPECT_TRUE(r.grid.empty());
    EXPECT_EQ(r.experiments.size(), static_cast<std::size_t>(kExperiments));
    EXPECT_EQ(resultsCaption(r), "Resultats experiments pacient 3 amb Si=" +
                                     FloatToStr(r.si.inf() + (r.si.sup() - r.si.inf()) * 0.5) +
                                     " i TmaxG=40");
    EXPECT_NEAR(r.siMidpoint(), 1e-3, 1e-15);
}

} // namespace
} // namespace glucosim
