// One box of the F* subdivision: a piece of the Xi domain, paired with the Xp
// piece of the strip that holds it, and the twin of the objective over it.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <vector>

#include "interval/twin.h"
#include "solver/model/derivatives.h"
#include "solver/model/model.h"
#include "solver/model/variable.h"

namespace modal {

// Sums each variable's incidence derivatives into its globalDerivative (an
// incidence with zero strictly inside makes the sum [-inf, +inf] and ends the
// sum), then refreshes the signs and the total monotonicity.
void sumDerivatives(std::vector<variable>& vars);

class cell {
public:
    twin tw;
    std::vector<variable> xi;
    std::vector<variable> xp;
    // The Xp variables of the strip that holds the cell (set by the strip).
    std::vector<variable>* xpRef = nullptr;
    int bisectDim = -1;
    consistencyState consistency = consistencyState::consistent;
    std::uint8_t treeFlag = 0;
    bool outInsideZero = false;
    bool innOutsideZero = false;

    cell() = default;
    // A copy clears the two zero flags.
    cell(const cell& o);
    cell& operator=(const cell& o);

    // The initial cell of a model: its Xp and Xi groups (the model's tree
    // records the index maps).
    static cell initial(model& m);

    // Xp variables as the cell addresses them: its own when it has them,
    // else the strip's.
    const std::vector<variable>& xpView() const;
    int variableCount() const noexcept;
    const variable& variableAt(int i) const;
    variable& variableAt(int i);

    // Binds the tree: Xp from the strip (`useRef`) or from the own `xp`.
    void bindTo(tree& t, bool useRef);
    // Derivative enclosures and sums for a group (Xi: `xi`, Xp: own `xp`,
    // Full: both).
    void derivativeSums(tree& t, varGroup group);
    // Twin, bisection dimension and treeFlag over the cell. With `meanValue`
    // the outer bound of a consistent cell is also taken from the mean-value
    // form, and the tighter (meet) of the two is kept.
    void evaluate(tree& t, std::uint8_t stripFlag, bool meanValue = false);
    bool allXiMonotonic() const noexcept;
    // Width of the Xi variable at bisectDim, -inf without one.
    double width() const noexcept;
    // The box listing, only when `level` is exactly 1.
    void printBox(std::ostream& os, int level) const;
    // Constraint check of `m` over this cell's variables.
    consistencyState check(model& m) const;
};

} // namespace modal
