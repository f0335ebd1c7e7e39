// FSTAR, MINMAX and LOGIC: the F* solver with the settings each algorithm
// forces, its report, and for LOGIC the dump of the parsed statement.
#include <fstream>
#include <ostream>
#include <sstream>

#include "solver/driver/progress.h"
#include "solver/driver/runs.h"
#include "solver/model/dump.h"

namespace modal {

namespace {

// What the main loop's stop reason means, with the setting it refers to.
std::string stopText(const fstar& solver) {
    const param& p = solver.settings;
    if (p.stop_reason == "Tolerance") return "Tol reached Tolerance=" + number(p.tolerance);
    if (p.stop_reason == "Time") return "time limit Time=" + number(p.time_limit) + " s reached";
    if (p.stop_reason == "Empty Agenda") return "nothing left to refine (every cell was decided)";
    if (p.stop_reason == "Floor") return "Tol cannot fall further";
    if (p.stop_reason == "Stalled")
        return "the statement could not be settled: its global twin stopped moving (Time= lets "
               "it run longer)";
    if (p.stop_reason == "Matching")
        return "nothing left to cut (Epsilon=" + number(p.epsilon) +
               ", or cells too narrow for doubles)";
    if (p.logic_mode == inclusionStop::withVerdict) return "the statement was decided";
    return "the run ended";
}

} // namespace

run_summary run_fstar(run_state& state, const std::string& base_name) {
    fstar& solver = state.fstar_solver;
    param& settings = solver.settings;
    const std::string& algorithm = state.context.algorithm_name;
    const std::string solution = base_name + "Solution.txt";
    run_summary summary;

    state.model.set_current_tree(&solver.mainModel.fn);
    solver.screen = state.out;
    if (solver.mainModel.fn.root == noNode) {
        *state.out << no_function_message << std::flush;
        std::ofstream file(solution, std::ios::out | std::ios::trunc);
        file << no_function_message;
        file.close();
        summary.stop = "no function to solve";
        record(summary, static_cast<bool>(file), solution);
        return summary;
    }

    // Nothing is drawn in these runs; the box only stands in for the plot.
    box run_box(2);
    // The solver's log goes to a stream that is never opened: it is dropped.
    std::ofstream log;

    settings.plot = true;
    solver.prepare(run_box);

    settings.plot = false;
    settings.minmax_mode = algorithm == "MINMAX";
    settings.problem_name = base_name;
    settings.write_solution = true;
    if (algorithm == "FSTAR") settings.optim = optimBound::both;
    if (algorithm == "LOGIC") {
        settings.logic_mode = inclusionStop::withVerdict;
        settings.epsilon = 1e-15;
        settings.tolerance = 1e-15;
        // Without a time limit a statement that F* cannot settle would be
        // refined for ever: the run gives up once its twin stops moving.
        settings.stop_when_stalled = settings.time_limit >= kNoTimeLimit;
        record(summary, writeTreeDump(solver.mainModel.fn), "Tree.txt");
    }

    progress_display progress(*state.err, state.options.progress, algorithm);
    if (progress.enabled()) solver.onStep = [&progress](const fstar& s) { progress.step(s); };
    settings.stop_reason = "?";
    solver.run(run_box, log);
    solver.onStep = nullptr;
    progress.finish();

    summary.stop = stopText(solver);
    if (settings.logic_mode == inclusionStop::withVerdict) {
        static constexpr const char* kVerdicts[] = {"False", "True", "Perhaps"};
        summary.stop += "; Consistency: ";
        summary.stop += kVerdicts[settings.logic_result <= 2 ? settings.logic_result : 2];
    }
    summary.tol = number(reported_tol(solver));
    record(summary, solver.reportWritten, solution);

    // The trees are not needed once the report is written.
    solver.mainModel.fn = tree();
    solver.mainModel.constraints.clear();
    return summary;
}

} // namespace modal
