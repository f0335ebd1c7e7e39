// What produced a run's results: the program version, each input file with
// its SHA-256, the patient, the mode, the criterion and the chosen pair.
#pragma once

#include "glucosim/core/computation.h"

#include <ctime>
#include <string>
#include <vector>

namespace glucosim {

// The project's version, set once in the top CMakeLists.txt.
extern const char* const kGlucosimVersion;

// The SHA-256 of a file as 64 lowercase hex digits; empty when it cannot be
// read.
std::string fileSha256(const std::string& path);

// run.json: a JSON object with the version, the inputs (path and sha256), the
// patient, the mode, the criterion, the chosen pair and how many pairs tied
// for its value, and the date `when` in UTC (ISO 8601).
std::string runJson(const Results& results, std::time_t when);

// The same facts as lines of Catalan text, for the window.
std::string provenanceText(const Results& results);

} // namespace glucosim
