// One piece of the Xp domain with the cells that cover the Xi domain for it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <list>
#include <vector>

#include "interval/twin.h"
#include "solver/fstar/cell.h"
#include "solver/fstar/param.h"
#include "solver/model/model.h"

namespace modal {

class strip {
public:
    using cellList = std::list<cell>;
    using cellIter = cellList::iterator;

    // The fields the solver reads for every strip of its agenda come first,
    // so that a pass over the agenda touches one cache line per strip.
    twin tw;
    // `unset` before any cell is merged, then the cells' common consistency,
    // or `undecided` when they differ.
    consistencyState consistencyMark = consistencyState::consistent;
    bool joinFlag = false;
    bool needsUpdate = true;
    std::uint8_t treeFlag = 0;
    bool bisectable = true;
    bool hasSelectedCell = false;
    int bisectDim = -1;
    // The tolerance of the strip this one was cut from (+inf for the first).
    double cutFromTol = kInf;
    // Some cell met points where the objective is not defined: the strip is
    // not taken as monotonic (see cell::undefinedPoints).
    bool undefinedPoints = false;
    std::vector<variable> xp;
    std::vector<variable> xi;
    cellList cells;
    cellList warehouse;
    // The cell to work on next; meaningful only when `hasSelectedCell`.
    cellIter selectedCell{};
    // Cells of `cells` that define a bound of the strip's twin. Rebuilt by
    // `processCells` before any cell is moved or erased.
    std::vector<cellIter> cellCandidates;
    int selectedCellCandidate = -1;

    strip() = default;
    // From a cell: its twin and variables, the cell as the only active cell.
    explicit strip(const cell& c);
    // Copies keep the cells but no selection.
    strip(const strip& o);
    strip& operator=(const strip& o);
    // Becomes strip(cell::initial(m)) for a model already grouped, reusing
    // its own storage (and `spare` for variables): the first strip of a run.
    void restart(const model& m, std::vector<variable>& spare);
    // Drops every cell but one, whose storage `restart` reuses.
    void keepOneCell();

    int variableCount() const noexcept { return static_cast<int>(xp.size() + xi.size()); }
    bool allMonotonic() const noexcept;
    // Width of the `xp` variable at bisectDim, -inf without one.
    double width() const noexcept;
    void clearSelection() noexcept;

    // Recomputes the twin (when needsUpdate), the bisection dimension (full)
    // and the cell selection.
    void update(model& m, bool full, const param& p, std::ostream& log);
    // Moves finished cells to the warehouse, drops inconsistent ones and
    // chooses the cell to cut next.
    void processCells(const param& p, std::ostream& log);
    bool accumulationTest(const cell& c, const param& p, std::ostream& log) const;
    // Cuts the selected cell into `bisect` pieces along its bisectDim.
    void bisectSelectedCell(model& m, const param& p, std::ostream& log);
    // Constraint check and, unless the constraints rule the cell out (then
    // false), its evaluation.
    bool admitCell(model& m, cell& c, const param& p, std::ostream& log);

    // The strip listing, only when the level is exactly 1.
    void dump(std::ostream& os, int level, bool full) const;

private:
    void merge(const cell& c);
    void chooseBisectDim();
};

// Most pieces one cut makes. Every piece is a strip or cell of its own that is
// evaluated as it is made, so a larger setting would let one cut outlast any
// time limit and fill the memory before the next time test.
inline constexpr int kMaxPiecesPerCut = 1000;

// Pieces count actually used for a `bisect` setting: fewer than two pieces
// would never shrink anything, so such settings cut in two; more than
// kMaxPiecesPerCut cut in kMaxPiecesPerCut.
int effectivePieces(int bisect) noexcept;

// True when a domain can be cut: its width is finite and a double lies
// strictly between its bounds (its midpoint is neither bound). A domain that
// cannot be cut is never chosen for bisection, so the solver cannot loop on
// cuts that change nothing.
bool canCut(const ivalDb& d) noexcept;

// Pieces actually used to cut `d`: `bisect` (at least two) when the first
// step moves off the bound, else two.
int piecesFor(const ivalDb& d, int bisect) noexcept;

} // namespace modal
