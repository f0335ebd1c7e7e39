// A problem model: an expression tree, its constraint models and the
// variables of its own initial cell.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <vector>

#include "solver/model/relation_contractor.h"
#include "solver/model/tree.h"
#include "solver/model/variable.h"

namespace modal {

class model {
public:
    std::string label = "Function";
    tree fn;
    // For each variable of this model's cell (Xp first, then Xi), the index of
    // the same variable in the cell it is checked against; -1 when that cell
    // has no such variable.
    std::vector<int> indexMap;
    // Constraint models; a list, so that a model (and its tree) keeps its
    // address while more constraints are appended.
    std::list<model> constraints;
    // The variables of the model's own cell: proper domains (Xp) and improper
    // ones (Xi), filled by `buildGroups`.
    std::vector<variable> xp;
    std::vector<variable> xi;
    // Scratch storage of `buildGroups`, which reuses the variables of the
    // last grouping (their names and incidences) for the next one.
    std::vector<variable> spareVariables;
    // On a constraint model, for Contract=1: the forward-backward contractor
    // of its relation (built by prepareContraction) and scratch for the
    // domains it contracts.
    relationContractor contraction;
    std::vector<ivalDb> contractionDomains;

    // The tree's variables as `variable`s: name, domain and occurrence count.
    std::vector<variable> variables() const;
    // The problem's variables are the tree's variables (order of first use);
    // their domains are what the initial cell starts from.
    int variableCount() const noexcept { return fn.variableCount(); }
    const std::string& variableName(int i) const {
        return fn.varNodes[static_cast<std::size_t>(i)].label;
    }
    const ivalDb& variableDomain(int i) const {
        return fn.varNodes[static_cast<std::size_t>(i)].value;
    }
    void setVariableDomain(int i, const ivalDb& d) {
        fn.varNodes[static_cast<std::size_t>(i)].value = d;
    }
    // Splits the tree's variables by the modality of their domains into `xp`
    // (proper, points included) and `xi` (improper), and records the tree's
    // two index maps.
    void buildGroups();
    // Binds the tree to `xp` and `xi`.
    void bindOwn();
    // Number of variables of the own cell.
    int cellVariableCount() const noexcept { return static_cast<int>(xp.size() + xi.size()); }
    variable& cellVariable(int i);
};

// What the constraints say of a box: every one holds on all of it, one fails
// on all of it, or some are undecided there. `unset` marks a strip before any
// of its cells has been merged into it.
enum class consistencyState : std::uint8_t {
    consistent = 0,
    inconsistent = 1,
    undecided = 2,
    unset = 3
};

// Checks the constraint models of `m` over a cell whose variables are `cellXp`
// followed by `cellXi` (the check stops at the first constraint that does not
// hold). With `forwardBackward` (Contract=1) a cell that the forward-backward
// contraction of some constraint empties (no point of it satisfies that
// constraint) is inconsistent first, and a constraint whose complement's
// contraction empties the cell holds on it.
consistencyState checkConstraints(model& m, const std::vector<variable>& cellXp,
                                  const std::vector<variable>& cellXi,
                                  bool forwardBackward = false);

// Builds the contractor of a constraint model whose root is a relation with
// zero on its right (as subtractRightSide leaves it); other roots get none.
void prepareContraction(model& c);

} // namespace modal
