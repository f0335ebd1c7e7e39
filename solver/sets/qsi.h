// Quantified set inversion: paves a box into boxes proven to satisfy every
// constraint (solution), boxes proven to violate one (non-solution) and boxes
// too small to be cut further without a decision (undefined), drawing every
// decision into a plot frame and writing the paving to a report file.
#pragma once

#include <ctime>
#include <functional>
#include <iosfwd>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "solver/plot/repere.h"
#include "solver/sets/box_store.h"
#include "solver/sets/csp.h"
#include "solver/sets/qsi_param.h"

namespace modal {

class qsi : public csp {
public:
    using boxList = std::list<box>;

    // Colours of the decisions ($00BBGGRR) and of the outlines.
    static constexpr toolkit::Color kSolutionColor = toolkit::kRed;
    static constexpr toolkit::Color kNonSolutionColor = toolkit::kBlue;
    static constexpr toolkit::Color kUndefinedColor = toolkit::kYellow;
    static constexpr toolkit::Color kOutlineColor = toolkit::kBlack;

    // --- settings ------------------------------------------------------------
    void setEpsilon(double e) noexcept { settings_.epsilon = e; }
    void setTimeLimit(double seconds) noexcept { settings_.time_limit = seconds; }
    void setPlotXName(std::string name) { settings_.plot_x_name = std::move(name); }
    void setPlotYName(std::string name) { settings_.plot_y_name = std::move(name); }
    // Threads that classify boxes: 0 (or less) every core, 1 a sequential
    // run; at most 64 or the number of cores.
    void setThreads(int n) noexcept { settings_.threads = n; }
    // All four at once, as the problem file set them.
    void setSettings(const qsiParam& p) { settings_ = p; }
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

    // The paving of the agenda's boxes, decided and drawn into `frame`; then
    // the report prefix + "Solution.txt" and the release of the constraints.
    // False when the report file could not be written.
    bool run(const std::string& prefix, repere& frame);

    // Called after each box `run` takes from the agenda, when set (a progress
    // display).
    std::function<void(const qsi&)> onBox;
    // Called by `run` on its own thread, when set, once the picture is
    // complete (to save it): with more than one thread while another thread
    // writes the report, otherwise after the report.
    std::function<void()> onPaved;

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
    // The report text: computation time and the three lists.
    void writeReport(std::ostream& os, double elapsedSeconds) const;
    // The same into prefix + "Solution.txt"; false when it cannot be written.
    bool writeReport(const std::string& prefix, double elapsedSeconds) const;

private:
    double epsilonOf(std::size_t i) const noexcept;
    // The loop over the queue; returns the elapsed seconds at its last time
    // check.
    double pave(repere& frame, std::clock_t begin, int threads);
    // Files, draws or bisects box i of the queue, loaded in `b`, by its
    // verdict.
    void takeVerdict(verdict v, std::size_t i, box& b, box& half, repere& frame);
    // Draws the whole paving by kind, the strongest claim last.
    void drawLayers(repere& frame, const box& shape) const;

    boxList agenda_;
    // The run's first-in first-out queue: boxes before head_ are decided.
    boxStore queue_;
    std::size_t head_ = 0;
    boxStore solutions_;
    boxStore nonSolutions_;
    boxStore undefined_;
    std::vector<double> epsilons_;
    std::size_t leftUndecided_ = 0;
    // The run has more than two variables: boxes are drawn after the paving.
    bool layered_ = false;
    qsiParam settings_;
};

} // namespace modal
