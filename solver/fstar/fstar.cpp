#include "solver/fstar/fstar.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstring>
#include <iostream>
#include <iterator>
#include <optional>
#include <sstream>
#include <string>
#include <string_view>

#include "solver/fstar/log.h"
#include "solver/fstar/selection.h"
#include "solver/model/derivatives.h"
#include "solver/model/dump.h"

namespace modal {

namespace {

// Rules of the step log.
constexpr std::string_view kHashRow =
    "################################################################";
constexpr std::string_view hashRule(std::size_t n) {
    return kHashRow.substr(0, n);
}

void makeNaN(twin& t) {
    t.setInn(ivalNaN());
    t.setOut(ivalNaN());
}

void prepareModel(model& m) {
    m.buildGroups();
    m.bindOwn();
    buildDerivatives(m.fn);
    buildEvalLists(m.fn);
}

// Position of the variable called `name` among `xp` then `xi`, or -1.
int positionOf(const std::string& name, const std::vector<variable>& xp,
               const std::vector<variable>& xi) {
    for (std::size_t i = 0; i < xp.size(); ++i)
        if (xp[i].name == name) return static_cast<int>(i);
    for (std::size_t i = 0; i < xi.size(); ++i)
        if (xi[i].name == name) return static_cast<int>(xp.size() + i);
    return -1;
}

} // namespace

fstar::fstar() {
    makeNaN(remoteTwin);
    makeNaN(localTwin_);
}

fstar::fstar(const fstar& o)
    : agenda(o.agenda, pool_.get()), globalTwin(o.globalTwin), accumulatedTwin(o.accumulatedTwin),
      updateFlag(o.updateFlag), settings(o.settings), mainModel(o.mainModel),
      accumulatedStrips(o.accumulatedStrips, pool_.get()), joinedMinCells(o.joinedMinCells),
      joinedMaxCells(o.joinedMaxCells), gatheredMin(o.gatheredMin), gatheredMax(o.gatheredMax),
      joinedMinBoxes(o.joinedMinBoxes), joinedMaxBoxes(o.joinedMaxBoxes), modality(o.modality),
      stepCount(o.stepCount), closedRelation(o.closedRelation), relationSide(o.relationSide),
      undefinedPoints(o.undefinedPoints), noSolution(o.noSolution),
      elapsedSeconds(o.elapsedSeconds), screen(o.screen), context(o.context) {
    makeNaN(remoteTwin);
    makeNaN(localTwin_);
    reindex();
}

fstar& fstar::operator=(const fstar& o) {
    if (this != &o) {
        resetSelection();
        // Element-wise copies into this solver's own pool; strip assignment
        // relinks the copied cells to their new strips.
        agenda = o.agenda;
        accumulatedStrips = o.accumulatedStrips;
        globalTwin = o.globalTwin;
        accumulatedTwin = o.accumulatedTwin;
        updateFlag = o.updateFlag;
        settings = o.settings;
        mainModel = o.mainModel;
        fstar detached(o); // joined cells that own their Xp variables
        joinedMinCells.swap(detached.joinedMinCells);
        joinedMaxCells.swap(detached.joinedMaxCells);
        gatheredMin = o.gatheredMin;
        gatheredMax = o.gatheredMax;
        joinedMinBoxes.swap(detached.joinedMinBoxes);
        joinedMaxBoxes.swap(detached.joinedMaxBoxes);
        modality = o.modality;
        stepCount = o.stepCount;
        closedRelation = o.closedRelation;
        relationSide = o.relationSide;
        undefinedPoints = o.undefinedPoints;
        noSolution = o.noSolution;
        elapsedSeconds = o.elapsedSeconds;
        screen = o.screen;
        context = o.context;
        reindex();
    }
    return *this;
}

void fstar::resetSelection() noexcept {
    candidates.clear();
    selectedCandidate = -1;
    hasSelectedStrip = false;
    selectedStrip = stripIter{};
}

void fstar::reindex() {
    index_.clear();
    for (auto it = agenda.begin(); it != agenda.end(); ++it)
        index_.record(it);
}

void fstar::prepare(box& /*plotBox*/) {
    const nodeId root = mainModel.fn.root;
    const nodeKind rootKind = root == noNode ? nodeKind::constant : mainModel.fn.at(root).kind;
    closedRelation =
        rootKind == nodeKind::ge || rootKind == nodeKind::le || rootKind == nodeKind::eq;
    relationSide = (rootKind == nodeKind::ge || rootKind == nodeKind::gt)   ? 1
                   : (rootKind == nodeKind::le || rootKind == nodeKind::lt) ? 2
                                                                            : 0;
    normalizeConstraint(mainModel.fn, settings.optim);
    prepareModel(mainModel);
    for (auto& c : mainModel.constraints) {
        subtractRightSide(c.fn);
        prepareModel(c);
        if (settings.contract || settings.mean_value) prepareContraction(c);
    }
    linkGroups();
    buildNonUniformList(mainModel.fn);
}

void fstar::linkGroups() {
    for (auto& c : mainModel.constraints) {
        c.indexMap.clear();
        for (int i = 0; i < c.cellVariableCount(); ++i)
            c.indexMap.push_back(positionOf(c.cellVariable(i).name, mainModel.xp, mainModel.xi));
    }
    tree& t = mainModel.fn;
    t.xpSingles.clear();
    t.xiSingles.clear();
    for (std::size_t i = 0; i < mainModel.xp.size(); ++i)
        if (mainModel.xp[i].incidenceCount() == 1) t.xpSingles.push_back(static_cast<int>(i));
    for (std::size_t i = 0; i < mainModel.xi.size(); ++i)
        if (mainModel.xi[i].incidenceCount() == 1) t.xiSingles.push_back(static_cast<int>(i));
    t.hasSingles = !t.xpSingles.empty() || !t.xiSingles.empty();
}

bool fstar::allProper() const {
    for (int i = 0; i < mainModel.variableCount(); ++i)
        if (!isProper(mainModel.variableDomain(i))) return false;
    return true;
}

bool fstar::allImproper() const {
    for (int i = 0; i < mainModel.variableCount(); ++i)
        if (!isImproper(mainModel.variableDomain(i))) return false;
    return true;
}

namespace {

// The processor time of a run. Reading it is a system call that costs as
// much as a small step: a run whose limit cannot be reached and that writes
// no report (a constraint's run) never reads it, and a timed run reads it
// only once a millisecond of the monotonic clock (read in user space) has
// passed since its last reading, so that a limit is still seen within a
// millisecond or so. A run given a shared clock reads through it (at most
// once a millisecond over all the runs that share it).
class runClock {
public:
    runClock(const run_context& c, shared_clock* shared, bool timed, bool clocked)
        : context_(c), shared_(shared), timed_(timed), clocked_(clocked),
          start_(clocked ? now() : 0.0) {}
    // Whether the last reading is past `limit` (a new reading when one is due).
    bool passed(double limit) {
        if (!timed_) return false;
        if (shared_ != nullptr) {
            elapsed_ = shared_->seconds(context_) - start_;
        } else {
            const auto now = std::chrono::steady_clock::now();
            if (now - last_ >= std::chrono::milliseconds(1)) {
                last_ = now;
                elapsed_ = context_.seconds() - start_;
            }
        }
        return limit < elapsed_;
    }
    // Seconds since the start, read now (as last read, with a shared clock);
    // -1 for a run without clock.
    double total() { return clocked_ ? now() - start_ : -1.0; }
    // Seconds at the last reading.
    double lastReading() const noexcept { return elapsed_; }

private:
    double now() { return shared_ != nullptr ? shared_->seconds(context_) : context_.seconds(); }

