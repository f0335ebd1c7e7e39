// What the program writes for a result: the result files and the closing
// line on the error stream.
#pragma once

#include <string>
#include <vector>

#include "modal/result.h"
#include "solver/driver/result_files.h"

namespace modal {

// How a run shows itself beyond its specified output.
struct program_options {
    bool terminal = false;   // the error stream is a terminal (shared with the output)
    bool progress = false;   // a progress line on the error stream (a terminal)
    bool write_bmp = true;   // QSI: the picture also as BASEImage.bmp (always as .png)
    bool write_json = false; // the result also as BASESolution.json
};

// How a run ended, for the closing message on the error stream.
struct run_summary {
    std::string stop;                 // what stopped the run
    std::string tol;                  // the final Tol as reported, or empty
    std::vector<std::string> written; // files written, in order
    // Files that could not be written, each with the system's reason.
    std::vector<std::pair<std::string, std::string>> failed;
};

// A number as the closing message writes it (three significant digits).
std::string number(double x);

// Every result file of a run goes through here: `ok` says whether it was
// written, `reason` why not. A file that could not be written is named on
// standard error with the reason, and the program then exits with status 1.
void record(run_summary& summary, bool ok, const std::string& file, const std::string& reason = {});

// What stopped a run, as the closing line says it.
std::string stop_text(const result& r);

// Writes the files of a result next to the problem `base_name` into
// `files` (staged, to be committed by the caller): the report (and its
// JSON), Tree.txt for LOGIC, the pictures of QSI. Returns the summary of
// what was staged.
run_summary write_results(const result& r, const std::string& base_name,
                          const program_options& options, result_files& files);

} // namespace modal
