#include "glucosim/core/tables.h"

#include "glucosim/core/csv.h"
#include "glucosim/core/float_text.h"

#include <ostream>

namespace glucosim {

namespace {

Table emptyTable(int rows, int columns) {
    return Table(static_cast<std::size_t>(rows),
                 std::vector<std::string>(static_cast<std::size_t>(columns)));
}

} // namespace

const NumberStyle kGridNumbers{FloatToStr, formatFixed3};
const NumberStyle kCsvNumbers{csvNumber, csvFixed3};

Table resultsTable(const Results& results, const NumberStyle& style) {
    const auto FloatToStr = style.number;
    const auto formatFixed3 = style.fixed3;
    Table t = emptyTable(kResultsRows, kResultsColumns);
    auto& head = t[0];
    const char* first[] = {"Nº experiment", "Classe Menjar",  "I Bolus",           "CHO",
                           "Hipo?",         "Àrea hipo real", "Àrea hipo simulada"};
    for (std::size_t c = 0; c < 7; ++c)
        head[c] = first[c];
    for (std::size_t k = 0; k < kRocThresholds; ++k)
        head[7 + k] = "Threshold " + formatFixed3(results.roc.thresholds[k]);
    head[27] = "Àrea hipo m.";
    head[28] = "Àrea hipo s.";
    head[29] = "Àrea hiper m.";
    head[30] = "Àrea hiper s.";

    for (std::size_t j = 0; j < results.experiments.size() && j < kExperiments; ++j) {
        const ExperimentResult& e = results.experiments[j];
        auto& row = t[j + 1];
        row[0] = FloatToStr(e.row.number());
        row[1] = e.row.mealClass;
        row[2] = FloatToStr(e.row.bolus());
        row[3] = FloatToStr(e.row.carbohydrates());
        row[4] = FloatToStr(e.row.hypo());
        row[5] = FloatToStr(e.realHypoArea);
        row[6] = FloatToStr(e.simulatedHypoArea);
        for (std::size_t k = 0; k < kRocThresholds; ++k)
            row[7 + k] = std::string(1, results.roc.predictions[j][k] ? '1' : '0');
        row[27] = FloatToStr(e.areas.moderateHypo);
        row[28] = FloatToStr(e.areas.severeHypo);
        row[29] = FloatToStr(e.areas.moderateHyper * 0.0625);
        row[30] = FloatToStr(e.areas.severeHyper * 0.25);
    }

    for (int r = 0; r < RocTable::kRows; ++r) {
        auto& row = t[static_cast<std::size_t>(55 + r)];
        row[6] = rocRowLabel(r);
        for (std::size_t k = 0; k < kRocThresholds; ++k)
            row[7 + k] = FloatToStr(results.roc.rows[static_cast<std::size_t>(r)][k]);
    }
    return t;
}

Table resultsCsvTable(const Results& results) {
    Table t = resultsTable(results, kCsvNumbers);
    t.resize(1 + kExperiments);
    return t;
}

Table rocCsvTable(const Results& results) {
    Table t{{"threshold"}};
    for (int r = 0; r < RocTable::kRows; ++r)
        t[0].push_back(rocRowLabel(r));
    for (std::size_t k = 0; k < kRocThresholds; ++k) {
        std::vector<std::string> row{csvNumber(results.roc.thresholds[k])};
        for (const auto& values : results.roc.rows)
            row.push_back(csvNumber(values[k]));
        t.push_back(std::move(row));
    }
    return t;
}

Table glucoseTable(const Results& results) {
    Table t = emptyTable(kGlucoseRows, kGlucoseColumns);
    t[0][0] = "Temps (s)";
    for (std::size_t n = 1; n <= results.experiments.size() && n <= kExperiments; ++n) {
        const std::string number = std::to_string(n);
        t[0][3 * n - 2] = "Mín. Glucosa Sim. nº" + number;
        t[0][3 * n - 1] = "Màx. Glucosa Sim. nº" + number;
        t[0][3 * n] = "Glucosa pacient exp." + number;
    }
    for (std::size_t m = 0; m < kSamples; ++m) {
        auto& row = t[m + 1];
        row[0] = std::to_string(m);
        for (std::size_t n = 1; n <= results.experiments.size() && n <= kExperiments; ++n) {
            const ExperimentResult& e = results.experiments[n - 1];
            row[3 * n - 2] = FloatToStr(e.glucose[m].inf()); // G[m-1]
            row[3 * n - 1] = FloatToStr(e.glucose[m].sup());
            row[3 * n] = FloatToStr(e.measured[m]);
        }
    }
    return t;
}

Table optimisationTable(const Results& results, const NumberStyle& style) {
    if (results.mode != Mode::Optimisation) return {};
    const auto FloatToStr = style.number;
    const bool partial = hasPartialSums(results.criterion);
    const bool coverage = results.criterion == Criterion::Coverage;
    Table t = emptyTable(kOptimisationRows, partial || coverage ? 4 : 3);
    t[0][0] = "Tmax";
    t[0][1] = "Mitjana Si";
    if (partial) {
        t[0][2] = "J Esp.";
        t[0][3] = "J Sens.";
    } else if (coverage) {
        t[0][2] = "Cobertura (%)";
        t[0][3] = "Amplada mitjana";
    } else {
        t[0][2] = "Sumatori d'àrees";
    }
    for (std::size_t r = 0; r < results.grid.size() && r + 1 < t.size(); ++r) {
        const GridPair& p = results.grid[r];
        auto& row = t[r + 1];
        row[0] = FloatToStr(p.tmax);
        row[1] = FloatToStr(p.siMidpoint);
        if (partial) {
            row[2] = FloatToStr(p.sums.jEsp);
            row[3] = FloatToStr(p.sums.jSens);
        } else if (coverage) {
            row[2] = FloatToStr(p.coverage);
            row[3] = FloatToStr(p.meanWidth);
        } else {
            row[2] = FloatToStr(p.sums.sum);
        }
    }
    return t;
}

Table glucoseLongTable(const Results& results) {
    Table t{{"experiment", "minute", "lower_mg_dl", "upper_mg_dl", "measured_mg_dl"}};
    t.reserve(results.experiments.size() * kSamples + 1);
    for (std::size_t j = 0; j < results.experiments.size(); ++j) {
        const ExperimentResult& e = results.experiments[j];
        for (std::size_t m = 0; m < kSamples; ++m)
            t.push_back({std::to_string(j + 1), std::to_string(m), csvNumber(e.glucose[m].inf()),
                         csvNumber(e.glucose[m].sup()), csvNumber(e.measured[m])});
    }
    return t;
}

std::vector<std::string> csvFileNames(bool optimisation) {
    std::vector<std::string> names{"glucosa.csv", "resultats.csv", "roc.csv"};
    if (optimisation) names.emplace_back("optimitzacio.csv");
    return names;
}

std::vector<Table> csvTables(const Results& results) {
    std::vector<Table> tables{glucoseLongTable(results), resultsCsvTable(results),
                              rocCsvTable(results)};
    if (results.mode == Mode::Optimisation)
        tables.push_back(optimisationTable(results, kCsvNumbers));
    return tables;
}

void writeTable(std::ostream& out, const Table& table) {
    for (const auto& row : table) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            out << row[c];
            out << (c + 1 < row.size() ? '\t' : '\n');
        }
    }
}

} // namespace glucosim