    const run_context& context_;
    shared_clock* shared_;
    bool timed_;
    bool clocked_;
    double start_;
    std::chrono::steady_clock::time_point last_{}; // the first step reads the clock
    double elapsed_ = -1.0;
};

} // namespace

void fstar::run(box& /*plotBox*/, std::ostream& log) {
    const own_context guard(context, settings.memory_limit);
    run_context& ctx = *context;
    active_ = &ctx;
    const bool timed = settings.time_limit < kNoTimeLimit;
    runClock clock(ctx, settings.write_solution ? nullptr : sharedClock,
                   timed || settings.stop_when_stalled, timed || settings.write_solution);
    if (settings.quick_start && quickStart([&] { return clock.passed(settings.time_limit); })) {
        elapsedSeconds = clock.total();
        active_ = nullptr;
        return;
    }
    startRun(log);
    const int level = settings.debug;
    // Where the run would end, an exchange may have it go on with what the
    // other processes sent.
    auto goesOn = [&] {
        if (exchange == nullptr || !exchange->go_on(*this)) return false;
        updateFlag = true;
        return true;
    };
    for (;;) {
        if (agenda.empty()) {
            settings.stop_reason = floorReached_ ? "Floor" : "Empty Agenda";
            if (goesOn()) continue;
            break;
        }
        logLine(log, level, hashRule(54));
        if (level != 0) log << "Step Number:";
        if (level == 1) log << static_cast<double>(stepCount) << "\n";
        updateGlobalTwin(log);
        if (pointsOn_ && stepCount >= nextSearch_) {
            searchPoints();
            if (updateFlag) updateGlobalTwin(log);
        }
        const bool timeUp = clock.passed(settings.time_limit);
        if (loopEnds(timeUp, clock.lastReading(), log)) {
            if (goesOn()) continue;
            break;
        }
        selectAndCut(log);
        ++stepCount;
        if (settings.screen_out && screen != nullptr) printStepLine();
        if (onStep) onStep(*this);
        if (exchange != nullptr && exchange->after_step(*this)) break;
    }
    finishRun(log);
    elapsedSeconds = clock.total();
    active_ = nullptr;
    if (exchange != nullptr) exchange->finished(*this);
}

void fstar::resetRun() {
    // One strip of the last run is kept for its storage.
    if (spareStrips_.empty()) {
        if (!agenda.empty())
            spareStrips_.splice(spareStrips_.end(), agenda, agenda.begin());
        else if (!accumulatedStrips.empty())
            spareStrips_.splice(spareStrips_.end(), accumulatedStrips, accumulatedStrips.begin());
    }
    agenda.clear();
    wholeStrip_.clear();
    index_.clear();
    accumulatedStrips.clear();
    joinedMinCells.clear();
    joinedMaxCells.clear();
    gatheredMin = gatheredMax = false;
    joinedMinBoxes.clear();
    joinedMaxBoxes.clear();
    resetSelection();
    globalTwin = twin("dn");
    accumulatedTwin = twin("dd");
    updateFlag = true;
    makeNaN(globalTwin);
    makeNaN(accumulatedTwin);
    stepCount = 0;
    undefinedPoints = false;
    noSolution = false;
    removedByInclusion_ = false;
    floorReached_ = false;
    lastTwinChange_ = 0;
    std::fill(std::begin(lastTwin_), std::end(lastTwin_), kNaN);
    mainModel.fn.undefinedSeen = false;
}

void fstar::startRun(std::ostream& log) {
    const int level = settings.debug;
    resetRun();
    logLine(log, level, hashRule(56));
    logLine(log, level, "Fstar Algorithm");
    logLine(log, level, "Modal interval F* solver");
    logLine(log, level, hashRule(56));
    logLine(log, level, "Objective Function:");
    if (level == 1) {
        std::ostringstream text;
        printNode(mainModel.fn, mainModel.fn.root, text, true);
        logLine(log, level, text.str());
    }

    tree& t = mainModel.fn;
    mainModel.buildGroups();
    // The domains may have changed modality since the preparation (a
    // constraint solver is run on many boxes): relink the groups.
    linkGroups();
    t.groupEmpty = mainModel.xp.empty() || mainModel.xi.empty();
    markUniform(t);
    // Points bound the optimum only where every variable is universal.
    pointsOn_ = settings.mean_value && settings.logic_mode == inclusionStop::off &&
                (settings.optim == optimBound::lower || settings.optim == optimBound::upper ||
                 settings.optim == optimBound::both) &&
                allProper() && points_.prepare(mainModel);
    if (pointsOn_) bounds_.prepare(mainModel);
    pointLow_ = kInf;
    pointHigh_ = -kInf;
    nextSearch_ = 0;
    searchInterval_ = 1;
    searchEvaluations_ = 0;
    if (exchange == nullptr || exchange->plants_first_strip()) {
        plantFirstStrip();
        insertStrip(std::prev(agenda.end()), log);
    }
    updateGlobalTwin(log);
    modality = allProper() ? "Prop" : (allImproper() ? "Impr" : "Du");
}

void fstar::searchPoints() {
    const tree& t = mainModel.fn;
    const auto n = static_cast<std::size_t>(t.variableCount());
    // The searches make at most half as many evaluations (of a point each)
    // as the cells' evaluations of the objective (over a box, each with
    // derivatives besides): a run that ends in a few steps makes none.
    const int budget = 16 * static_cast<int>(n + 1);
    const int searches = settings.optim == optimBound::both ? 2 : 1;
    if (searchEvaluations_ + static_cast<std::uint64_t>(searches * budget) >
        t.evaluationCount / 2) {
        nextSearch_ = stepCount + searchInterval_;
        return;
    }
    // From the centre of the strip cut next, which holds the bound sought
    // (or of the whole domain), with steps of a quarter of its widths.
    const std::vector<variable>& xp = hasSelectedStrip ? selectedStrip->xp : mainModel.xp;
    pointSearch::point start(n, 0.0);
    std::vector<double> step(n, 0.0);
    for (std::size_t i = 0; i < xp.size() && i < t.xpMap.size(); ++i) {
        const auto v = static_cast<std::size_t>(t.xpMap[i]);
        if (v >= n) continue;
        start[v] = xp[i].domain.mid();
        step[v] = 0.25 * xp[i].domain.width();
    }
    bool improved = false;
    for (const bool lowest : {true, false}) {
        if (settings.optim == (lowest ? optimBound::upper : optimBound::lower)) continue;
        const pointSearch::result r = points_.descend(mainModel, start, step, lowest, budget);
        searchEvaluations_ += static_cast<std::uint64_t>(points_.evaluations());
        if (!r.found) continue;
        if (lowest ? r.value.sup() < pointLow_ : r.value.inf() > pointHigh_) {
            takePoint(r.value, lowest);
            improved = true;
        }
    }
    searchInterval_ = improved ? 1 : std::min<long>(2 * searchInterval_, 256);
    nextSearch_ = stepCount + searchInterval_;
}

bool fstar::selectBestLeft() {
    // The bounds sought may rest on points and on pieces taken off the
    // agenda, which no strip left defines; the strips left may still hold
    // points where the constraints hold and the objective is nearer the
    // optimum. The one whose outer bound reaches furthest is cut next (for
    // both ends, the one of largest distance).
    stripIter best = agenda.end();
    double key = -kInf;
    for (auto it = agenda.begin(); it != agenda.end(); ++it) {
        const twin& tw = it->tw;
        const double k = settings.optim == optimBound::lower   ? -tw.getOut().inf()
                         : settings.optim == optimBound::upper ? tw.getOut().sup()
                                                               : tw.getTol();
        if (best == agenda.end() || k > key) {
            best = it;
            key = k;
        }
    }
    if (best == agenda.end()) return false;
    selectedStrip = best;
    hasSelectedStrip = true;
    selectedCandidate = -1;
    return true;
}

void fstar::takePoint(const ivalDb& value, bool lowest) {
    if (lowest)
        pointLow_ = value.sup();
    else
        pointHigh_ = value.inf();
    // The point is a piece of the domain of zero width: the dual of its
    // enclosure is its inner approximation, and it joins the inner bound of
    // the pieces taken off the agenda.
    accumulatedTwin.setInn(join(accumulatedTwin.getInn(), dual(value)));
    updateFlag = true;
}

bool fstar::contractStrip(strip& s) {
    // The bounds sought that are known: an upper bound of the minimum and a
    // lower bound of the maximum, from the points and the inner
    // approximation (whose ends are values the objective takes). With both
    // ends sought, a strip is narrowed by the objective only once both are
    // known: until then any of its values may be an end.
    const ivalDb inn = globalTwin.getInn();
    const double upper = std::fmin(pointLow_, std::isnan(inn.inf()) ? kInf : inn.inf());
    const double lower = std::fmax(pointHigh_, std::isnan(inn.sup()) ? -kInf : inn.sup());
    const bool lowSought = settings.optim != optimBound::upper;
    const bool highSought = settings.optim != optimBound::lower;
    const bool known = (!lowSought || upper < kInf) && (!highSought || lower > -kInf);
    const double upTo = known && lowSought ? upper : kNaN;
    const double downTo = known && highSought ? lower : kNaN;
    if (!bounds_.contract(mainModel, s.xp, mainModel.fn.xpMap, upTo, downTo)) {
        if (known) removedByInclusion_ = true;
        return false;
    }
    for (std::list<cell>* group : {&s.cells, &s.warehouse})
        for (cell& c : *group)
            for (std::size_t i = 0; i < c.xp.size() && i < s.xp.size(); ++i)
                c.xp[i].domain = s.xp[i].domain;
    return true;
}

void fstar::dropStrip(stripIter s) {
    if (!spareStrips_.empty()) {
        agenda.erase(s);
        return;
    }
    spareStrips_.splice(spareStrips_.end(), agenda, s);
    spareStrips_.front().keepOneCell();
}

void fstar::addStrip(std::span<const double> xp, std::ostream& log) {
    // Copies of the strip of the whole domain, made once.
    if (wholeStrip_.empty()) {
        wholeStrip_.emplace_back();
        wholeStrip_.back().restart(mainModel, spareVariables_);
    }
    agenda.push_back(wholeStrip_.front());
    strip& s = agenda.back();
    // The strip's Xp variables and its cell's copy of them.
    for (std::vector<variable>* group : {&s.xp, &s.cells.front().xp})
        for (std::size_t i = 0; i < group->size() && 2 * i + 1 < xp.size(); ++i)
            (*group)[i].domain = ivalDb::exact(xp[2 * i], xp[2 * i + 1]);
    s.needsUpdate = true;
    resetSelection();
    insertStrip(std::prev(agenda.end()), log);
    updateFlag = true;
}

std::size_t fstar::giveStrips(std::size_t count, std::vector<double>& out) {
    if (count == 0 || agenda.size() < 2) return 0;
    // Only strips that still need cuts are worth handing over: those whose
    // outer bound lies beyond the inner approximation by more than the
    // tolerance on a bound sought; every other one of them, furthest first,
    // so that this run keeps as good a share.
    if (index_.size() != agenda.size()) reindex();
    std::vector<stripIter>& open = giving_;
    open.clear();
    index_.open(globalTwin.getInn(), settings.tolerance, settings.optim, 2 * count, open);
    resetSelection();
    std::size_t given = 0;
    for (std::size_t i = 1; i < open.size() && given < count; i += 2, ++given) {
        const stripIter s = open[i];
        for (const variable& v : s->xp) {
            out.push_back(v.domain.inf());
            out.push_back(v.domain.sup());
        }
        index_.forget(*s);
        dropStrip(s);
    }
    updateFlag = true;
    return given;
}

void fstar::plantFirstStrip() {
    if (spareStrips_.empty())
        agenda.emplace_back();
    else
        agenda.splice(agenda.end(), spareStrips_, spareStrips_.begin());
    agenda.back().restart(mainModel, spareVariables_);
}

bool fstar::stalled(double seconds) {
    // A run that shares its domain watches its own strips: what the others
    // find moves its global twin whether or not its own strips get anywhere.
    const twin& g = exchange != nullptr ? localTwin_ : globalTwin;
    const double now[4] = {g.getInn().inf(), g.getInn().sup(), g.getOut().inf(), g.getOut().sup()};
    if (std::memcmp(now, lastTwin_, sizeof now) != 0) {
        std::memcpy(lastTwin_, now, sizeof now);
        lastTwinChange_ = stepCount;
    }
    const long still = stepCount - lastTwinChange_;
    return (still >= kStallSteps && still >= lastTwinChange_) || seconds > kStallSeconds;
}

bool fstar::loopEnds(bool timeUp, double seconds, std::ostream& log) {
    const int level = settings.debug;
    if (!hasSelectedStrip && !(pointsOn_ && selectBestLeft())) {
        logLine(log, level, "No Strip Matching");
        settings.stop_reason = floorReached_ ? "Floor" : "Matching";
        return true;
    }
    const double tolAsked = settings.tolerance;
    if ((settings.optim == optimBound::lower && !(globalTwin.lowerDistance() > tolAsked)) ||
        (settings.optim == optimBound::upper && !(globalTwin.upperDistance() > tolAsked)) ||
        !(globalTwin.getTol() > tolAsked)) {
        logLine(log, level, "Distance < Tol");
        settings.stop_reason = "Tolerance";
        return true;
    }
    if (timeUp) {
        logLine(log, level, "TimeLimit Exceded");
        settings.stop_reason = "Time";
        return true;
    }
    if (active_->memoryPassed(memoryCalls_)) {
        logLine(log, level, "MemoryLimit Exceded");
        settings.stop_reason = "Memory";
        return true;
    }
    if (active_->cancelled()) {
        logLine(log, level, "Run Cancelled");
        settings.stop_reason = "Cancelled";
        return true;
    }
    if (settings.logic_mode != inclusionStop::off && stopByInclusion()) {
        logLine(log, level, "Stop By Inclusion");
        return true;
    }
    // A verdict over points where the objective has no value cannot be
    // drawn, however far the run goes.
    if (settings.logic_mode != inclusionStop::off && mainModel.fn.undefinedSeen) {
        logLine(log, level, "Stop By Undefined Points");
        return true;
    }
    if (settings.step_limit > 0 && stepCount >= settings.step_limit) {
        logLine(log, level, "Step Limit Reached");
        settings.stop_reason = "Steps";
        return true;
    }
    if (settings.stop_when_stalled && stalled(seconds)) {
        logLine(log, level, "Stop: Global Twin Stalled");
        settings.stop_reason = "Stalled";
        return true;
    }
    return false;
}

void fstar::dropInnerClaimsAcrossGaps() {
    // An inner approximation over a domain with undefined points could
    // reach across a gap of the range: it claims nothing. One bound of it
    // still holds where every variable is universal: the inner bound of a
    // minimum (maximum) is a value the function takes at a defined point.
    const ivalDb inn = globalTwin.getInn();
    const bool proper = allProper();
    globalTwin.setInn(
        ivalDb::exact(proper && settings.optim == optimBound::lower ? inn.inf() : kNaN,
                      proper && settings.optim == optimBound::upper ? inn.sup() : kNaN));
}

void fstar::finishRun(std::ostream& log) {
    const int level = settings.debug;
    updateFlag = true;
    updateGlobalTwin(log);
    // With an exchange, the run's reason is the whole computation's, which
    // the exchange knows.
    if (agenda.empty() && exchange == nullptr) {
        logLine(log, level, "Empty Agenda");
        settings.stop_reason = floorReached_ ? "Floor" : "Empty Agenda";
    }
    undefinedPoints = mainModel.fn.undefinedSeen;
    noSolution = !mainModel.constraints.empty() && agenda.empty() && accumulatedStrips.empty() &&
                 !removedByInclusion_;
    if (settings.logic_mode == inclusionStop::withVerdict) settings.logic_result = logicVerdict();
    if (undefinedPoints) dropInnerClaimsAcrossGaps();
    if (settings.minmax_mode) minmaxPostProcess();
}

void fstar::updateGlobalTwin(std::ostream& log) {
    const int level = settings.debug;
    // The index follows every change the loop makes; a caller that changed
    // the agenda directly gets it rebuilt.
    if (index_.size() != agenda.size()) reindex();
    if (!updateFlag) {
        logLine(log, level, "No Update Global Twin:");
    } else {
        logLine(log, level, "Action: Update Global Twin");
        logLine(log, level, "Previous Update Global Twin");
        globalTwin.print(log, level);
        globalTwin = accumulatedTwin;
        logLine(log, level, "Accumulated Twin");
        accumulatedTwin.print(log, level);
        logLine(log, level, "Strip's List");
        if (level == 1)
            for (const strip& s : agenda)
                s.dump(log, level, false);
        globalTwin.setInn(index_.joinedInn(accumulatedTwin.getInn()));
        globalTwin.setOut(index_.joinedOut(accumulatedTwin.getOut()));
        if (exchange != nullptr) {
            localTwin_ = globalTwin;
            globalTwin.setInn(join(globalTwin.getInn(), remoteTwin.getInn()));
            globalTwin.setOut(join(globalTwin.getOut(), remoteTwin.getOut()));
        }
        globalTwin.computeTol();
        logLine(log, level, "Updated Global Twin:");
        globalTwin.print(log, level);
    }
    eliminateAndSelect(log);
}

bool fstar::inclusionTest(const strip& s) const {
    return inclusionTest(s.tw);
}

bool fstar::inclusionTest(const twin& s) const {
    const ivalDb& gInn = globalTwin.getInn();
    switch (settings.optim) {
    case optimBound::lower:
        return !std::isnan(gInn.inf()) && gInn.inf() < s.getOut().inf();
    case optimBound::upper:
        return !std::isnan(gInn.sup()) && gInn.sup() > s.getOut().sup();
    default:
        return isInterior(s.getOut(), gInn);
    }
}

void fstar::rebuildByScan(std::vector<agendaIndex::removedStrip>& removed) {
    const twin& g = globalTwin;
    for (auto it = agenda.begin(); it != agenda.end(); ++it) {
        const twin& s = it->tw;
        if (it->consistencyMark == consistencyState::inconsistent) {
            removed.push_back({it, agendaIndex::removal::inconsistent});
            continue;
        }
        if (inclusionTest(s)) {
            removed.push_back({it, agendaIndex::removal::inclusion});
            continue;
        }
        if (definesBound(s, g, settings.optim)) candidates.push_back(it);
    }
}

void fstar::eliminateAndSelect(std::ostream& log) {
    const int level = settings.debug;
    if (updateFlag || candidates.empty()) {
        resetSelection();
        if (index_.size() != agenda.size()) reindex();
        // The candidates are chosen by the distance on the bound(s) sought:
        // bring the tolerance of every strip changed since the last rebuild
        // to it.
        auto boundTol = [this](strip& s) {
            if (settings.optim == optimBound::lower)
                s.tw.computeLowerTol();
            else if (settings.optim == optimBound::upper)
                s.tw.computeUpperTol();
        };
        index_.forEachRecordedSince(boundTol);
        std::vector<agendaIndex::removedStrip>& removed = removed_;
        removed.clear();
        if (agendaIndex::answers(globalTwin, settings.optim))
            index_.rebuild(globalTwin, settings.optim, removed, candidates);
        else
            rebuildByScan(removed);
        for (const auto& r : removed) {
            if (r.reason == agendaIndex::removal::inconsistent) {
                logLine(log, level, "Eliminate Strip: Consistency");
            } else {
                removedByInclusion_ = true;
                logLine(log, level, "Eliminate Strip: Inclusion");
                r.it->dump(log, level, false);
            }
            index_.forget(*r.it);
            dropStrip(r.it);
        }
    }
    hasSelectedStrip = false;
    selectedCandidate = -1;
    if (candidates.empty()) return;
    selectedCandidate = firstLargestTolerance(candidates);
    selectedStrip = candidates[static_cast<std::size_t>(selectedCandidate)];
    hasSelectedStrip = true;
}

std::uint8_t fstar::logicVerdict() const {
    // A verdict that depends on points where the function has no value is
    // not drawn.
    if (undefinedPoints) return 2;
    if (relationHolds(globalTwin.getOut())) return 1;
    if (relationHolds(globalTwin.getInn())) return 2;
    return 0;
}

bool fstar::stopByInclusion() const {
    const ivalDb& out = globalTwin.getOut();
    const ivalDb& inn = globalTwin.getInn();
    switch (settings.logic_mode) {
    case inclusionStop::withVerdict:
    case inclusionStop::withoutVerdict:
        return (isThick(out) && relationHolds(out)) || (isThick(inn) && !relationHolds(inn));
    case inclusionStop::properOuter:
        return isProper(out);
    case inclusionStop::improperOuter:
        return isImproper(out);
    default:
        return false;
    }
}

void fstar::eraseSelectedCandidate() {
    if (selectedCandidate >= 0 && selectedCandidate < static_cast<int>(candidates.size()))
        candidates.erase(candidates.begin() + selectedCandidate);
    selectedCandidate = -1;
}

void fstar::selectAndCut(std::ostream& log) {
    const int level = settings.debug;
    strip* s = hasSelectedStrip ? &*selectedStrip : nullptr;
    cell* c = (s != nullptr && s->hasSelectedCell) ? &*s->selectedCell : nullptr;
    if (s != nullptr) {
        logLine(log, level, "Selected Strip");
        s->dump(log, level, false);
    }
    if (c != nullptr) {
        logLine(log, level, "Selected Cell");
        c->printBox(log, level);
    }
    const double stripWidth = s != nullptr ? s->width() : -kInf;
    const double cellWidth = c != nullptr ? c->width() : -kInf;
    if (s == nullptr) return;
    const bool atEpsilon = settings.epsilon >= stripWidth && settings.epsilon >= cellWidth;
    // The piece the cut would narrow: the strip, or its selected cell.
    const bool stripNext = stripWidth >= cellWidth;
    // A piece where the function has no value at all (no outer bound) holds
    // nothing to refine.
    const bool noValue = !atEpsilon && isNaN(stripNext ? s->tw.getOut() : c->tw.getOut());
    const bool atFloor = !atEpsilon && !noValue && atRoundingFloor(*s, stripNext ? nullptr : c);
    if (atFloor || noValue) {
        floorReached_ = floorReached_ || atFloor;
        if (stripNext) {
            logLine(log, level, "Accumulate Strip: Rounding Floor");
            const stripIter it = selectedStrip;
            eraseSelectedCandidate();
            hasSelectedStrip = false;
            accumulateStrip(it);
        } else {
            logLine(log, level, "Accumulate Cell: Rounding Floor");
            c->settled = true;
            settleSelectedCell(*s, log);
        }
        updateFlag = false;
    } else if (atEpsilon) {
        if (c != nullptr) {
            logLine(log, level, "Accumulate for Epsilon (Width < Epsilon)");
            settleSelectedCell(*s, log);
            updateFlag = false;
        } else {
            logLine(log, level, "Accumulate Strip: No Cell Matching");
            const stripIter it = selectedStrip;
            eraseSelectedCandidate();
            hasSelectedStrip = false;
            accumulateStrip(it);
            updateFlag = false;
        }
    } else if (!(stripWidth >= cellWidth)) {
        logLine(log, level, "Action: Bisect Cell Xi");
        s->bisectSelectedCell(mainModel, settings, log);
        s->update(mainModel, false, settings, log);
        index_.record(selectedStrip);
        logLine(log, level, "Updated Selected Strip:");
        s->dump(log, level, true);
        // A cut changes the strips' twins: the global twin must follow, or
        // the distance test would keep reading a stale twin.
        updateFlag = true;
    } else {
        logLine(log, level, "Action: Bisect Strip Xp");
        const stripIter it = selectedStrip;
        eraseSelectedCandidate();
        hasSelectedStrip = false;
        cutStrip(it, log);
        updateFlag = true;
    }
}

void fstar::settleSelectedCell(strip& s, std::ostream& log) {
    s.warehouse.splice(s.warehouse.end(), s.cells, s.selectedCell);
    s.needsUpdate = false;
    if (s.selectedCellCandidate >= 0 &&
        s.selectedCellCandidate < static_cast<int>(s.cellCandidates.size()))
        s.cellCandidates.erase(s.cellCandidates.begin() + s.selectedCellCandidate);
    s.hasSelectedCell = false;
    s.selectedCellCandidate = -1;
    s.processCells(settings, log);
}

namespace {

// A cut that narrows a piece's tolerance by less than this fraction leaves
// the piece a suspect of the rounding floor.
constexpr double kStalledCut = 0.9;

// The tolerance of a twin on the bounds `optim` asks for.
double boundTolerance(const twin& t, optimBound optim) noexcept {
    switch (optim) {
    case optimBound::lower:
        return t.lowerDistance();
    case optimBound::upper:
        return t.upperDistance();
    default:
        return t.getTol();
    }
}

} // namespace

double fstar::pointTolerance(const strip& s, const cell* c) {
    cell probe;
    probe.xp = s.xp;
    probe.xi = c != nullptr ? c->xi : s.xi;
    for (std::vector<variable>* group : {&probe.xp, &probe.xi})
        for (variable& v : *group) {
            const double m = v.domain.mid();
            v.domain = ivalDb::exact(m, m);
        }
    std::vector<variable> xp = probe.xp;
    tree& t = mainModel.fn;
    // The probe's point lies in the piece: it shows no undefined point that
    // the piece's own evaluation did not.
    const bool undefinedSeen = t.undefinedSeen;
    probe.evaluate(t, {xp, probe.xi, 0, false}, settings.mean_value);
    t.undefinedSeen = undefinedSeen;
    return boundTolerance(probe.tw, settings.optim);
}

bool fstar::atRoundingFloor(const strip& s, const cell* c) {
    // A run that decides a statement stops on its verdict, not on Tol: a
    // point where the function is exact (a zero reached through every
    // subnormal) may still decide it.
    if (settings.logic_mode != inclusionStop::off) return false;
    const twin& tw = c != nullptr ? c->tw : s.tw;
    const double tol = boundTolerance(tw, settings.optim);
    const double cutFrom = c != nullptr ? c->cutFromTol : s.cutFromTol;
    // Only a piece whose last cut hardly narrowed it is looked at closer.
    if (!std::isfinite(tol) || !(tol >= kStalledCut * cutFrom)) return false;
    const double floor = pointTolerance(s, c);
    return floor > 0.0 && tol <= 2.0 * floor;
}

void fstar::accumulateStrip(stripIter s) {
    if (s->joinFlag) accumulatedTwin.setInn(join(accumulatedTwin.getInn(), s->tw.getInn()));
    accumulatedTwin.setOut(join(accumulatedTwin.getOut(), s->tw.getOut()));
    index_.forget(*s);
    accumulatedStrips.splice(accumulatedStrips.end(), agenda, s);
}

void fstar::insertStrip(stripIter s, std::ostream& log) {
    const int level = settings.debug;
    logLine(log, level, "Action: Strip Insertion?");
    if (pointsOn_ && !contractStrip(*s)) {
        logLine(log, level, "Eliminate Strip: Contraction");
        index_.forget(*s);
        dropStrip(s);
        return;
    }
    s->update(mainModel, true, settings, log);
    s->dump(log, level, false);
    if (s->consistencyMark == consistencyState::inconsistent || inclusionTest(*s)) {
        if (s->consistencyMark != consistencyState::inconsistent) removedByInclusion_ = true;
        logLine(log, level, "Eliminate Strip: Inclusion");
        index_.forget(*s);
        dropStrip(s);
        return;
    }
    if (s->consistencyMark == consistencyState::consistent && s->allMonotonic()) {
        logLine(log, level, "Accumulate Strip: Monotony");
        accumulateStrip(s);
        return;
    }
    index_.record(s);
    logLine(log, level, "Insert Strip");
}

void fstar::cutStrip(stripIter s, std::ostream& log) {
    const int level = settings.debug;
    const int dim = s->bisectDim;
    logLine(log, level, "Bisected Strip Dim:");
    if (level == 1) log << static_cast<double>(dim) << "\n";
    if (dim < 0 || dim >= static_cast<int>(s->xp.size())) return;
    const ivalDb x = s->xp[static_cast<std::size_t>(dim)].domain;
    const int n = piecesFor(x, settings.bisect);
    const double step = x.width() / n;
    double lo = x.inf();
    s->cutFromTol = s->tw.getTol();
    for (int i = 0; i < n - 1; ++i) {
        const stripIter added = agenda.insert(agenda.end(), *s);
        added->xp[static_cast<std::size_t>(dim)].domain = ivalDb::exact(lo, lo + step);
        added->needsUpdate = true;
        insertStrip(added, log);
        lo += step;
    }
    s->xp[static_cast<std::size_t>(dim)].domain = ivalDb::exact(lo, x.sup());
    insertStrip(s, log);
}

void fstar::printStepLine() {
    std::ostream& out = *screen;
    out << "Step:" << stepCount << " ";
    switch (settings.optim) {
    case optimBound::lower:
        out << (modality == "Prop"   ? "Min: "
                : modality == "Impr" ? "Max: "
                                     : "MinMax: ")
            << globalTwin.minTwin() << " Tol: " << globalTwin.lowerDistance() << "\n";
        break;
    case optimBound::upper:
        out << (modality == "Prop"   ? "Max: "
                : modality == "Impr" ? "Min: "
                                     : "MaxMin: ")
            << globalTwin.maxTwin() << " Tol: " << globalTwin.upperDistance() << "\n";
        break;
    default:
        out << "Twin: " << globalTwin << "\n";
        break;
    }
}

} // namespace modal
