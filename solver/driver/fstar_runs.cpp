// FSTAR, MINMAX and LOGIC: the F* solver with the settings each algorithm
// forces, its report, and for LOGIC the dump of the parsed statement.
#include <fstream>
#include <ostream>

#include "solver/driver/runs.h"
#include "solver/model/dump.h"

namespace modal {

void run_fstar(run_state& state, const std::string& base_name) {
    fstar& solver = state.fstar_solver;
    param& settings = solver.settings;
    const std::string& algorithm = state.context.algorithm_name;

    state.model.set_current_tree(&solver.mainModel.fn);
    solver.screen = state.out;
    if (solver.mainModel.fn.root == noNode) {
        *state.out << no_function_message << std::flush;
        std::ofstream(base_name + "Solution.txt", std::ios::out | std::ios::trunc)
            << no_function_message;
        return;
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
    if (algorithm == "FSTAR") settings.optim = 0;
    if (algorithm == "LOGIC") {
        settings.logic_mode = 1;
        settings.epsilon = 1e-15;
        settings.tolerance = 1e-15;
        writeTreeDump(solver.mainModel.fn);
    }
    solver.run(run_box, log);

    // The trees are not needed once the report is written.
    solver.mainModel.fn = tree();
    solver.mainModel.constraints.clear();
}

} // namespace modal
