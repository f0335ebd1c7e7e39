#include "solver/fstar/strip.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <ostream>
#include <string>

#include "solver/fstar/log.h"
#include "solver/fstar/selection.h"
#include "solver/model/derivatives.h"

namespace modal {

int effectivePieces(int bisect) noexcept {
    return std::clamp(bisect, 2, kMaxPiecesPerCut);
}

bool canCut(const ivalDb& d) noexcept {
    const double w = d.width();
    if (!std::isfinite(w) || !(w > 0.0)) return false;
    const double m = d.mid();
    const double lo = std::fmin(d.inf(), d.sup());
    const double hi = std::fmax(d.inf(), d.sup());
    return lo < m && m < hi;
}

int piecesFor(const ivalDb& d, int bisect) noexcept {
    const int n = effectivePieces(bisect);
    const double step = d.width() / n;
    const double a = d.inf();
    const double next = a <= d.sup() ? a + step : a - step;
    return next != a ? n : 2;
}

strip::strip(const cell& c) : tw(c.tw), xp(c.xp), xi(c.xi) {
    cells.push_back(c);
    selectedCell = cells.begin();
    hasSelectedCell = true;
    chooseBisectDim();
}

void strip::restart(const model& m, std::vector<variable>& spare) {
    keepOneCell();
    if (cells.empty()) cells.emplace_back();
    cell& c = cells.front();
    c.makeInitial(m, spare);
    tw = c.tw;
    consistencyMark = consistencyState::consistent;
    joinFlag = false;
    needsUpdate = true;
    treeFlag = 0;
    bisectable = true;
    cutFromTol = kInf;
    undefinedPoints = false;
    assignFresh(xp, xi, m.xp, m.xi, spare);
    clearSelection();
    selectedCell = cells.begin();
    hasSelectedCell = true;
    chooseBisectDim();
}

void strip::keepOneCell() {
    if (cells.empty() && !warehouse.empty())
        cells.splice(cells.end(), warehouse, warehouse.begin());
    warehouse.clear();
    if (!cells.empty()) cells.erase(std::next(cells.begin()), cells.end());
}

strip::strip(const strip& o)
    : tw(o.tw), consistencyMark(o.consistencyMark), joinFlag(o.joinFlag),
      needsUpdate(o.needsUpdate), treeFlag(o.treeFlag), bisectable(true), bisectDim(o.bisectDim),
      cutFromTol(o.cutFromTol), undefinedPoints(o.undefinedPoints), xp(o.xp), xi(o.xi),
      cells(o.cells), warehouse(o.warehouse) {}

strip& strip::operator=(const strip& o) {
    if (this == &o) return *this;
    tw = o.tw;
    xp = o.xp;
    xi = o.xi;
    cells = o.cells;
    warehouse = o.warehouse;
    bisectDim = o.bisectDim;
    cutFromTol = o.cutFromTol;
    undefinedPoints = o.undefinedPoints;
    consistencyMark = o.consistencyMark;
    joinFlag = o.joinFlag;
    needsUpdate = o.needsUpdate;
    treeFlag = o.treeFlag;
    bisectable = true;
    clearSelection();
    return *this;
}

void strip::clearSelection() noexcept {
    hasSelectedCell = false;
    selectedCell = cellIter{};
    cellCandidates.clear();
    selectedCellCandidate = -1;
}

bool strip::allMonotonic() const noexcept {
    if (undefinedPoints) return false;
    for (const auto& v : xp)
        if (!v.totalMono) return false;
    for (const auto& v : xi)
        if (!v.totalMono) return false;
    return true;
}

double strip::width() const noexcept {
    if (bisectDim < 0 || bisectDim >= static_cast<int>(xp.size())) return -kInf;
    return xp[static_cast<std::size_t>(bisectDim)].domain.width();
}

void strip::chooseBisectDim() {
    bisectDim = widestCuttable(xp, false, false);
}

void strip::merge(const cell& c) {
    if (c.consistency != consistencyState::inconsistent)
        tw.setInn(meet(tw.getInn(), c.tw.getInn()));
    if (c.consistency == consistencyState::consistent)
        tw.setOut(meet(tw.getOut(), c.tw.getOut()));
    else if (c.consistency == consistencyState::undecided && !joinFlag)
        tw.setOut(join(tw.getOut(), c.tw.getOut()));
    if (c.consistency != consistencyState::inconsistent) undefinedPoints |= c.undefinedPoints;
    if (consistencyMark == consistencyState::unset)
        consistencyMark = c.consistency;
    else if (consistencyMark != c.consistency)
        consistencyMark = consistencyState::undecided;
}

void strip::update(model& m, bool full, const param& p, std::ostream& log) {
    tree& t = m.fn;
    if (needsUpdate) {
        consistencyMark = consistencyState::unset;
        undefinedPoints = false;
        tw.setInn(ivalNaN());
        tw.setOut(ivalNaN());
        if (full) {
            treeFlag = stripDerivatives(t, xp, xi);
        }
        auto refresh = [&](cell& c, bool active) {
            if (full) {
                if (bisectDim >= 0 && static_cast<std::size_t>(bisectDim) < c.xp.size() &&
                    static_cast<std::size_t>(bisectDim) < xp.size())
                    c.xp[static_cast<std::size_t>(bisectDim)].domain =
                        xp[static_cast<std::size_t>(bisectDim)].domain;
                c.consistency = c.check(m, p.contract);
                // A new Xp piece changes the cell's bounds: its floor too.
                c.settled = false;
                if (c.consistency != consistencyState::inconsistent)
                    c.evaluate(t, {xp, xi, treeFlag, true}, p.mean_value);
            }
            if (active && c.consistency == consistencyState::consistent) joinFlag = true;
            merge(c);
        };
        for (auto& c : cells)
            refresh(c, true);
        for (auto& c : warehouse)
            refresh(c, false);
    }
    tw.computeTol();
    if (full) {
        const bool skipSettled =
            consistencyMark == consistencyState::consistent && !undefinedPoints;
        // By smear where the objective's bounds are what is left to narrow;
        // a strip the constraints leave undecided is cut where it is widest.
        const bool bySmear = p.mean_value && consistencyMark == consistencyState::consistent;
        bisectDim = !bisectable ? -1
                    : bySmear   ? largestSmearCuttable(xp, skipSettled, treeFlag != 0)
                                : widestCuttable(xp, skipSettled, treeFlag != 0);
    }
    processCells(p, log);
}

bool strip::accumulationTest(const cell& c, const param& p, std::ostream& log) const {
    if (!joinFlag) return false;
    switch (p.optim) {
    case optimBound::lower:
        return c.tw.getInn().inf() < tw.getOut().inf();
    case optimBound::upper:
        return c.tw.getInn().sup() > tw.getOut().sup();
    default:
        if (isInterior(tw.getOut(), c.tw.getInn())) {
            c.printBox(log, p.debug);
            return true;
        }
        return false;
    }
}

void strip::processCells(const param& p, std::ostream& log) {
    if (needsUpdate || cellCandidates.empty()) {
        cellCandidates.clear();
        selectedCellCandidate = -1;
        hasSelectedCell = false;
        for (auto it = warehouse.begin(); it != warehouse.end();) {
            auto next = std::next(it);
            if (!it->settled && !it->allXiMonotonic() && it->width() > p.epsilon &&
                !accumulationTest(*it, p, log))
                cells.splice(cells.end(), warehouse, it);
            it = next;
        }
        std::vector<cellIter> toWarehouse;
        std::vector<cellIter> toRemove;
        for (auto it = cells.begin(); it != cells.end(); ++it) {
            cell& c = *it;
            if (p.optim == optimBound::lower)
                c.tw.computeLowerTol();
            else if (p.optim == optimBound::upper)
                c.tw.computeUpperTol();
            if (c.consistency == consistencyState::undecided) {
                logLine(log, p.debug, "Eliminate Cell: Consistency");
                cellCandidates.push_back(it);
                continue;
            }
            if (c.consistency == consistencyState::consistent && c.allXiMonotonic()) {
                logLine(log, p.debug, "Accumulate Cell: Xi Monotony");
                c.printBox(log, p.debug);
                toWarehouse.push_back(it);
                continue;
            }
            if (accumulationTest(c, p, log)) {
                logLine(log, p.debug, "Accumulate Cell: Inclusion Criterion");
                c.printBox(log, p.debug);
                toWarehouse.push_back(it);
                continue;
            }
            if (c.consistency == consistencyState::inconsistent) {
                toRemove.push_back(it);
                continue;
            }
            if (definesBound(c.tw, tw, p.optim)) cellCandidates.push_back(it);
        }
        for (auto it : toWarehouse)
            warehouse.splice(warehouse.end(), cells, it);
        for (auto it : toRemove)
            cells.erase(it);
    }
    hasSelectedCell = false;
    selectedCellCandidate = -1;
    if (cellCandidates.empty()) return;
    // The largest tolerance; the first of equal ones wins.
    selectedCellCandidate = firstLargestTolerance(cellCandidates);
    selectedCell = cellCandidates[static_cast<std::size_t>(selectedCellCandidate)];
    hasSelectedCell = true;
}

bool strip::admitCell(model& m, cell& c, const param& p, std::ostream& log) {
    logLine(log, p.debug, "Action: Cell Insertion?");
    c.consistency = c.check(m, p.contract);
    if (c.consistency == consistencyState::inconsistent) {
        logLine(log, p.debug, "Eliminate Cell: Inconsistent");
        return false;
    }
    c.evaluate(m.fn, {xp, xi, treeFlag, false}, p.mean_value);
    logLine(log, p.debug, "Insert Cell");
    return true;
}

void strip::bisectSelectedCell(model& m, const param& p, std::ostream& log) {
    if (!hasSelectedCell) return;
    const cellIter c = selectedCell;
    const int dim = c->bisectDim;
    if (dim < 0 || dim >= static_cast<int>(c->xi.size())) return;
    logLine(log, p.debug, "Bisected Cell Dim:");
    if (p.debug == 1) log << static_cast<double>(dim + static_cast<int>(xp.size())) << "\n";
    const ivalDb x = c->xi[static_cast<std::size_t>(dim)].domain;
    const int n = piecesFor(x, p.bisect);
    c->cutFromTol = c->tw.getTol();
    const double step = x.width() / n;
    double lo = x.inf();
    for (int i = 0; i < n - 1; ++i) {
        // Each new piece is made at the end of the list; the constraints may
        // take it out again.
        const cellIter piece = cells.insert(cells.end(), *c);
        piece->xi[static_cast<std::size_t>(dim)].domain = ivalDb::exact(lo, lo - step);
        if (!admitCell(m, *piece, p, log)) cells.erase(piece);
        lo -= step;
    }
    // The cut cell keeps the last piece, and its place, whatever the check.
    c->xi[static_cast<std::size_t>(dim)].domain = ivalDb::exact(lo, x.sup());
    admitCell(m, *c, p, log);
}

void strip::dump(std::ostream& os, int level, bool full) const {
    if (level != 1) return;
    os << "\n"
       << "Strip" << std::string(53, '#') << "\n\n";
    for (std::size_t i = 0; i < xp.size(); ++i)
        os << xp[i].name << "[" << i << "].Dom=" << xp[i].domain << " Mono=" << xp[i].globalSign
           << "\n";
    os << tw << "\n";
    if (full) {
        os << "Cells List:"
           << "\n\n";
        for (const auto& c : cells)
            c.printBox(os, level);
        os << "\n"
           << "WareHouse List:"
           << "\n\n";
        for (const auto& c : warehouse)
            c.printBox(os, level);
    }
    os << "Join Flag: " << (joinFlag ? 1 : 0) << "\n"
       << std::string(55, '#') << "Strip"
       << "\n\n";
}

} // namespace modal
