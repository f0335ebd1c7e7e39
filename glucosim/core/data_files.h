// The three data files of the glucose study and the data set they fill.
//
// Each file is read line by line; a line holds one row of whitespace-separated
// values and blank lines are skipped:
//   experiment file: a header row and 24 rows of 12 values; column 2 is the
//                    meal class (text), every other column a number;
//   parameter file:  a header row and 11 rows of 11 values; column 0 holds the
//                    row labels, column k the parameters of patient k;
//   glucose file:    300 rows (minutes) of 24 numbers (experiments), after an
//                    optional header row (a first row that is not all numbers).
// Every row used must hold exactly the expected number of values; rows after
// those used are ignored with a warning. A file larger than kMaxDataFileBytes
// or with a line longer than kMaxDataLineBytes is refused before its values
// are read. Every value of every row used (every patient's column of the
// parameter file too) must be a number in the plausible range of its column
// (data_files.cpp lists them; the man page too). A reader either fills its whole table
// or reports where the file went wrong and leaves the table as it was.
#pragma once

#include "glucosim/core/settings.h"

#include <array>
#include <string>
#include <vector>

namespace glucosim {

struct ExperimentRow {
    std::array<double, kExperimentColumns> values{}; // column 2 stays 0
    std::string mealClass;                           // column 2, as written

    double number() const { return values[0]; }
    double bolus() const { return values[3]; }         // U
    double carbohydrates() const { return values[4]; } // g
    double basalInsulin() const { return values[5]; }  // mU/min
    double basalGlucose() const { return values[6]; }  // mg/dl
    double hypo() const { return values[7]; }          // real outcome, 0 for none
    double realHypoArea() const { return values[8] + values[9]; }
};

struct ExperimentTable {
    std::array<ExperimentRow, kExperiments> rows;
    int patient = 0; // column 1 of the first data row, truncated
};

// Parameters 1..11 of one patient (index 0 is unused). The simulation uses
// the six named below.
struct PatientParameters {
    std::array<double, kParameterRows> p{};

    double sg() const { return p[1]; }          // glucose effectiveness, 1/min
    double p2() const { return p[2]; }          // insulin action rate, 1/min
    double insulinGain() const { return p[4]; } // insulin appearance gain, 1/l
    double clearance() const { return p[5]; }   // insulin clearance n, 1/min
    double siNominal() const { return p[6]; }   // insulin sensitivity
    double vg() const { return p[7]; }          // glucose distribution volume, dl
};

struct GlucoseTable {
    std::array<std::array<double, kExperiments>, kSamples> values{}; // [minute][experiment]

    double at(int minute, int experiment) const {
        return values[static_cast<std::size_t>(minute)][static_cast<std::size_t>(experiment)];
    }
};

enum class FileKind { Experiment, Parameters, Glucose };

inline constexpr long long kMaxDataFileBytes = 16LL * 1024 * 1024; // 16 MB
inline constexpr std::size_t kMaxDataLineBytes = 65536;

struct DataError {
    enum class Kind {
        Missing,           // cannot be opened (`searched`: every place looked in)
        TooShort,          // fewer data rows than expected: `count` of `expected`
        WrongCount,        // row `row` holds `count` values, `expected` wanted
        NotANumber,        // `token` at (`row`, `column`)
        PatientOutOfRange, // `token` at (`row`, `column`)
        BadValue,          // `token` at (`row`, `column`) makes no sense: `what`
        TooLarge,          // the file is larger than kMaxDataFileBytes
        LineTooLong        // line `row` is longer than kMaxDataLineBytes
    };
    Kind kind = Kind::Missing;
    FileKind fileKind = FileKind::Experiment;
    std::string file;
    // 1-based place: the line in the file and the value's position in it.
    int row = 0;
    int column = 0;
    int count = 0;
    int expected = 0;
    std::string token; // the offending text, when there is one
    std::string what;  // for BadValue: what the value should be
    std::vector<std::string> searched;

    // One Catalan sentence naming the file and the place.
    std::string message() const;
};

// Notes about a file that was read all the same (rows beyond those used).
using Warnings = std::vector<std::string>;

// The readers: true and the table filled, or false, `error` set and the table
// untouched. `patient` must be 1..10 (the patient number of the experiment
// file a whole number 1..10 in every row). Values that the simulation cannot
// use (a negative bolus, carbohydrate amount or basal insulin, a basal
// glucose, distribution volume or insulin clearance that is not positive) and
// values out of their column's plausible range are errors.
bool readExperimentFile(const std::string& path, ExperimentTable& table, DataError& error,
                        Warnings* warnings = nullptr);
bool readParameterFile(const std::string& path, int patient, PatientParameters& params,
                       DataError& error, Warnings* warnings = nullptr);
bool readGlucoseFile(const std::string& path, GlucoseTable& table, DataError& error,
                     Warnings* warnings = nullptr);

inline constexpr const char* kParameterFileName = "parametros_bergman_ajustados.txt";

// Where the parameter file of an experiment file is looked for, in order:
// beside the experiment file, then in the current directory (once when both
// are the same folder).
std::vector<std::string> parameterFileCandidates(const std::string& experimentPath);

// Everything the computation needs, with the three loaded flags. The flags
// never go back to false: a failed load leaves earlier data in place.
struct DataSet {
    ExperimentTable experiment;
    PatientParameters parameters;
    GlucoseTable glucose;
    int patient = 0;
    bool experimentLoaded = false;
    bool parametersLoaded = false;
    bool glucoseLoaded = false;
    // The files the data came from.
    std::string experimentPath;
    std::string parameterPath;
    std::string glucosePath;

    bool complete() const { return experimentLoaded && parametersLoaded && glucoseLoaded; }
};

// Loads an experiment file and the parameters of its patient as one unit:
// on any error neither the experiment nor the parameters change. The
// parameters come from the first of `parameterPaths` that exists.
bool loadExperimentAndParameters(DataSet& data, const std::string& experimentPath,
                                 const std::vector<std::string>& parameterPaths, DataError& error,
                                 Warnings* warnings = nullptr);
bool loadExperimentAndParameters(DataSet& data, const std::string& experimentPath,
                                 const std::string& parameterPath, DataError& error,
                                 Warnings* warnings = nullptr);
bool loadGlucose(DataSet& data, const std::string& path, DataError& error,
                 Warnings* warnings = nullptr);

// "CARREGADES DADES DEL PACIENT n" when all three files are loaded, else
// "NO HI HA DADES CARREGADES".
std::string statusText(const DataSet& data);

} // namespace glucosim
