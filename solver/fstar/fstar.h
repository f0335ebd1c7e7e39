// The F* solver: inner and outer approximations of the modal range of an
// objective (or of its lower or upper bound alone) by cutting the Xp domain
// into strips and the Xi domain into cells.
#pragma once

#include <cstdint>
#include <functional>
#include <iosfwd>
#include <list>
#include <memory>
#include <memory_resource>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "interval/twin.h"
#include "solver/fstar/agenda_index.h"
#include "solver/fstar/bound_contraction.h"
#include "solver/fstar/cell.h"
#include "solver/fstar/exchange.h"
#include "solver/fstar/param.h"
#include "solver/fstar/point_search.h"
#include "solver/fstar/run_context.h"
#include "solver/fstar/shared_clock.h"
#include "solver/fstar/strip.h"
#include "solver/model/box.h"
#include "solver/model/model.h"

namespace modal {

// Whether the value `v` of a normalised relation satisfies it: interior to
// zero, or for a closed relation (">=", "<=", "=") also touching it, on the
// bound that `side` names (1 lower, 2 upper, 0 both).
inline bool relationHolds(const ivalDb& v, bool closed, int side) noexcept {
    const bool low = closed ? v.inf() >= 0.0 : v.inf() > 0.0;
    const bool high = closed ? v.sup() <= 0.0 : v.sup() < 0.0;
    return side == 1 ? low : side == 2 ? high : (low && high);
}

class fstar {
    // Strips of both lists come from one pool, so that the strips of the
    // agenda lie close together for the passes the main loop makes over
    // them. Declared first: it outlives the lists.
    std::unique_ptr<std::pmr::unsynchronized_pool_resource> pool_ =
        std::make_unique<std::pmr::unsynchronized_pool_resource>();

public:
    using stripList = std::pmr::list<strip>;
    using stripIter = stripList::iterator;

    stripList agenda{pool_.get()};
    twin globalTwin{"dn"};
    twin accumulatedTwin{"dd"};
    stripIter selectedStrip{};
    bool hasSelectedStrip = false;
    bool updateFlag = true;
    param settings;
    model mainModel;
    // Strips of the agenda that define a bound of the global twin.
    std::vector<stripIter> candidates;
    int selectedCandidate = -1;
    stripList accumulatedStrips{pool_.get()};
    // The cells the MinMax post-processing gathered (taken by the joined
    // boxes when one bound is sought), and whether it gathered any.
    std::list<cell> joinedMinCells;
    std::list<cell> joinedMaxCells;
    bool gatheredMin = false;
    bool gatheredMax = false;
    std::list<cell> joinedMinBoxes;
    std::list<cell> joinedMaxBoxes;
    // "Prop", "Impr" or "Du": the modality of the model's variables.
    std::string modality = "Prop";
    long stepCount = 0;
    // True when the objective was a ">=", "<=" or "=" relation: its bound
    // itself satisfies it, so the logic verdict uses closed tests against
    // zero.
    bool closedRelation = false;
    // The bound of the normalised relation's value that decides it: 1 the
    // lower (">", ">="), 2 the upper ("<", "<="), 0 both ("=" and the rest).
    // The other bound is L - inf, which says nothing (NaN for an unbounded L).
    int relationSide = 0;
    // After a run: the objective met points of the domain where it is not
    // defined. Its inner approximation is then no claim (reported as NaN),
    // and no verdict is drawn from it.
    bool undefinedPoints = false;
    // After a run: the constraints ruled out every cell.
    bool noSolution = false;
    // After a run that measures its time (a timed run, or one with
    // `write_solution`): its processor seconds; -1 otherwise.
    double elapsedSeconds = -1.0;
    // Where the step lines of ScreenOut go (nowhere when null).
    std::ostream* screen = nullptr;
    // The run this solver works for: its clock, memory limit and cancel
    // flag. Null: each call of run is a run of its own. Copies take it.
    run_context* context = nullptr;
    // When set, the run reads the processor clock through it (a caller that
    // makes many short runs); it must belong to the thread that runs. Copies
    // do not take it.
    shared_clock* sharedClock = nullptr;
    // Called after each step of the main loop when set (a progress display).
    // Copies do not take it.
    std::function<void(const fstar&)> onStep;
    // A run that shares its domain with runs in other processes: what they
    // found, joined into the global twin (during the run their inner
    // approximation, as inner and as outer bounds, so that this run's own
    // strips count only where they reach beyond it; at the end their twin);
    // NaN when the run is alone. The exchange that sets it, and the
    // cells the other runs gathered and joined for the MinMax
    // post-processing (each with its Xp variables), taken as they are, and
    // whether those runs gathered any. Copies take none of them.
    twin remoteTwin{"dn"};
    strip_exchange* exchange = nullptr;
    std::list<cell> importedMinCells;
    std::list<cell> importedMaxCells;
    bool importedMin = false;
    bool importedMax = false;

