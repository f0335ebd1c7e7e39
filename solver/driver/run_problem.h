// One run of the solver: read the problem file statement by statement,
// report each statement, and start the run its algorithm statement names.
#pragma once

#include <iosfwd>
#include <string>

#include "solver/driver/run_state.h"
#include "solver/language/grammar.h"

namespace modal {

// The start banner: title and credit between two rules, each line followed
// by an empty line.
void print_banner(std::ostream& out);

// What reading the statements came to.
struct read_outcome {
    bool parse_ok = true;         // false after a syntax error
    bool read_error = false;      // the input failed before its end
    std::string failed_statement; // the statement text of the syntax error
};

// Where the reading of the statements sends its own messages: the reason of
// a syntax error, and the warnings the actions leave in `ctx` (both null:
// none are shown).
struct statement_messages {
    std::ostream* err = nullptr;
    parse_context* ctx = nullptr;
};

// Reads statements from `in` until its end or the first syntax error,
// printing one report per line to `out` ("Blank Line", "Comment ",
// "Parsing Succeeded", "Syntax Error: "). Each complete statement is parsed
// with `grammar`, whose actions fill the run's objects.
read_outcome read_statements(std::istream& in, std::ostream& out, problem_grammar& grammar,
                             const statement_messages& messages = {});

// The whole run for problem `base_name` (the file base_name + ".txt"):
// banner, statements, and, without a syntax error, the algorithm's run. A
// syntax error is also written to base_name + "Solution.txt". Returns the
// exit status: 0, or 1 when the problem file cannot be opened or read or
// the result file of a syntax error cannot be written. `err` receives the
// program's own messages, each line prefixed "solver: ": why the file
// cannot be opened, the reason of a syntax error, warnings, and at the end
// what stopped the run and which files it wrote.
int run_problem(const std::string& base_name, std::ostream& out, std::ostream& err,
                const run_options& options = {});

} // namespace modal
