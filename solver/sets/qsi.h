// Quantified set inversion: paves a box into boxes proven to satisfy every
// constraint (solution), boxes proven to violate one (non-solution) and boxes
// too small to be cut further without a decision (undefined).
#pragma once

#include <functional>
#include <iosfwd>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "modal/result.h"
#include "solver/contract/box_contractor.h"
#include "solver/sets/box_farm.h"
#include "solver/sets/box_store.h"
#include "solver/sets/csp.h"
#include "solver/sets/qsi_param.h"

namespace modal {

// Cuts `lower` in two along its widest variable wider than its epsilon (the
// last of equal widths; `epsilons[i]` for variable i, `fallback` beyond
// them): `lower` keeps the lower half and `upper`, a box with the same
// variables, gets the upper one. False, and nothing changes, when no
// variable can be cut.
bool bisectPaving(box& lower, box& upper, const std::vector<double>& epsilons, double fallback);
// The per-variable epsilons of a paving of `start`: each variable's start
// width times `epsilon` (the CSPEps setting).
std::vector<double> pavingEpsilons(const box& start, double epsilon);
// The variable bisectPaving cuts, or -1.
int pavingBisectionVariable(const box& b, const std::vector<double>& epsilons, double fallback);

class qsi : public csp {
public:
    using boxList = std::list<box>;

    // --- settings ------------------------------------------------------------
    void setEpsilon(double e) noexcept { settings_.epsilon = e; }
    void setTimeLimit(double seconds) noexcept { settings_.time_limit = seconds; }
    void setPlotXName(std::string name) { settings_.plot_x_name = std::move(name); }
    void setPlotYName(std::string name) { settings_.plot_y_name = std::move(name); }
    // Threads that classify boxes: 0 (or less) every core, 1 a sequential
    // run; at most 64 or the number of cores.
    void setThreads(int n) noexcept { settings_.threads = n; }
    // Contract each box by the constraints and their complements before it
    // is classified (Contract=1).
    void setContract(bool on) noexcept {
        settings_.contract = on;
        forwardBackward = on;
    }
    // All four at once, as the problem file set them.
    void setSettings(const qsiParam& p) {
        settings_ = p;
        forwardBackward = p.contract;
    }
    const qsiParam& getSettings() const noexcept { return settings_; }
    double getEpsilon() const noexcept { return settings_.epsilon; }
    // Threads a run uses, from the setting (every core for 0 or less).
    int threadCount() const;
    double getTimeLimit() const noexcept { return settings_.time_limit; }

    // --- lists -----------------------------------------------------------------
    // Boxes to pave; run takes them all (each with the variables of the
    // first).
    boxList& getAgenda() noexcept { return agenda_; }
    const boxStore& solutionBoxes() const noexcept { return solutions_; }
    const boxStore& nonSolutionBoxes() const noexcept { return nonSolutions_; }
    const boxStore& undefinedBoxes() const noexcept { return undefined_; }
    // Boxes waiting to be decided during a run.
    std::size_t boxesToDecide() const noexcept { return agenda_.size() + queue_.size() - head_; }
    const std::vector<double>& variableEpsilons() const noexcept { return epsilons_; }
    // Boxes the time limit of the last run left undecided (reported among
    // the undefined boxes).
    std::size_t leftUndecided() const noexcept { return leftUndecided_; }

    // Plot X and plot Y index of `b`: the first variable named by PlotX (and
    // PlotY); an index whose name matches no variable keeps its value.
    void setPlotIndices(box& b) const;

    // The paving of the agenda's boxes, then the release of the constraints.
    // Returns the processor seconds of the paving. With a run context set
    // (csp::context) the run counts that run's threads and honours its
    // memory limit and cancel flag; otherwise it is a run of its own.
    double run();

    // Called after each box `run` takes from the agenda, when set (a progress
    // display).
    std::function<void(const qsi&)> onBox;

    // When set, the run has its boxes paved by this farm (other processes)
    // and by itself on one thread; its time then counts the workers'
    // processor seconds too. The paving is the same.
    box_farm* farm = nullptr;

    // The kinds of the boxes in the order the last run decided them.
    const std::vector<box_kind>& decisionOrder() const noexcept { return order_; }
    // The paving of the last run into `r` (its boxes are moved there).
    void moveResult(result& r);

    // --- pieces of the loop, public for the tests ----------------------------
    // Every variable is at most its epsilon wide.
    bool isSmall(const box& b) const;
    // Cuts `lower` in two along its widest cuttable variable (the last of
    // equal widths): `lower` keeps the lower half and `upper`, a box with the
    // same variables, gets the upper one. False, and nothing changes, when no
    // variable can be cut.
    bool bisect(box& lower, box& upper) const;
    // The variable bisect cuts, or -1 when none is wider than its epsilon.
    int bisectionVariable(const box& b) const;

private:
    // The loop over the queue; returns the elapsed seconds at its last time
    // check.
    double pave(run_context& ctx, double begin, int threads);
    // The paving with the farm; returns the run's processor seconds.
    double paveWithFarm(run_context& ctx, double begin);
    // Files or bisects box i of the queue, loaded in `b`, by its verdict.
    void takeVerdict(verdict v, std::size_t i, box& b, box& half);
    // Appends `b` to the queue; with Contract=1 contracted first, the parts
    // removed filed as non-solution and solution boxes (b is changed).
    void queueBox(box& b);

    boxList agenda_;
    // The run's first-in first-out queue: boxes before head_ are decided.
    boxStore queue_;
    std::size_t head_ = 0;
    boxStore solutions_;
    boxStore nonSolutions_;
    boxStore undefined_;
    std::vector<double> epsilons_;
    std::size_t leftUndecided_ = 0;
    std::vector<box_kind> order_;
    qsiParam settings_;
    bool contracting_ = false;
    box outer_, piece_;
};

} // namespace modal
