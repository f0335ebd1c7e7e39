#include "solver/driver/run_problem.h"

#include <filesystem>
#include <fstream>
#include <ostream>
#include <string_view>

#include "solver/driver/runs.h"
#include "solver/driver/statement_reader.h"
#include "solver/fstar/memory_limit.h"
#include "solver/fstar/strip.h"

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

void dispatch(run_state& state, const std::string& base_name) {
    switch (run_kind_for(state.context.algorithm_name)) {
    case run_kind::fstar:
        run_fstar(state, base_name);
        break;
    case run_kind::set_inversion:
        run_set_inversion(state, base_name);
        break;
    case run_kind::none:
        break;
    }
}

} // namespace

void print_banner(std::ostream& out) {
    const std::string rule(57, '/');
    out << rule << "\n\n";
    out << "\t\t " << kTitle << "\n\n";
    out << "\t " << kCredit << "\n\n";
    out << rule << "\n\n";
}

read_outcome read_statements(std::istream& in, std::ostream& out, problem_grammar& grammar) {
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
            if (grammar.parse(reader.text())) {
                out << "Parsing Succeeded\n" << reader.text() << "\n";
            } else {
                out << "Syntax Error: \n\n" << reader.text() << "\n";
                outcome.parse_ok = false;
                outcome.failed_statement = reader.text();
                return outcome;
            }
            break;
        }
    }
    outcome.read_error = reader.read_error();
    return outcome;
}

int run_problem(const std::string& base_name, std::ostream& out, std::ostream& err) {
    print_banner(out);

    run_state state;
    state.out = &out;
    state.fstar_solver.screen = &out; // constraint solvers copy it
    problem_grammar grammar(state.context, state.model);

    const std::string problem_file_name = base_name + ".txt";
    std::error_code ec;
    std::ifstream in;
    if (!std::filesystem::is_directory(problem_file_name, ec)) in.open(problem_file_name);
    if (!in.is_open()) {
        out << "Error opening file" << std::flush;
        return 1;
    }

    const read_outcome outcome = read_statements(in, out, grammar);
    out << std::flush;
    if (outcome.read_error) {
        err << "solver: error reading " << problem_file_name << "\n";
        return 1;
    }
    if (!outcome.parse_ok) {
        const std::string solution_file_name = base_name + "Solution.txt";
        if (!writeSyntaxError(solution_file_name, outcome.failed_statement)) {
            err << "solver: cannot write " << solution_file_name << "\n";
            return 1;
        }
        return 0;
    }

    const param& settings = state.fstar_solver.getParam();
    if (settings.bisect > kMaxPiecesPerCut)
        err << "solver: warning: Bisect=" << settings.bisect << " is more than one cut can make; "
            << "each cut makes " << kMaxPiecesPerCut << " pieces\n";
    setMemoryLimit(settings.memory_limit);
    resetMemoryRanOut();
    dispatch(state, base_name);
    out << std::flush;
    if (memoryRanOut())
        err << "solver: memory ran out: the run used more than the memory limit of "
            << memoryLimitMegabytes() << " MB and stopped; its report is partial\n";
    return 0;
}

} // namespace modal
