// QSI and CONTRACTOR: quantified set inversion with its picture, and one
// contraction of the box of the free variables.
#include <fstream>
#include <ostream>
#include <sstream>
#include <thread>

#include "solver/driver/progress.h"
#include "solver/driver/runs.h"

namespace modal {

namespace {

// A QSI problem that cannot be paved: the reason goes to the output and to
// the result file.
void reportNotRun(run_state& state, const std::string& base_name, std::string_view message,
                  run_summary& summary) {
    *state.out << message << std::flush;
    std::ofstream file(base_name + "Solution.txt", std::ios::out | std::ios::trunc);
    file << message;
    file.close();
    record(summary, static_cast<bool>(file), base_name + "Solution.txt");
}

// A PlotX or PlotY name that matches no free variable leaves the axis to
// the default variable.
void warnUnknownAxis(run_state& state, const box& b, const char* option, const std::string& name,
                     int index) {
    if (name.empty()) return;
    for (int i = 0; i < b.size(); ++i)
        if (b[i].name == name) return;
    *state.err << "solver: warning: " << option << "=" << name
               << " names no F variable: the picture shows "
               << (index < b.size() ? b[index].name : std::string("the default axis"))
               << " on that axis\n";
}

run_summary runQsi(run_state& state, const std::string& base_name) {
    qsi& solver = state.qsi_solver;
    box& freeBox = solver.getBox();
    run_summary summary;
    if (freeBox.size() == 0 || !(solver.getEpsilon() > 0.0)) {
        const bool noVariable = freeBox.size() == 0;
        reportNotRun(state, base_name, noVariable ? no_free_variable_message : no_precision_message,
                     summary);
        summary.stop = noVariable ? "no F variable to pave" : "CSPEps is not positive";
        solver.release();
        return summary;
    }

    // Axes: the variables PlotX and PlotY name (the first two otherwise).
    solver.setPlotIndices(freeBox);
    const int px = freeBox.getPlotX() < freeBox.size() ? freeBox.getPlotX() : 0;
    const int py = freeBox.getPlotY() < freeBox.size() ? freeBox.getPlotY() : 0;
    freeBox.setPlotX(px);
    freeBox.setPlotY(py);
    warnUnknownAxis(state, freeBox, "PlotX", solver.getSettings().plot_x_name, px);
    if (freeBox.size() >= 2)
        warnUnknownAxis(state, freeBox, "PlotY", solver.getSettings().plot_y_name, py);
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
    progress_display progress(*state.err, state.options.progress, "QSI");
    if (progress.enabled()) solver.onBox = [&progress](const qsi& q) { progress.box(q); };
    bool bmpSaved = false, pngSaved = false;
    // The pictures are saved once the picture is complete; a run on several
    // threads writes its report meanwhile, and saves the BMP file on a thread
    // of its own.
    const bool severalThreads = solver.threadCount() > 1;
    solver.onPaved = [&] {
        std::jthread bmp;
        if (state.options.write_bmp) {
            auto saveBmp = [&] { bmpSaved = state.plot_frame.savePicture(base_name); };
            if (severalThreads)
                bmp = std::jthread(saveBmp);
            else
                saveBmp();
        }
        pngSaved = state.plot_frame.savePng(base_name);
    };
    const bool reportWritten = solver.run(base_name, state.plot_frame);
    solver.onBox = nullptr;
    solver.onPaved = nullptr;
    progress.finish();
    record(summary, reportWritten, base_name + "Solution.txt");
    if (state.options.write_bmp) record(summary, bmpSaved, base_name + "Image.bmp");
    record(summary, pngSaved, base_name + "Image.png");

    std::ostringstream stop;
    // Boxes the time limit left undecided are reported among the undefined.
    const std::size_t left = solver.leftUndecided();
    if (left == 0)
        stop << "every box decided";
    else
        stop << "time limit QSITime=" << number(solver.getTimeLimit()) << " s reached with " << left
             << " boxes left undecided, reported as undefined";
    stop << " (" << solver.solutionBoxes().size() << " solution, "
         << solver.nonSolutionBoxes().size() << " non-solution, " << solver.undefinedBoxes().size()
         << " undefined boxes)";
    summary.stop = stop.str();
    return summary;
}

run_summary runContractor(run_state& state, const std::string& base_name) {
    qsi& solver = state.qsi_solver;
    box run_box = solver.getBox();
    solver.prepare(run_box);
    run_summary summary;

    // The contractor's log goes to a stream that is not open yet: dropped.
    std::ofstream log;
    double limit = solver.getTimeLimit();
    const bool consistent = solver.contract(run_box, solver.getEpsilon(), log, limit);

    log.open(base_name + "Solution.txt", std::ios::out | std::ios::trunc);
    log << "Computation Time (s):" << limit << "\n" << std::flush;
    run_box.print(log);
    // A domain found empty: no point of the box satisfies the constraints.
    if (!consistent) log << "\nNo Solution\n";
    log.close();
    record(summary, !log.fail(), base_name + "Solution.txt");
    solver.release();

    if (limit > solver.getTimeLimit())
        summary.stop = "time limit QSITime=" + number(solver.getTimeLimit()) + " s reached";
    else if (!consistent)
        summary.stop = "a domain was found empty: no point satisfies the constraints";
    else
        summary.stop = "box contracted to CSPEps=" + number(solver.getEpsilon());
    return summary;
}

} // namespace

run_summary run_set_inversion(run_state& state, const std::string& base_name) {
    state.qsi_solver.setSettings(state.qsi_settings);
    run_summary summary;
    if (state.context.algorithm_name == "QSI") {
        summary = runQsi(state, base_name);
    } else if (state.context.algorithm_name == "CONTRACTOR") {
        summary = runContractor(state, base_name);
    }
    *state.out << std::flush;
    return summary;
}

} // namespace modal
