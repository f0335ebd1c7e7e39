// QSI and CONTRACTOR: quantified set inversion with its picture, and one
// contraction of the box of the free variables.
#include <fstream>
#include <iostream>
#include <ostream>

#include "solver/driver/runs.h"

namespace modal {

namespace {

// A QSI problem that cannot be paved: the reason goes to the output and to
// the result file.
void reportNotRun(run_state& state, const std::string& base_name, std::string_view message) {
    *state.out << message << std::flush;
    std::ofstream file(base_name + "Solution.txt", std::ios::out | std::ios::trunc);
    file << message;
}

void runQsi(run_state& state, const std::string& base_name) {
    qsi& solver = state.qsi_solver;
    box& freeBox = solver.getBox();
    if (freeBox.size() == 0 || !(solver.getEpsilon() > 0.0)) {
        reportNotRun(state, base_name,
                     freeBox.size() == 0 ? no_free_variable_message : no_precision_message);
        solver.release();
        return;
    }

    // Axes: the variables PlotX and PlotY name (the first two otherwise).
    solver.setPlotIndices(freeBox);
    const int px = freeBox.getPlotX() < freeBox.size() ? freeBox.getPlotX() : 0;
    const int py = freeBox.getPlotY() < freeBox.size() ? freeBox.getPlotY() : 0;
    freeBox.setPlotX(px);
    freeBox.setPlotY(py);
    const ivalDb xRange = prop(freeBox[px].domain);
    const ivalDb yRange = freeBox.size() < 2 ? ivalDb(-1, 1) : prop(freeBox[py].domain);

    box run_box = freeBox;
    // The start box keeps every variable's own domain: each plotted range
    // goes to the variable it was taken from.
    run_box[px].domain = xRange;
    if (run_box.size() >= 2) run_box[py].domain = yRange;

    state.image.setSize(repere::kImageWidth, repere::kImageHeight);
    state.plot_frame = repere(state.image, xRange.inf(), xRange.sup(), yRange.inf(), yRange.sup());
    // The whole frame starts white.
    state.plot_frame.fillBox(run_box, toolkit::kWhite, toolkit::kWhite, 0);

    solver.prepare(run_box);
    solver.getAgenda().push_back(run_box);
    if (!solver.run(base_name, state.plot_frame))
        *state.out << "Cannot write " << base_name << "Solution.txt\n";
    if (solver.leftUndecided() > 0)
        std::cerr << "solver: QSITime limit reached: " << solver.leftUndecided()
                  << " undecided boxes are reported as undefined\n";
    if (!state.plot_frame.savePicture(base_name))
        *state.out << "Cannot write " << base_name << "Image.bmp\n";
}

void runContractor(run_state& state, const std::string& base_name) {
    qsi& solver = state.qsi_solver;
    box run_box = solver.getBox();
    solver.prepare(run_box);

    // The contractor's log goes to a stream that is not open yet: dropped.
    std::ofstream log;
    double limit = solver.getTimeLimit();
    const bool nonEmpty = solver.contract(run_box, solver.getEpsilon(), log, limit);
    if (limit > solver.getTimeLimit())
        std::cerr << "solver: QSITime limit reached: the contraction stopped early\n";

    log.open(base_name + "Solution.txt", std::ios::out | std::ios::trunc);
    log << "Computation Time (s):" << limit << "\n" << std::flush;
    run_box.print(log);
    // A domain found empty: no point of the box satisfies the constraints.
    if (!nonEmpty) log << "\nNo Solution\n";
    log.close();
    if (log.fail()) *state.out << "Cannot write " << base_name << "Solution.txt\n";
    solver.release();
}

} // namespace

void run_set_inversion(run_state& state, const std::string& base_name) {
    state.qsi_solver.setSettings(state.qsi_settings);
    if (state.context.algorithm_name == "QSI") {
        runQsi(state, base_name);
    } else if (state.context.algorithm_name == "CONTRACTOR") {
        runContractor(state, base_name);
    }
    *state.out << std::flush;
}

} // namespace modal
