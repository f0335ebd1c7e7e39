// One run of the solver program: read the problem file statement by
// statement, report each statement, solve the problem and write its results.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <iosfwd>
#include <string>
#include <string_view>

#include "modal/problem.h"
#include "modal/result.h"
#include "modal/solve.h"

#include "solver/driver/runs.h"

namespace modal {

// Longest problem file read (a longer one is refused at once, before it
// fills the memory: /dev/zero, say).
inline constexpr std::size_t kMaxProblemBytes = 16 * 1024 * 1024;

// Raised by the program's handler of SIGINT and SIGTERM: the signal's
// number, and the cancel flag of the run going on.
extern std::atomic<int> stop_signal;
extern std::atomic<bool> cancel_run;

// The start banner: title and credit between two rules, each line followed
// by an empty line.
void print_banner(std::ostream& out);

// How the program solves a problem it has read (`text` is the problem
// file's text): by default modal::solve, in this process alone.
using solve_function =
    std::function<result(const problem& p, std::string_view text, const run_options& options)>;

// The whole run for problem `base_name` (the file base_name + ".txt"):
// banner, statements, and, without a syntax error, the algorithm's run. A
// syntax error is also written to base_name + "Solution.txt". Returns the
// exit status: 0, or 1 when the problem file cannot be opened or read or
// a result file cannot be written. `err` receives the program's own
// messages, each line prefixed "solver: ": why the file cannot be opened,
// the reason of a syntax error, warnings, and at the end what stopped the
// run and which files it wrote.
// `solve`, when set, solves in place of modal::solve.
int run_problem(const std::string& base_name, std::ostream& out, std::ostream& err,
                const program_options& options = {}, const solve_function& solve = {});

} // namespace modal
