#include "glucosim/core/csv.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/optimisation.h"
#include "glucosim/core/simulation.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <fstream>
#include <limits>
#include <sstream>

namespace glucosim {
namespace {

std::vector<std::string> splitCsvLine(const std::string& line) {
    std::vector<std::string> cells;
    std::stringstream s(line);
    for (std::string cell; std::getline(s, cell, ',');)
        cells.push_back(cell);
    return cells;
}

// The measured glucose read straight from the sample file: [minute][experiment].
std::vector<std::vector<double>> sampleGlucose() {
    std::ifstream in(test::sampleDir() + "glucosa_pacient3.txt");
    std::vector<std::vector<double>> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream values(line);
        rows.emplace_back();
        for (double v; values >> v;)
            rows.back().push_back(v);
    }
    return rows;
}

// Metrics of the sample data, computed here from the definitions: the samples
// of the glucose file, and the band of each minute's grid row.
TEST(Metrics, SampleDataAgainstTheirDefinitions) {
    const auto data = test::loadSample();
    const Results r = computeWithValues(*data, 20.0, 60.0);
    const Table t = metricsTable(r);
    ASSERT_EQ(t.size(), 26u);
    std::string header;
    for (const auto& name : t[0])
        header += (header.empty() ? "" : ",") + name;
    EXPECT_EQ(header, kMetricsHeader);
    EXPECT_EQ(t[0].size(), kMetricsCaptions.size());
    const auto glucose = sampleGlucose();
    ASSERT_EQ(glucose.size(), 300u);

    struct Expected {
        std::vector<double> g;
        int covered = 0, hypoCertain = 0, hypoPossible = 0, hyperCertain = 0, hyperPossible = 0;
    };
    std::vector<Expected> groups(25); // 24 experiments, then all
    for (int j = 0; j < 24; ++j)
        for (int m = 0; m < 300; ++m) {
            const double g = glucose[m][j];
            const double lo = r.experiments[j].glucose[m].inf(); // G[m-1]
            const double up = r.experiments[j].glucose[m].sup();
            for (Expected* e : {&groups[j], &groups[24]}) {
                e->g.push_back(g);
                e->covered += lo <= g && g <= up;
                e->hypoCertain += up < 70;
                e->hypoPossible += lo < 70;
                e->hyperCertain += lo > 180;
                e->hyperPossible += up > 180;
            }
        }
    for (int i = 0; i < 25; ++i) {
        const Expected& e = groups[i];
        const auto& row = t[i + 1];
        ASSERT_EQ(row.size(), 14u);
        EXPECT_EQ(row[0], i < 24 ? std::to_string(i + 1) : "all");
        const double n = static_cast<double>(e.g.size());
        double mean = 0;
        for (double g : e.g)
            mean += g / n;
        double var = 0;
        for (double g : e.g)
            var += (g - mean) * (g - mean) / (n - 1);
        const auto pct = [&](auto pred) {
            double c = 0;
            for (double g : e.g)
                c += pred(g);
            return 100 * c / n;
        };
        const double expected[] = {mean,
                                   100 * std::sqrt(var) / mean,
                                   pct([](double g) { return g >= 70 && g <= 180; }),
                                   pct([](double g) { return g < 70; }),
                                   pct([](double g) { return g < 54; }),
                                   pct([](double g) { return g > 180; }),
                                   pct([](double g) { return g > 250; }),
                                   100 * e.covered / n};
        EXPECT_EQ(row[1], std::to_string(e.g.size()));
        for (int c = 0; c < 8; ++c)
            EXPECT_NEAR(std::strtod(row[2 + c].c_str(), nullptr), expected[c],
                        1e-9 * std::fabs(expected[c]) + 1e-12)
                << "row " << row[0] << " column " << t[0][2 + c];
        EXPECT_EQ(row[10], std::to_string(e.hypoCertain));
        EXPECT_EQ(row[11], std::to_string(e.hypoPossible));
        EXPECT_EQ(row[12], std::to_string(e.hyperCertain));
        EXPECT_EQ(row[13], std::to_string(e.hyperPossible));
    }
    // The sample data reach every kind of count somewhere.
    EXPECT_GT(groups[24].hypoCertain, 0);
    EXPECT_GT(groups[24].hyperCertain, 0);
}

TEST(Csv, NumbersReadBackToTheSameDoublesAndFieldsAreQuoted) {
    const double values[] = {0.1,
                             1.0 / 3,
                             -2.5,
                             1e-300,
                             5e-324,
                             1e300,
                             137.06887499999997,
                             std::numeric_limits<double>::max()};
    for (double x : values)
        EXPECT_EQ(std::strtod(csvNumber(x).c_str(), nullptr), x) << csvNumber(x);
    EXPECT_EQ(csvNumber(std::nan("")), "nan");
    EXPECT_EQ(csvNumber(INFINITY), "inf");
    EXPECT_EQ(csvNumber(-INFINITY), "-inf");
    EXPECT_EQ(csvNumber(7), "7");
    EXPECT_EQ(csvFixed3(3.16227), "3.162");

    std::ostringstream out;
    writeCsv(out, {{"a", "b,c", "say \"x\""}, {"line\nbreak", ""}});
    EXPECT_EQ(out.str(), "a,\"b,c\",\"say \"\"x\"\"\"\r\n\"line\nbreak\",\r\n");
}

TEST(Csv, GlucoseInLongFormHoldsTheBandAndTheSamples) {
    const auto data = test::loadSample();
    const Results r = computeWithValues(*data, 1.0, 35.0);
    const Table t = glucoseLongTable(r);
    ASSERT_EQ(t.size(), 1u + 24 * 300);
    EXPECT_EQ(t[0], (std::vector<std::string>{"experiment", "minute", "lower_mg_dl", "upper_mg_dl",
                                              "measured_mg_dl"}));
    std::ostringstream out;
    writeCsv(out, t);
    std::istringstream in(out.str());
    std::string line;
    std::getline(in, line);
    for (int j = 0; j < 24; ++j)
        for (int m = 0; m < 300; ++m) {
            ASSERT_TRUE(std::getline(in, line));
            ASSERT_EQ(line.back(), '\r');
            line.pop_back();
            const auto cells = splitCsvLine(line);
            ASSERT_EQ(cells.size(), 5u);
            ASSERT_EQ(cells[0], std::to_string(j + 1));
            ASSERT_EQ(cells[1], std::to_string(m));
            ASSERT_EQ(std::strtod(cells[2].c_str(), nullptr), r.experiments[j].glucose[m].inf());
            ASSERT_EQ(std::strtod(cells[3].c_str(), nullptr), r.experiments[j].glucose[m].sup());
            ASSERT_EQ(std::strtod(cells[4].c_str(), nullptr), data->glucose.at(m, j));
        }

    // resultats.csv: the header and the 24 experiments, '.' decimals and
    // exact numbers, no empty row; roc.csv: one row per threshold.
    const Table results = resultsCsvTable(r);
    ASSERT_EQ(results.size(), 25u);
    EXPECT_EQ(results[0][8].rfind("Threshold 1.", 0), 0u);
    EXPECT_EQ(results[24][0], "24");
    EXPECT_EQ(std::strtod(results[7][6].c_str(), nullptr), r.experiments[6].simulatedHypoArea);
    const Table roc = rocCsvTable(r);
    ASSERT_EQ(roc.size(), 21u);
    EXPECT_EQ(roc[0],
              (std::vector<std::string>{"threshold", "VN", "FP", "FN", "VP", "Sens.", "1-Espec."}));
    for (int k = 0; k < 20; ++k) {
        ASSERT_EQ(roc[k + 1].size(), 7u);
        EXPECT_EQ(std::strtod(roc[k + 1][0].c_str(), nullptr), r.roc.thresholds[k]);
        EXPECT_EQ(std::strtod(roc[k + 1][4].c_str(), nullptr), r.roc.rows[RocTable::VP][k]);
        EXPECT_EQ(roc[k + 1][5], csvNumber(r.roc.rows[RocTable::Sens][k]));
    }
}

// The fit criterion: each pair's coverage as plain simulations give it, and
// the largest coverage chosen, ties going to the narrowest band.
TEST(CoverageCriterion, GridCoverageAndChoice) {
    const auto data = test::loadSample();
    const std::vector<GridPair> grid = evaluateGrid(*data, Criterion::Coverage);
    auto trajectory = std::make_unique<Trajectory>();
    for (const int index : {0, 102, 390}) {
        int covered = 0;
        double width = 0;
        for (int j = 0; j < 24; ++j) {
            simulateExperiment(data->parameters, ExperimentInput::of(data->experiment.rows[j]),
                               gridSensitivity(index, data->parameters.siNominal()),
                               gridTmax(index), *trajectory);
            for (int m = 0; m < 300; ++m) {
                const auto& g = trajectory->glucose[m];
                covered += g.inf() <= data->glucose.at(m, j) && data->glucose.at(m, j) <= g.sup();
                width += g.sup() - g.inf();
            }
        }
        EXPECT_DOUBLE_EQ(grid[index].coverage, 100.0 * covered / 7200) << index;
        EXPECT_NEAR(grid[index].meanWidth, width / 7200, 1e-9) << index; // another sum order
        EXPECT_EQ(grid[index].value, grid[index].coverage);
    }
    const int best = chosenPair(grid, Criterion::Coverage);
    for (const GridPair& p : grid)
        EXPECT_LE(p.coverage, grid[best].coverage);

    std::vector<GridPair> tied(3);
    tied[0].coverage = tied[0].value = 50;
    tied[1].coverage = tied[1].value = 80;
    tied[1].meanWidth = 30;
    tied[2].coverage = tied[2].value = 80;
    tied[2].meanWidth = 20;
    EXPECT_EQ(chosenPair(tied, Criterion::Coverage), 2);
    EXPECT_EQ(tiedPairs(tied, 2), 2);
    tied[2].value = tied[2].coverage = std::nan("");
    EXPECT_EQ(chosenPair(tied, Criterion::Coverage), 1);
}

} // namespace
} // namespace glucosim
