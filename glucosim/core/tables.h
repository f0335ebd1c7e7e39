// The texts of the three result grids and the saved-grid text format.
#pragma once

#include "glucosim/core/computation.h"

#include <array>
#include <iosfwd>
#include <string>
#include <vector>

namespace glucosim {

// rows[row][column], every row with the same number of cells.
using Table = std::vector<std::vector<std::string>>;

// How the numbers of a table are written: the grids' Catalan forms, or the
// forms of the CSV files.
struct NumberStyle {
    std::string (*number)(double);
    std::string (*fixed3)(double);
};
extern const NumberStyle kGridNumbers; // FloatToStr, formatFixed3
extern const NumberStyle kCsvNumbers;  // csvNumber, csvFixed3

// Results grid: 61 rows x 31 columns (the form's grid has one more, empty
// row). Row 0 the headers, rows 1..24 the experiments with the predictions of
// the 20 thresholds, rows 55..60 the sensitivity / specificity table.
Table resultsTable(const Results& results, const NumberStyle& style = kGridNumbers);
inline constexpr int kResultsRows = 61;
inline constexpr int kResultsColumns = 31;
inline constexpr std::array<int, kResultsColumns> kResultsColumnWidths{
    80, 80, 60, 60, 40, 110, 110, 100, 110, 90, 90, 90,  90,  90,  90, 90,
    90, 90, 90, 90, 90, 90,  90,  90,  90,  90, 90, 125, 125, 125, 125};

// resultats.csv: the header row and the 24 experiment rows of the results
// grid, without the grid's empty rows and its sensitivity / specificity table.
Table resultsCsvTable(const Results& results);
// roc.csv: one row per threshold with its value and its counts and rates,
// under the header "threshold,VN,FP,FN,VP,Sens.,1-Espec.".
Table rocCsvTable(const Results& results);

// Glucose grid: 301 rows x 163 columns; the row of minute m shows the band
// G[m-1] (so the first row shows the basal interval) and the measured glucose
// of minute m; columns 73..162 stay empty.
Table glucoseTable(const Results& results);
inline constexpr int kGlucoseRows = 301;
inline constexpr int kGlucoseColumns = 163;

// Optimisation grid: 392 rows x 4 columns for the criteria with two partial
// sums ("J Esp.", "J Sens.") and for Coverage ("Cobertura (%)", "Amplada
// mitjana"), else x 3. Empty in concrete values mode.
Table optimisationTable(const Results& results, const NumberStyle& style = kGridNumbers);

// The glucose in long form for glucosa.csv: a header row, then one row per
// experiment and minute (experiment, minute, lower, upper, measured), the
// band of minute m being G[m-1] as in the glucose grid.
Table glucoseLongTable(const Results& results);
inline constexpr int kOptimisationRows = kGridPairs + 1;

// The files of the CSV export beside metrics.csv: glucosa.csv, resultats.csv,
// roc.csv and, after an optimisation, optimitzacio.csv; csvTables gives their
// tables in the same order.
std::vector<std::string> csvFileNames(bool optimisation);
std::vector<Table> csvTables(const Results& results);

// Each row's cells separated by "\t" and ended by "\n" (output_files.h
// writes tables to files).
void writeTable(std::ostream& out, const Table& table);

} // namespace glucosim
