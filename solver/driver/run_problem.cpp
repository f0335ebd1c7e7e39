#include "solver/driver/run_problem.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>

#include <unistd.h>

#include "solver/driver/runs.h"
#include "solver/driver/statement_reader.h"
#include "solver/fstar/memory_limit.h"
#include "solver/language/algorithms.h"

namespace modal {

namespace {

constexpr std::string_view kTitle = "Modal Interval Solver";
constexpr std::string_view kCredit = "F* and quantified set inversion with modal intervals, 2026";

bool writeSyntaxError(const std::string& fileName, const std::string& statement) {
    std::ofstream file(fileName, std::ios::out | std::ios::trunc);
    if (!file) return false;
    file << "Syntax Error: \n\n" << statement << "\n";
    file.close();
    return !file.fail();
}

void showWarning(std::ostream& err, const located_warning& w) {
    err << "solver: warning: ";
    if (w.line > 0) err << "line " << w.line << ", '" << w.statement << "': ";
    err << w.text << "\n";
}

void showWarnings(const statement_messages& m, long line, const std::string& statement) {
    if (m.ctx == nullptr) return;
    if (m.err != nullptr)
        for (const std::string& w : m.ctx->warnings)
            showWarning(*m.err, {line, statement, w});
    m.ctx->warnings.clear();
}

// The files of a summary as a list: "a, b and c".
std::string fileList(const std::vector<std::string>& files) {
    std::string s;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) s += i + 1 == files.size() ? " and " : ", ";
        s += files[i];
    }
    return s;
}

void showSummary(std::ostream& err, const run_summary& s) {
    for (const std::string& f : s.failed)
        err << "solver: cannot write " << f << ": " << write_failure_reason(f) << "\n";
    err << "solver: stopped: " << s.stop;
    if (!s.tol.empty()) err << "; final Tol " << s.tol;
    err << "; " << (s.written.empty() ? "no file written" : "wrote " + fileList(s.written)) << "\n";
}

run_summary dispatch(run_state& state, const std::string& base_name) {
    const std::string& name = state.context.algorithm_name;
    switch (run_kind_for(name)) {
    case run_kind::fstar:
        return run_fstar(state, base_name);
    case run_kind::set_inversion:
        return run_set_inversion(state, base_name);
    case run_kind::none:
        break;
    }
    run_summary summary;
    const std::string names = "Algorithm=" + solving_algorithm_names();
    if (name.empty()) {
        *state.err << "solver: warning: the file has no Algorithm= statement: nothing is solved ("
                   << names << ")\n";
        summary.stop = "no Algorithm= statement";
    } else {
        *state.err << "solver: warning: Algorithm=" << name << " solves nothing (" << names
                   << " do)\n";
        summary.stop = "Algorithm=" + name + " solves nothing";
    }
    return summary;
}

} // namespace

void record(run_summary& summary, bool ok, const std::string& file) {
    (ok ? summary.written : summary.failed).push_back(file);
}

std::string write_failure_reason(const std::string& file) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (fs::is_directory(file, ec)) return std::strerror(EISDIR);
    // Asked without touching anything: the file if it exists, else its folder.
    const fs::path parent = fs::path(file).parent_path();
    const std::string target =
        fs::exists(file, ec) ? file : (parent.empty() ? std::string(".") : parent.string());
    if (::access(target.c_str(), W_OK) != 0) return std::strerror(errno);
    return "the data could not be written (is the disk full?)";
}

void print_banner(std::ostream& out) {
    const std::string rule(57, '/');
    out << rule << "\n\n";
    out << "\t\t " << kTitle << "\n\n";
    out << "\t " << kCredit << "\n\n";
    out << rule << "\n\n";
}