    fstar();
    // Copies take the settings, the model and the results, but no selection:
    // a copy never refers to the lists of its source.
    fstar(const fstar& o);
    fstar& operator=(const fstar& o);

    param& getParam() noexcept { return settings; }
    const param& getParam() const noexcept { return settings; }
    model& getModel() noexcept { return mainModel; }
    const twin& getGlobalTwin() const noexcept { return globalTwin; }

    // Prepares the objective and the constraints for evaluation: relational
    // normalisation, initial cells, derivative trees and lists, index maps,
    // single-incidence positions and the non-uniformly monotonic nodes.
    void prepare(box& plotBox);
    // The F* main loop. In LOGIC runs (logic_mode withVerdict) it also sets
    // settings.logic_result: 1 true, 2 perhaps, 0 false.
    void run(box& plotBox, std::ostream& log);

    // The twin of this run's own strips (the agenda and the pieces taken
    // off it) at the last update of the global twin, without the remote
    // twin; kept only in a run with an exchange.
    const twin& localTwin() const noexcept { return localTwin_; }
    // Adds to the agenda a strip over the Xp box `xp` (the inf and sup of
    // each Xp variable in turn) and the whole Xi domain.
    void addStrip(std::span<const double> xp, std::ostream& log);
    // Takes up to `count` strips that still need cuts off the agenda, those
    // nearest the bound sought first (every other one of them, so that this
    // run keeps as good a share), and appends their Xp boxes to `out`;
    // returns how many.
    std::size_t giveStrips(std::size_t count, std::vector<double>& out);

    // Pieces of the loop, public for the tests.
    void updateGlobalTwin(std::ostream& log);
    void eliminateAndSelect(std::ostream& log);
    bool inclusionTest(const strip& s) const;
    bool stopByInclusion() const;
    // Whether a relation value satisfies the objective's relation.
    bool relationHolds(const ivalDb& v) const {
        return modal::relationHolds(v, closedRelation, relationSide);
    }
    // The LOGIC verdict of the global twin: 1 true, 2 perhaps, 0 false.
    std::uint8_t logicVerdict() const;
    void selectAndCut(std::ostream& log);
    void minmaxPostProcess();
    // The first half of it: the cells of the agenda and of the pieces taken
    // off it that can hold the extreme, and the imported cells, in
    // joinedMinCells and joinedMaxCells (taken off their strips when one
    // bound is sought).
    void gatherMinMaxCells();
    // Joins the cells of `cells` (in the order gatherMinMaxCells leaves
    // them) that touch into the boxes of their hulls, in place.
    void joinTouchingCells(std::list<cell>& cells);
    // Adds to importedMinCells (`lower`) or importedMaxCells a cell over the
    // box `bounds` (the inf and sup of each Xp variable, then of each Xi
    // variable) whose twin is `tw`.
    void importCell(std::span<const double> bounds, const twin& tw, bool lower);
    void buildJoinedBoxes(bool lower);
    void evaluateMinMax(cell& q, bool minmax);
    bool allProper() const;
    bool allImproper() const;

private:
    twin localTwin_{"dn"};
    // The strips giveStrips weighs, kept for its storage.
    std::vector<stripIter> giving_;
    // The bounds of the agenda's strips in order, kept up to date by every
    // change of the agenda, for the global twin and the candidates.
    agendaIndex index_;
    // A strip left the agenda by the inclusion test (not by its constraints).
    bool removedByInclusion_ = false;
    // The context of the run going on, and this solver's count of calls
    // between readings of the resident memory.
    run_context* active_ = nullptr;
    unsigned memoryCalls_ = 0;
    // A piece was accumulated at the rounding floor of its bounds: if the
    // run ends with nothing left to cut, its Tol cannot fall further.
    bool floorReached_ = false;
    // The global twin's bounds at its last change, and the step of it.
    double lastTwin_[4] = {kNaN, kNaN, kNaN, kNaN};
    long lastTwinChange_ = 0;
    // Storage kept from run to run (a constraint's solver makes a run for
    // every box it is asked about): at most one strip that left the agenda,
    // which the next run's first strip reuses with its cells and variables,
    // the scratch of the variable regrouping, and the strips removed by the
    // last candidate rebuild.
    stripList spareStrips_{pool_.get()};
    // The strip of the whole domain as a run plants it, which addStrip
    // copies.
    stripList wholeStrip_{pool_.get()};
    std::vector<variable> spareVariables_;
    std::vector<agendaIndex::removedStrip> removed_;
    // The accelerated mode's points (see point_search.h): whether the run
    // uses them, the best bounds they gave (+inf: no point for the minimum
    // yet; -inf: none for the maximum), when to search next and how often,
    // and the evaluations the searches made.
    pointSearch points_;
    bool pointsOn_ = false;
    double pointLow_ = kInf;
    double pointHigh_ = -kInf;
    long nextSearch_ = 0;
    long searchInterval_ = 1;
    std::uint64_t searchEvaluations_ = 0;
    // The accelerated mode's contraction of new strips (see
    // bound_contraction.h), on where `pointsOn_` is.
    boundContraction bounds_;
    // The quick start's strip variables and cell, kept from run to run for
    // their storage (first_step.cpp).
    std::vector<variable> quickXp_;
    std::vector<variable> quickXi_;
    cell quickCell_;

