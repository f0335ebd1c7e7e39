// Solving a problem: the runs each algorithm makes, as values.
#include "modal/solve.h"

#include <chrono>
#include <ostream>
#include <sstream>
#include <string>

#include "solver/api/distributed.h"
#include "solver/api/problem_data.h"
#include "solver/api/runs.h"
#include "solver/fstar/report.h"
#include "solver/fstar/run_context.h"
#include "solver/model/dump.h"

namespace modal {

namespace {

// Calls the progress callback at most every `every` seconds of wall time.
class progressPacer {
public:
    progressPacer(const run_options& o, algorithm a) : options_(o), algorithm_(a) {}
    bool due() {
        if (!options_.on_progress) return false;
        const auto now = std::chrono::steady_clock::now();
        if (now < next_) return false;
        next_ = now + std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                          std::chrono::duration<double>(options_.progress_every));
        return true;
    }
    void report(progress p, const run_context& ctx) {
        p.algorithm = algorithm_;
        p.seconds = ctx.seconds();
        options_.on_progress(p);
    }

private:
    const run_options& options_;
    algorithm algorithm_;
    std::chrono::steady_clock::time_point next_ = std::chrono::steady_clock::now();
};

algorithm algorithmOf(const std::string& name) {
    if (name == "FSTAR") return algorithm::fstar;
    if (name == "MINMAX") return algorithm::minmax;
    if (name == "LOGIC") return algorithm::logic;
    if (name == "QSI") return algorithm::qsi;
    if (name == "CONTRACTOR") return algorithm::contractor;
    return algorithm::none;
}

result_box componentsOf(const box& b) {
    result_box c;
    for (int i = 0; i < b.size(); ++i)
        c.push_back({b[i].name, i, b[i].domain});
    return c;
}

// Prepares the F* solver of `d` for the run `r.algorithm` names; false when
// there is no objective (`r` then says so).
bool prepareFstar(detail::problem_data& d, const run_options& o, result& r) {
    fstar& solver = d.fstar_solver;
    param& settings = solver.settings;
    if (solver.mainModel.fn.root == noNode) {
        r.message = std::string(no_function_message);
        return false;
    }
    // Nothing is drawn in these runs; the box only stands in for the plot.
    box run_box(2);
    settings.plot = true;
    solver.prepare(run_box);
    settings.plot = false;
    settings.minmax_mode = r.algorithm == algorithm::minmax;
    settings.write_solution = true;
    if (o.time_limit) settings.time_limit = *o.time_limit;
    if (r.algorithm == algorithm::fstar) settings.optim = optimBound::both;
    if (r.algorithm == algorithm::logic) {
        settings.logic_mode = inclusionStop::withVerdict;
        settings.epsilon = 1e-15;
        settings.tolerance = 1e-15;
        // Without a time limit a statement that F* cannot settle would be
        // refined for ever: the run gives up once its twin stops moving.
        settings.stop_when_stalled = settings.time_limit >= kNoTimeLimit;
        std::ostringstream dump;
        writeTreeDump(solver.mainModel.fn, dump);
        r.tree_dump = dump.str();
    }
    return true;
}

void solveFstar(detail::problem_data& d, const run_options& o, run_context& ctx, result& r,
                strip_exchange* exchange) {
    if (!prepareFstar(d, o, r)) return;
    fstar& solver = d.fstar_solver;
    param& settings = solver.settings;
    box run_box(2);
    // The solver's log is dropped.
    std::ostream dropped(nullptr);
    solver.context = &ctx;
    solver.exchange = exchange;
    solver.screen = o.step_lines;
    progressPacer pacer(o, r.algorithm);
    if (o.on_progress)
        solver.onStep = [&](const fstar& s) {
            if (!pacer.due()) return;
            progress p;
            p.steps = s.stepCount;
            p.tol = reportedTol(s);
            pacer.report(p, ctx);
        };
    settings.stop_reason = "?";
    solver.run(run_box, dropped);
    solver.onStep = nullptr;
    solver.exchange = nullptr;
    fillResult(solver, r);
}

// A PlotX or PlotY name that matches no free variable leaves the axis to
// the default variable.
void checkAxis(const box& b, const char* option, const std::string& name, int index, result& r) {
    if (name.empty()) return;
    for (int i = 0; i < b.size(); ++i)
        if (b[i].name == name) return;
    r.warnings.push_back(
        std::string(option) + "=" + name + " names no F variable: the picture shows " +
        (index < b.size() ? b[index].name : std::string("the default axis")) + " on that axis");
}

// The box a QSI run paves, with its axes set: every variable's own domain
// but the plotted ones, made proper. Warnings about the axes go to `r`.
box qsiStartBox(qsi& solver, result& r) {
    box& freeBox = solver.getBox();
    // Axes: the variables PlotX and PlotY name (the first two otherwise).
    solver.setPlotIndices(freeBox);
    const int px = freeBox.getPlotX() < freeBox.size() ? freeBox.getPlotX() : 0;
    const int py = freeBox.getPlotY() < freeBox.size() ? freeBox.getPlotY() : 0;
    freeBox.setPlotX(px);
    freeBox.setPlotY(py);
    checkAxis(freeBox, "PlotX", solver.getSettings().plot_x_name, px, r);
    if (freeBox.size() >= 2) checkAxis(freeBox, "PlotY", solver.getSettings().plot_y_name, py, r);
    box run_box = freeBox;
    run_box[px].domain = prop(freeBox[px].domain);
    if (run_box.size() >= 2) run_box[py].domain = prop(freeBox[py].domain);
    return run_box;
}

// Whether a QSI run paves at all (else `r` says why not).
bool qsiRuns(qsi& solver, result& r) {
    const box& freeBox = solver.getBox();
    if (freeBox.size() != 0 && solver.getEpsilon() > 0.0) return true;
    r.message = std::string(freeBox.size() == 0 ? no_free_variable_message : no_precision_message);
    return false;
}

void solveQsi(detail::problem_data& d, const run_options& o, run_context& ctx, box_farm* farm,
              result& r) {
    qsi& solver = d.qsi_solver;
    r.epsilon = solver.getEpsilon();
    r.time_limit = solver.getTimeLimit();
    if (!qsiRuns(solver, r)) {
        solver.release();
        return;
    }
    box run_box = qsiStartBox(solver, r);
    r.start = componentsOf(run_box);

    solver.prepare(run_box);
    solver.getAgenda().push_back(run_box);
    solver.context = &ctx;
    solver.farm = farm;
    progressPacer pacer(o, r.algorithm);
    if (o.on_progress)
        solver.onBox = [&](const qsi& q) {
            if (!pacer.due()) return;
            progress p;
            p.solution = q.solutionBoxes().size();
            p.non_solution = q.nonSolutionBoxes().size();
            p.undefined = q.undefinedBoxes().size();
            p.waiting = q.boxesToDecide();
            pacer.report(p, ctx);
        };
    r.cpu_seconds = solver.run();
    solver.onBox = nullptr;
    solver.farm = nullptr;
    solver.moveResult(r);
    r.stop = r.left_undecided == 0 ? stop_reason::all_decided
             : ctx.memoryRanOut()  ? stop_reason::memory_limit
             : ctx.cancelled()     ? stop_reason::cancelled
                                   : stop_reason::time_limit;
}

void solveContractor(detail::problem_data& d, run_context& ctx, result& r) {
    qsi& solver = d.qsi_solver;
    box run_box = solver.getBox();
    r.epsilon = solver.getEpsilon();
    r.time_limit = solver.getTimeLimit();
    solver.prepare(run_box);
    solver.context = &ctx;
    // The contractor's log is dropped.
    std::ostream dropped(nullptr);
    double limit = solver.getTimeLimit();
    const bool consistent = solver.contract(run_box, solver.getEpsilon(), dropped, limit);
    solver.release();
    r.cpu_seconds = limit;
    r.box = componentsOf(run_box);
    r.empty = !consistent;
    r.stop = ctx.cancelled()                 ? stop_reason::cancelled
             : limit > solver.getTimeLimit() ? stop_reason::time_limit
             : !consistent                   ? stop_reason::empty_domain
                                             : stop_reason::contracted;
}

result solveWith(const problem& p, const run_options& o, box_farm* farm, strip_exchange* exchange) {
    detail::problem_data d = p.data();
    result r;
    r.algorithm = algorithmOf(d.algorithm);
    if (r.algorithm == algorithm::none) return r;
    d.qsi_solver.setSettings(d.qsi_settings);
    if (o.time_limit) d.qsi_solver.setTimeLimit(*o.time_limit);
    if (o.threads) d.qsi_solver.setThreads(*o.threads);
    // The constraint solvers of set inversion write step lines too (ScreenOut).
    for (constraintSolver& c : d.qsi_solver.constraints())
        c.solver.screen = o.step_lines;
    run_context ctx(o.memory_limit_mb.value_or(d.fstar_solver.settings.memory_limit), o.cancel);
    const run_context::worker working(ctx);
    r.memory_limit_mb = ctx.memoryLimitMegabytes();
    switch (r.algorithm) {
    case algorithm::fstar:
    case algorithm::minmax:
    case algorithm::logic:
        solveFstar(d, o, ctx, r, exchange);
        break;
    case algorithm::qsi:
        solveQsi(d, o, ctx, farm, r);
        break;
    case algorithm::contractor:
        solveContractor(d, ctx, r);
        break;
    case algorithm::none:
        break;
    }
    return r;
}

} // namespace

