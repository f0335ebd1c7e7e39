// One box of the F* subdivision: a piece of the Xi domain, paired with the Xp
// piece of the strip that holds it, and the twin of the objective over it.
// The cell keeps its own copy of the Xp variables (their domains follow the
// strip's cuts; their monotonicity is the cell's own).
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "interval/directed_text.h"
#include "interval/twin.h"
#include "solver/model/derivatives.h"
#include "solver/model/model.h"
#include "solver/model/variable.h"

namespace modal {

// Sums each variable's incidence derivatives into its globalDerivative (an
// incidence with zero strictly inside makes the sum [-inf, +inf] and ends the
// sum), then refreshes the signs and the total monotonicity.
void sumDerivatives(std::vector<variable>& vars);

// The derivatives of a strip's whole box: binds `t` to the strip's variables,
// evaluates every derivative, sums them per variable, and returns the
// uniform-monotonicity flag of the box (1 when the tree is monotonic in each
// variable over all of it).
std::uint8_t stripDerivatives(tree& t, std::vector<variable>& xp, std::vector<variable>& xi);

// What a cell evaluation takes from the strip that holds the cell.
struct stripContext {
    // The strip's Xp variables: the inner bound reads them (with the strip's
    // monotonicity).
    std::vector<variable>& xp;
    // The strip's Xi variables.
    const std::vector<variable>& xi;
    // The strip's uniform-monotonicity flag.
    std::uint8_t treeFlag = 0;
    // The incidences of xp and xi hold the derivatives just taken over the
    // strip's whole box, and treeFlag is the test just made there.
    bool derivativesFresh = false;
};

class cell {
public:
    twin tw;
    std::vector<variable> xi;
    std::vector<variable> xp;
    int bisectDim = -1;
    consistencyState consistency = consistencyState::consistent;
    std::uint8_t treeFlag = 0;
    bool outInsideZero = false;
    bool innOutsideZero = false;
    // The tolerance of the cell this one was cut from (+inf for a cell not
    // made by a cut), and whether the cell is at the rounding floor of its
    // bounds: cutting it can no longer narrow them, so it stays accumulated.
    double cutFromTol = kInf;
    bool settled = false;
    // The last evaluation met points where the objective is not defined: the
    // monotonicity of its variables says nothing about where the extreme
    // lies (an end of the domain may have no value), so the cell is cut on.
    bool undefinedPoints = false;

    cell() = default;
    // A copy clears the two zero flags.
    cell(const cell& o);
    cell& operator=(const cell& o);

    // The initial cell of a model: its Xp and Xi groups (the model's tree
    // records the index maps).
    static cell initial(model& m);
    // Becomes the initial cell of a model already grouped, reusing its own
    // storage (and `spare` for variables).
    void makeInitial(const model& m, std::vector<variable>& spare);

    int variableCount() const noexcept;
    const variable& variableAt(int i) const;
    variable& variableAt(int i);

    // Binds the tree to `xpGroup` and the cell's own `xi`.
    void bindTo(tree& t, std::vector<variable>& xpGroup);
    // Derivative enclosures and sums for a group (Xi: `xi`, Xp: own `xp`,
    // Full: both).
    void derivativeSums(tree& t, varGroup group);
    // Twin, bisection dimension and treeFlag over the cell. The inner bound
    // reads the strip's Xp variables, the outer bound the cell's own. A cell
    // over the whole box of its strip takes the strip's fresh derivatives and
    // monotonicity test instead of evaluating the same trees again. With
    // `meanValue` the bounds of a consistent cell are also taken from the
    // mean-value forms, and the tighter of each pair is kept.
    void evaluate(tree& t, const stripContext& strip, bool meanValue = false);
    bool allXiMonotonic() const noexcept;
    // Width of the Xi variable at bisectDim, -inf without one.
    double width() const noexcept;
    // The box listing, only when `level` is exactly 1: each domain as
    // computed, or its region grown or shrunk to the stream's digits.
    void printBox(std::ostream& os, int level, regionText r = regionText::nearest) const;
    // Constraint check of `m` over this cell's variables.
    consistencyState check(model& m, bool forwardBackward = false) const;
};

} // namespace modal