read_outcome read_statements(std::istream& in, std::ostream& out, problem_grammar& grammar,
                             const statement_messages& messages) {
    read_outcome outcome;
    statement_reader reader(in);
    while (reader.next()) {
        switch (reader.current_kind()) {
        case statement_reader::kind::blank:
            out << "Blank Line\n";
            break;
        case statement_reader::kind::comment:
            out << "Comment \n" << reader.text() << "\n";
            break;
        case statement_reader::kind::pending:
            break;
        case statement_reader::kind::statement:
            if (messages.ctx != nullptr) messages.ctx->line = reader.first_line();
            if (grammar.parse(reader.text())) {
                out << "Parsing Succeeded\n" << reader.text() << "\n";
                showWarnings(messages, reader.first_line(), reader.text());
            } else {
                out << "Syntax Error: \n\n" << reader.text() << "\n";
                if (messages.err != nullptr) {
                    const syntax_error& e = grammar.last_error();
                    const statement_reader::position at = reader.position_of(e.offset);
                    out << std::flush;
                    *messages.err << "solver: syntax error at line " << at.line << ", column "
                                  << at.column;
                    if (at.line != reader.first_line())
                        *messages.err << " (the statement begins on line " << reader.first_line()
                                      << ")";
                    *messages.err << ": " << e.reason << "\n";
                }
                if (messages.ctx != nullptr) messages.ctx->warnings.clear();
                outcome.parse_ok = false;
                outcome.failed_statement = reader.text();
                return outcome;
            }
            break;
        }
    }
    outcome.read_error = reader.read_error();
    if (outcome.read_error) return outcome;
    if (reader.current_kind() == statement_reader::kind::pending && messages.err != nullptr) {
        *messages.err << "solver: warning: line " << reader.first_line() << ": the text after "
                      << "the last ';' is ignored: '" << reader.text() << "'\n";
    }
    for (const located_warning& w : grammar.finish())
        if (messages.err != nullptr) showWarning(*messages.err, w);
    return outcome;
}

int run_problem(const std::string& base_name, std::ostream& out, std::ostream& err,
                const run_options& options) {
    print_banner(out);

    run_state state;
    state.out = &out;
    state.err = &err;
    state.options = options;
    state.fstar_solver.screen = &out; // constraint solvers copy it
    problem_grammar grammar(state.context, state.model);

    const std::string problem_file_name = base_name + ".txt";
    std::error_code ec;
    std::ifstream in;
    const bool directory = std::filesystem::is_directory(problem_file_name, ec);
    errno = 0;
    if (!directory) in.open(problem_file_name);
    if (!in.is_open()) {
        const int reason = directory ? EISDIR : errno;
        out << "Error opening file\n" << std::flush;
        err << "solver: cannot open " << problem_file_name << ": "
            << (reason != 0 ? std::strerror(reason) : "cannot be read") << "\n";
        return 1;
    }

    const read_outcome outcome =
        read_statements(in, out, grammar, statement_messages{&err, &state.context});
    out << std::flush;
    if (outcome.read_error) {
        err << "solver: error reading " << problem_file_name << "\n";
        return 1;
    }
    if (!outcome.parse_ok) {
        const std::string solution_file_name = base_name + "Solution.txt";
        if (!writeSyntaxError(solution_file_name, outcome.failed_statement)) {
            err << "solver: cannot write " << solution_file_name << ": "
                << write_failure_reason(solution_file_name) << "\n";
            return 1;
        }
        err << "solver: stopped: syntax error; wrote " << solution_file_name << "\n";
        return 0;
    }

    const param& settings = state.fstar_solver.getParam();
    setMemoryLimit(settings.memory_limit);
    resetMemoryRanOut();
    const run_summary summary = dispatch(state, base_name);
    out << std::flush;
    if (memoryRanOut())
        err << "solver: memory ran out: the run used more than the memory limit of "
            << memoryLimitMegabytes() << " MB and stopped; its report is partial\n";
    showSummary(err, summary);
    // A result that could not be written is a failure, whatever the run found.
    return summary.failed.empty() ? 0 : 1;
}

} // namespace modal