result solve(const problem& p, const run_options& o) {
    return solveWith(p, o, nullptr, nullptr);
}

result solve(const problem& p, const run_options& o, box_farm& farm) {
    return solveWith(p, o, &farm, nullptr);
}

result solve(const problem& p, const run_options& o, strip_exchange& exchange) {
    return solveWith(p, o, nullptr, &exchange);
}

std::optional<remote_fstar> fstar_remote_run(const problem& p) {
    detail::problem_data d = p.data();
    result r;
    r.algorithm = algorithmOf(d.algorithm);
    if (r.algorithm != algorithm::fstar && r.algorithm != algorithm::minmax &&
        r.algorithm != algorithm::logic)
        return std::nullopt;
    if (!prepareFstar(d, run_options{}, r)) return std::nullopt;
    remote_fstar f;
    f.solver = std::make_unique<fstar>(d.fstar_solver);
    // The first process counts the time of all; this one never stops on it.
    f.solver->settings.time_limit = kNoTimeLimit;
    f.memory_limit_mb = d.fstar_solver.settings.memory_limit;
    return f;
}

std::optional<remote_paving> qsi_remote_paving(const problem& p) {
    detail::problem_data d = p.data();
    if (algorithmOf(d.algorithm) != algorithm::qsi) return std::nullopt;
    qsi& solver = d.qsi_solver;
    solver.setSettings(d.qsi_settings);
    result ignored;
    if (!qsiRuns(solver, ignored)) return std::nullopt;
    box run_box = qsiStartBox(solver, ignored);
    solver.prepare(run_box);
    remote_paving r;
    r.constraints = std::make_unique<csp>(static_cast<const csp&>(solver));
    r.setup.constraints = r.constraints.get();
    r.setup.shape = run_box;
    r.setup.epsilons = pavingEpsilons(run_box, solver.getEpsilon());
    r.setup.fallback = solver.getEpsilon();
    if (solver.getSettings().contract) {
        r.contractor = std::make_unique<boxContractor>(r.constraints->constraintContractor());
        r.setup.contractor = r.contractor.get();
    }
    r.memory_limit_mb = d.fstar_solver.settings.memory_limit;
    return r;
}

} // namespace modal