    bool inclusionTest(const twin& s) const;
    // Constraint index maps and single-incidence positions for the current
    // Xp/Xi split of the model's variables.
    void linkGroups();
    // Records every strip of the agenda in the index anew, in agenda order.
    void reindex();
    // The candidate rebuild by a pass over the whole agenda.
    void rebuildByScan(std::vector<agendaIndex::removedStrip>& removed);
    void insertStrip(stripIter s, std::ostream& log);
    // Takes a strip out of the agenda; its storage may serve the next run.
    void dropStrip(stripIter s);
    // The agenda of a new run: the strip of the model's initial cell alone,
    // made in the storage of a strip of the last run when there is one.
    void plantFirstStrip();
    void accumulateStrip(stripIter s);
    // Moves the selected cell of `s` to its warehouse, where it stays.
    void settleSelectedCell(strip& s, std::ostream& log);
    // Whether cutting the piece that selectAndCut would cut next (the strip
    // `s`, or its cell `c`) can no longer narrow its bounds: its last cut
    // hardly narrowed them, and its tolerance is within twice what a single
    // point of it gives (the rounding of the evaluation itself).
    bool atRoundingFloor(const strip& s, const cell* c);
    double pointTolerance(const strip& s, const cell* c);
    void cutStrip(stripIter s, std::ostream& log);
    void eraseSelectedCandidate();
    void printStepLine();
    void resetSelection() noexcept;
    // The parts of `run`: empty agenda and results, the first strip, the
    // stop tests of a step (true when the loop ends, with stop_reason set
    // where it has one), and the results after the loop.
    void startRun(std::ostream& log);
    // Empties the agenda and the results, both twins NaN: the start of a run.
    void resetRun();
    // With settings.quick_start: the run when it ends before its first cut,
    // made without lists, index or log (true, the results set as the run
    // sets them); false when the run must be made in full. `timeUp` reads
    // the run's clock where the loop reads it.
    bool quickStart(const std::function<bool()>& timeUp);
    bool loopEnds(bool timeUp, double seconds, std::ostream& log);
    // With stop_when_stalled: whether the global twin has stayed the same
    // over as many steps as the run took before its last change (and at
    // least kStallSteps), or the run has used kStallSeconds.
    bool stalled(double seconds);
    void finishRun(std::ostream& log);
    // After a run that met undefined points: the inner approximation keeps
    // only the bound that a value at a defined point makes, NaN elsewhere.
    void dropInnerClaimsAcrossGaps();
    // The accelerated mode: a descent from the centre of the selected strip
    // (of the whole domain before the first step) when one is due, whose
    // point, proven to satisfy the constraints, bounds the optimum.
    void searchPoints();
    // Takes the value of a point as a piece of the inner approximation.
    void takePoint(const ivalDb& value, bool lowest);
    // With no candidate left, selects the strip of the agenda that reaches
    // furthest towards the bound sought; false when the agenda is empty.
    bool selectBestLeft();
    // Contracts a new strip by the constraints and the bounds known; false
    // when nothing of it is left.
    bool contractStrip(strip& s);
};

// Time limits from here up are never reached (the default is 1e301 s): runs
// with such a limit do not read the clock at every step.
inline constexpr double kNoTimeLimit = 1e300;

// A run that stops when stalled (a LOGIC run without a time limit) gives
// up once its global twin has not changed over the last half of its steps
// and over at least this many, or once it has used this much process time.
inline constexpr long kStallSteps = 4096;
inline constexpr double kStallSeconds = 60.0;

} // namespace modal
