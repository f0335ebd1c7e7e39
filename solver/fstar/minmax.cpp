// MinMax post-processing: the cells that can hold the extreme, merged into
// joined boxes and evaluated in the modes "MinMax" and "MaxMin".
#include <iterator>

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

bool touches(const cell& q, const cell& p) {
    const int n = q.variableCount();
    if (p.variableCount() != n) return false;
    for (int i = 0; i < n; ++i)
        if (!isProper(meet(prop(q.variableAt(i).domain), prop(p.variableAt(i).domain))))
            return false;
    return true;
}

// A gathered cell with the Xp variables of the strip that holds it.
cell detached(const cell& c, const strip& s) {
    cell copy = c;
    copy.xp = s.xp;
    return copy;
}

} // namespace

void fstar::minmaxPostProcess() {
    joinedMinCells.clear();
    joinedMaxCells.clear();
    const twin& g = globalTwin;
    auto gather = [&](const strip& s) {
        if (isInterior(s.tw.getOut(), g.getInn())) return;
        for (const auto* list : {&s.cells, &s.warehouse}) {
            for (const cell& c : *list) {
                // A cell where the function has no value cannot hold the extreme.
                if (isNaN(c.tw.getOut())) continue;
                if (settings.optim != optimBound::upper && intersects(c.tw.minTwin(), g.minTwin()))
                    joinedMinCells.push_back(detached(c, s));
                if (settings.optim != optimBound::lower && intersects(c.tw.maxTwin(), g.maxTwin()))
                    joinedMaxCells.push_back(detached(c, s));
            }
        }
    };
    for (const strip& s : agenda)
        gather(s);
    for (const strip& s : accumulatedStrips)
        gather(s);
    if (joinedMinCells.size() > 1) joinedMinCells.sort(xpBefore);
    if (joinedMaxCells.size() > 1) joinedMaxCells.sort(xpBefore);
    // The boxes the report lists, joined from copies: the gathered cells stay.
    if (settings.optim == optimBound::both) return;
    for (const bool lower : {true, false}) {
        std::list<cell>& cells = lower ? joinedMinCells : joinedMaxCells;
        std::list<cell> gathered = cells;
        buildJoinedBoxes(lower);
        cells.swap(gathered);
    }
}

void fstar::buildJoinedBoxes(bool lower) {
    std::list<cell>& cells = lower ? joinedMinCells : joinedMaxCells;
    std::list<cell>& boxes = lower ? joinedMinBoxes : joinedMaxBoxes;
    const ivalDb bound = lower ? globalTwin.minTwin() : globalTwin.maxTwin();
    while (!cells.empty()) {
        auto q = cells.begin();
        bool merged = true;
        while (merged) {
            merged = false;
            for (auto p = cells.begin(); p != cells.end(); ++p) {
                if (p == q || !touches(*q, *p)) continue;
                for (std::size_t i = 0; i < q->xp.size(); ++i)
                    q->xp[i].domain = join(q->xp[i].domain, p->xp[i].domain);
                for (std::size_t i = 0; i < q->xi.size(); ++i)
                    q->xi[i].domain = meet(q->xi[i].domain, p->xi[i].domain);
                cells.erase(p);
                merged = true;
                break;
            }
        }
        q->consistency = q->check(mainModel);
        evaluateMinMax(*q, lower);
        if (!isNaN(q->tw.getOut()) && intersects(q->tw.getOut(), bound))
            boxes.splice(boxes.end(), cells, q);
        else
            cells.erase(q);
    }
    if (boxes.size() > 1) boxes.sort(xpBefore);
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
