// MinMax post-processing: the cells that can hold the extreme, merged into
// joined boxes and evaluated in the modes "MinMax" and "MaxMin".
#include <iterator>
#include <span>

#include "solver/fstar/fstar.h"
#include "solver/fstar/selection.h"
#include "solver/model/derivatives.h"

namespace modal {

namespace {

// Order by the Xp intervals: at the first Xp variable where two cells
// differ, the smaller inf (then the smaller sup) comes first.
bool xpBefore(const cell& a, const cell& b) {
    const auto& pa = a.xp;
    const auto& pb = b.xp;
    const std::size_t n = std::min(pa.size(), pb.size());
    for (std::size_t i = 0; i < n; ++i) {
        const ivalDb& x = pa[i].domain;
        const ivalDb& y = pb[i].domain;
        if (x.inf() != y.inf()) return x.inf() < y.inf();
        if (x.sup() != y.sup()) return x.sup() < y.sup();
    }
    return false;
}

bool touches(const std::vector<variable>& q, const std::vector<variable>& p) {
    for (std::size_t i = 0; i < q.size(); ++i)
        if (!isProper(meet(prop(q[i].domain), prop(p[i].domain)))) return false;
    return true;
}

// Two cells overlap or share an end point in every variable.
bool touches(const cell& q, const cell& p) {
    return q.xp.size() == p.xp.size() && q.xi.size() == p.xi.size() && touches(q.xp, p.xp) &&
           touches(q.xi, p.xi);
}

// A gathered cell with the Xp variables of the strip that holds it.
cell detached(const cell& c, const strip& s) {
    cell copy = c;
    copy.xp = s.xp;
    return copy;
}

} // namespace

void fstar::minmaxPostProcess() {
    gatherMinMaxCells();
    // The boxes the report lists, joined from the gathered cells.
    if (settings.optim == optimBound::both) return;
    buildJoinedBoxes(true);
    buildJoinedBoxes(false);
}

void fstar::importCell(std::span<const double> bounds, const twin& tw, bool lower) {
    cell& c = (lower ? importedMinCells : importedMaxCells).emplace_back();
    c.makeInitial(mainModel, spareVariables_);
    std::size_t at = 0;
    for (std::vector<variable>* group : {&c.xp, &c.xi})
        for (variable& v : *group) {
            if (at + 1 >= bounds.size()) break;
            v.domain = ivalDb::exact(bounds[at], bounds[at + 1]);
            at += 2;
        }
    c.tw = tw;
}

void fstar::gatherMinMaxCells() {
    joinedMinCells.clear();
    joinedMaxCells.clear();
    const twin& g = globalTwin;
    const bool one = settings.optim != optimBound::both;
    auto wanted = [&](const cell& c, bool lower) {
        // A cell where the function has no value cannot hold the extreme.
        if (isNaN(c.tw.getOut())) return false;
        return lower
                   ? settings.optim != optimBound::upper && intersects(c.tw.minTwin(), g.minTwin())
                   : settings.optim != optimBound::lower && intersects(c.tw.maxTwin(), g.maxTwin());
    };
    auto gather = [&](strip& s) {
        if (isInterior(s.tw.getOut(), g.getInn())) return;
        for (auto* list : {&s.cells, &s.warehouse}) {
            for (auto c = list->begin(); c != list->end();) {
                const bool lower = wanted(*c, true), upper = wanted(*c, false);
                if (one && (lower || upper)) {
                    // One bound sought: the run is over, the cell moves (with
                    // the Xp variables of its strip) instead of being copied.
                    c->xp = s.xp;
                    c->outInsideZero = c->innOutsideZero = false;
                    std::list<cell>& into = lower ? joinedMinCells : joinedMaxCells;
                    const auto next = std::next(c);
                    into.splice(into.end(), *list, c);
                    c = next;
                    continue;
                }
                if (lower) joinedMinCells.push_back(detached(*c, s));
                if (upper) joinedMaxCells.push_back(detached(*c, s));
                ++c;
            }
        }
    };
    for (strip& s : agenda)
        gather(s);
    for (strip& s : accumulatedStrips)
        gather(s);
    // What other processes gathered, already joined.
    joinedMinCells.insert(joinedMinCells.end(), importedMinCells.begin(), importedMinCells.end());
    joinedMaxCells.insert(joinedMaxCells.end(), importedMaxCells.begin(), importedMaxCells.end());
    gatheredMin = importedMin || !joinedMinCells.empty();
    gatheredMax = importedMax || !joinedMaxCells.empty();
    if (joinedMinCells.size() > 1) joinedMinCells.sort(xpBefore);
    if (joinedMaxCells.size() > 1) joinedMaxCells.sort(xpBefore);
}

void fstar::buildJoinedBoxes(bool lower) {
    std::list<cell>& cells = lower ? joinedMinCells : joinedMaxCells;
    std::list<cell>& boxes = lower ? joinedMinBoxes : joinedMaxBoxes;
    const ivalDb bound = lower ? globalTwin.minTwin() : globalTwin.maxTwin();
    joinTouchingCells(cells);
    while (!cells.empty()) {
        const auto q = cells.begin();
        q->consistency = q->check(mainModel, settings.contract);
        evaluateMinMax(*q, lower);
        if (!isNaN(q->tw.getOut()) && intersects(q->tw.getOut(), bound))
            boxes.splice(boxes.end(), cells, q);
        else
            cells.erase(q);
    }
    if (boxes.size() > 1) boxes.sort(xpBefore);
}

void fstar::joinTouchingCells(std::list<cell>& cells) {
    std::list<cell> joined;
    while (!cells.empty()) {
        // The first cell takes in every cell that touches it, as it grows,
        // until none is left that does. A cell that touches the box touches
        // it still once the box has grown, so the box is the same whatever
        // the order the cells are taken in: each pass takes all it meets.
        // The cells are in the order of their first Xp interval: past the
        // first that starts beyond the box's end there, none touches it.
        auto q = cells.begin();
        bool merged = true;
        while (merged) {
            merged = false;
            for (auto p = std::next(q); p != cells.end();) {
                if (!q->xp.empty() && p->xp[0].domain.inf() > q->xp[0].domain.sup()) break;
                if (!touches(*q, *p)) {
                    ++p;
                    continue;
                }
                for (std::size_t i = 0; i < q->xp.size(); ++i)
                    q->xp[i].domain = join(q->xp[i].domain, p->xp[i].domain);
                for (std::size_t i = 0; i < q->xi.size(); ++i)
                    q->xi[i].domain = meet(q->xi[i].domain, p->xi[i].domain);
                p = cells.erase(p);
                merged = true;
            }
        }
        joined.splice(joined.end(), cells, q);
    }
    cells.swap(joined);
}

void fstar::evaluateMinMax(cell& q, bool minmax) {
    tree& t = mainModel.fn;
    for (auto& v : q.xi)
        v.domain = prop(v.domain);
    q.bindTo(t, q.xp);
    q.derivativeSums(t, varGroup::Full);
    q.bisectDim =
        widestCuttable(q.xi, q.consistency == consistencyState::consistent, q.treeFlag != 0);
    if (q.consistency == consistencyState::consistent) {
        // Shrink each monotonic variable to the end where the extreme lies.
        auto low = [](const ivalDb& d) { return ivalDb::exact(d.inf(), nextUpN(d.inf(), 2)); };
        auto high = [](const ivalDb& d) { return ivalDb::exact(nextDownN(d.sup(), 2), d.sup()); };
        auto shrink = [&](std::vector<variable>& vars, bool lowOnIncreasing) {
            for (auto& v : vars) {
                if (v.globalSign == 1)
                    v.domain = lowOnIncreasing ? low(v.domain) : high(v.domain);
                else if (v.globalSign == -1)
                    v.domain = lowOnIncreasing ? high(v.domain) : low(v.domain);
            }
        };
        shrink(q.xp, minmax);
        shrink(q.xi, !minmax);
    }
    const bool singles = q.treeFlag != 0;
    const evalOptions options{.innSingles = singles,
                              .consistent = q.consistency == consistencyState::consistent};
    q.tw.setInn(dual(evaluateTree(t, evalMode::Inn, options)));
    q.tw.setOut(evaluateTree(t, evalMode::Out, options));
    q.tw.computeTol();
    q.outInsideZero = isInterior(q.tw.getOut(), ivalZero());
    q.innOutsideZero = !isInterior(q.tw.getInn(), ivalZero());
}

} // namespace modal
