// The solving runs the algorithm statement chooses.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "solver/driver/run_state.h"

namespace modal {

enum class run_kind {
    none,          // no algorithm, "CSP" or "MAXMIN": the file is only checked
    fstar,         // "FSTAR", "MINMAX", "LOGIC"
    set_inversion, // "QSI", "CONTRACTOR"
};

// Which run an algorithm name starts (exact, case-sensitive names).
run_kind run_kind_for(std::string_view algorithm_name) noexcept;

// How a run ended, for the closing message on the error stream.
struct run_summary {
    std::string stop;                 // what stopped the run
    std::string tol;                  // the final Tol as reported, or empty
    std::vector<std::string> written; // files written, in order
    std::vector<std::string> failed;  // files that could not be written
};

// A number as the closing message writes it (three significant digits).
std::string number(double x);

// Every result file of a run goes through here: `ok` says whether it was
// written. A file that could not be written is named on standard error with
// the system's reason, and the program then exits with status 1.
void record(run_summary& summary, bool ok, const std::string& file);
// Why `file` cannot be written, as the system says it.
std::string write_failure_reason(const std::string& file);

// F* runs: prepare the solver, force the settings the algorithm imposes, run
// and report. A problem without a function ("f:=", or "lf:=" for LOGIC) is
// not run: the message below goes to the output and to the result file.
inline constexpr std::string_view no_function_message =
    "There is no function to solve: define it with f:= expression; (lf:= relation; for "
    "LOGIC)\n";
run_summary run_fstar(run_state& state, const std::string& base_name);

// Quantified set inversion and the contractor on the box of the free
// variables. A QSI problem without any free variable, or whose CSPEps is not
// positive (boxes would be halved for ever), is not run: the message below
// goes to the output and to the result file instead.
inline constexpr std::string_view no_free_variable_message =
    "QSI needs at least one free variable: declare it with F(name, [a, b]);\n";
inline constexpr std::string_view no_precision_message =
    "QSI needs CSPEps > 0, the fraction of each variable's start width below which boxes are "
    "no longer bisected\n";
run_summary run_set_inversion(run_state& state, const std::string& base_name);

} // namespace modal
