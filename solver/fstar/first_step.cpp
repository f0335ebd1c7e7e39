// The quick start of a run that ends before its first cut.
//
// A constraint's solver makes a run for every box of a paving and every piece
// of a shaving, and most of those runs end before they cut anything: the one
// strip over the whole box (with its one cell) proves or refutes the relation
// at once, or is accumulated as monotonic. Such a run spends most of its time
// on what it never uses: grouping the variables anew with their names, the
// strip and cell lists, the agenda's index, three updates of the global twin.
// The quick start computes the first strip with the functions the run uses
// (derivative sums, the uniform monotonicity test, the cell's evaluation, the
// same meets and joins) in storage kept from run to run, and takes the
// decisions the run takes before its first cut, in the same order: so it ends
// with the same results, bit for bit. Where the run would cut, or would take a
// path the quick start does not follow, the run is made in full from its
// beginning.
#include <cmath>

#include "solver/fstar/fstar.h"
#include "solver/fstar/selection.h"
#include "solver/model/derivatives.h"

namespace modal {

namespace {

// A variable as the run's grouping makes it, without its name: the quick
// strip prints nothing.
void renewGroup(std::vector<variable>& group, const std::vector<int>& map, const tree& t) {
    for (std::size_t k = 0; k < map.size(); ++k) {
        const auto i = static_cast<std::size_t>(map[k]);
        group[k].renew(static_cast<int>(t.vars[i].size()), t.varNodes[i].value);
    }
}

bool allTotallyMonotonic(const std::vector<variable>& group) noexcept {
    for (const variable& v : group)
        if (!v.totalMono) return false;
    return true;
}

} // namespace

bool fstar::quickStart(const std::function<bool()>& timeUp) {
    // Runs that log, report, gather extremes, watch for stalls or check
    // constraints on their cells are made in full.
    if (settings.debug != 0 || settings.write_solution || settings.minmax_mode ||
        settings.stop_when_stalled || settings.logic_mode == inclusionStop::off ||
        !mainModel.constraints.empty() || mainModel.fn.root == noNode)
        return false;
    tree& t = mainModel.fn;

    resetRun();

    // The grouping by the modality of the domains (as model::buildGroups and
    // linkGroups make it), into the quick strip's variables.
    t.xpMap.clear();
    t.xiMap.clear();
    for (int i = 0; i < t.variableCount(); ++i)
        (isProper(t.varNodes[static_cast<std::size_t>(i)].value) ? t.xpMap : t.xiMap).push_back(i);
    resizeGroups(quickXp_, quickXi_, t.xpMap.size(), t.xiMap.size(), spareVariables_);
    renewGroup(quickXp_, t.xpMap, t);
    renewGroup(quickXi_, t.xiMap, t);
    t.xpSingles.clear();
    t.xiSingles.clear();
    for (std::size_t i = 0; i < quickXp_.size(); ++i)
        if (quickXp_[i].incidenceCount() == 1) t.xpSingles.push_back(static_cast<int>(i));
    for (std::size_t i = 0; i < quickXi_.size(); ++i)
        if (quickXi_[i].incidenceCount() == 1) t.xiSingles.push_back(static_cast<int>(i));
    t.hasSingles = !t.xpSingles.empty() || !t.xiSingles.empty();
    t.groupEmpty = quickXp_.empty() || quickXi_.empty();
    markUniform(t);

    // The first strip's full update (strip::update): derivatives over the
    // whole box, their sums, the uniform monotonicity test.
    const std::uint8_t treeFlag = stripDerivatives(t, quickXp_, quickXi_);

    // Its one cell, made as the model's initial cell (no constraint to check:
    // consistent), evaluated over the strip's box.
    {
        std::vector<variable> xp = std::move(quickCell_.xp);
        std::vector<variable> xi = std::move(quickCell_.xi);
        quickCell_ = cell();
        resizeGroups(xp, xi, t.xpMap.size(), t.xiMap.size(), spareVariables_);
        renewGroup(xp, t.xpMap, t);
        renewGroup(xi, t.xiMap, t);
        quickCell_.xp = std::move(xp);
        quickCell_.xi = std::move(xi);
    }
    cell& c = quickCell_;
    c.consistency = consistencyState::consistent;
    c.evaluate(t, {quickXp_, quickXi_, treeFlag, true}, settings.mean_value);

    // The strip's twin: the cell merged into NaN bounds.
    twin strip;
    strip.setInn(meet(ivalNaN(), c.tw.getInn()));
    strip.setOut(meet(ivalNaN(), c.tw.getOut()));
    strip.computeTol();
    const bool stripUndefined = c.undefinedPoints;

    // Strip insertion: excluded by the (NaN) global twin, accumulated as
    // monotonic, or put on the agenda.
    if (inclusionTest(strip)) return false;
    const bool inAgenda =
        stripUndefined || !allTotallyMonotonic(quickXp_) || !allTotallyMonotonic(quickXi_);
    if (!inAgenda) {
        accumulatedTwin.setInn(join(accumulatedTwin.getInn(), strip.getInn()));
        accumulatedTwin.setOut(join(accumulatedTwin.getOut(), strip.getOut()));
    }

    // The global twin's update, and the candidate rebuild over the strip.
    globalTwin = accumulatedTwin;
    if (inAgenda) {
        globalTwin.setInn(join(accumulatedTwin.getInn(), strip.getInn()));
        globalTwin.setOut(join(accumulatedTwin.getOut(), strip.getOut()));
    }
    globalTwin.computeTol();
    modality = allProper() ? "Prop" : (allImproper() ? "Impr" : "Du");

    if (!inAgenda) {
        settings.stop_reason = "Empty Agenda";
    } else {
        if (settings.optim == optimBound::lower)
            strip.computeLowerTol();
        else if (settings.optim == optimBound::upper)
            strip.computeUpperTol();
        if (inclusionTest(strip)) return false;
        const bool selected = definesBound(strip, globalTwin, settings.optim);
        // The first step's stop tests, in the loop's order.
        const bool late = timeUp();
        const double tolAsked = settings.tolerance;
        if (!selected) {
            settings.stop_reason = "Matching";
        } else if ((settings.optim == optimBound::lower &&
                    !(globalTwin.lowerDistance() > tolAsked)) ||
                   (settings.optim == optimBound::upper &&
                    !(globalTwin.upperDistance() > tolAsked)) ||
                   !(globalTwin.getTol() > tolAsked)) {
            settings.stop_reason = "Tolerance";
        } else if (late) {
            settings.stop_reason = "Time";
        } else if (stopByInclusion() || t.undefinedSeen) {
            // The memory and cancel tests come first; a stop by inclusion
            // keeps the stop reason.
            if (active_->memoryPassed(memoryCalls_))
                settings.stop_reason = "Memory";
            else if (active_->cancelled())
                settings.stop_reason = "Cancelled";
        } else {
            // The run goes on (or stops on its memory or cancel test, which
            // the run itself makes).
            return false;
        }
    }

    // The end of the run (finishRun): the global twin is what it was.
    undefinedPoints = t.undefinedSeen;
    if (settings.logic_mode == inclusionStop::withVerdict) settings.logic_result = logicVerdict();
    if (undefinedPoints) dropInnerClaimsAcrossGaps();
    return true;
}

} // namespace modal
