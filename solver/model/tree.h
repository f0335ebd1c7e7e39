// Expression trees: node storage, the incidence slot table, evaluation lists
// and the evaluation of every node kind in every mode.
//
// A tree owns its nodes in one vector and links them by index, so copying a
// tree (or a model, or a solver holding one) copies every node, list and
// derivative tree with plain value semantics: nothing is shared, nothing can
// be freed twice. Replaced nodes stay in the storage unused until the tree
// goes away.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "interval/ivalDb.h"
#include "solver/model/node.h"
#include "solver/model/variable.h"

namespace modal {

enum class evalMode : std::uint8_t { Out, Inn, Prop, Impr, Der, none };

// Where a leaf whose domain is replaced by a point takes it: the centre or an
// end of the domain, or the value the leaf already holds.
enum class pointChoice : std::uint8_t { centre, lower, upper, previous };

// How an evaluation reads its leaves, beyond its mode.
struct evalOptions {
    // Single-incidence variables keep their whole domain instead of a point,
    // in inner (innSingles) and outer (outSingles) evaluations.
    bool innSingles = false;
    bool outSingles = false;
    // The box satisfies every constraint: only then do monotonicity and
    // single incidences stand in for points.
    bool consistent = true;
    pointChoice point = pointChoice::centre;
};

// "Out", "Inn", "Prop", "Impr", "Der"; any other text is `none`, which leaves
// "var" leaves unchanged.
evalMode modeFromText(std::string_view text) noexcept;
std::string_view modeText(evalMode m) noexcept;

// The slots that "var" leaves read their incidences through. Binding points
// them at the variables of a cell; a copied table starts unbound, so a copied
// tree never reads the variables its source was bound to.
class slotTable {
public:
    slotTable() = default;
    slotTable(const slotTable& o) : slots_(o.slots_.size()) {}
    slotTable& operator=(const slotTable& o) {
        if (this != &o) slots_.assign(o.slots_.size(), incidenceSlot{});
        return *this;
    }
    slotTable(slotTable&&) noexcept = default;
    slotTable& operator=(slotTable&&) noexcept = default;

    int add() {
        slots_.emplace_back();
        return static_cast<int>(slots_.size()) - 1;
    }
    int size() const noexcept { return static_cast<int>(slots_.size()); }
    incidenceSlot& operator[](int i) { return slots_[static_cast<std::size_t>(i)]; }
    const incidenceSlot& operator[](int i) const { return slots_[static_cast<std::size_t>(i)]; }

private:
    std::vector<incidenceSlot> slots_;
};

class tree {
public:
    // --- storage ---------------------------------------------------------
    std::vector<node> nodes;
    nodeId root = noNode;
    slotTable incidenceSlots;
    // Per variable of the tree (order of first use), the slot index of each of
    // its occurrences.
    std::vector<std::vector<std::int32_t>> vars;
    // One "var" node per variable: label = name, value = domain at first use.
    std::vector<node> varNodes;
    // Position in varNodes of the first variable of each name.
    std::unordered_map<std::string, int, nameHash, std::equal_to<>> varIndex;
    ivalDb value;
    // Number of `evaluateTree` calls (for measurements).
    std::uint64_t evaluationCount = 0;
    // Set by an evaluation (any mode but "Der") that met points where a
    // function is not defined: a square root or logarithm of negative values,
    // asin or acos beyond [-1, 1], a division or negative power over zero, tan
    // across a pole. Such a node is evaluated over the part of its argument
    // where it is defined, which keeps outer bounds around every value the
    // function takes; what holds there proves nothing about the other points.
    // Callers clear it.
    bool undefinedSeen = false;

    // --- lists -------------------------------------------------------------
    std::vector<nodeId> evalList;
    // Per variable, per occurrence: the simplified derivative tree (noNode for
    // a zero derivative) and its evaluation list.
    std::vector<std::vector<nodeId>> derivTrees;
    std::vector<std::vector<std::vector<nodeId>>> derivEvalLists;
    bool hasDerivatives = false;
    // Nodes whose uniform monotonicity depends on the box, and the evaluation
    // list of each one's subtree (same positions).
    std::vector<nodeId> nonUniformList;
    std::vector<std::vector<nodeId>> subtreeLists;

    // --- data kept for the cells -------------------------------------------
    std::vector<int> xpSingles; // positions in the Xp group of single-incidence variables
    std::vector<int> xiSingles; // same in the Xi group
    bool hasSingles = false;
    bool groupEmpty = false;
    bool uniformKnown = false;
    std::vector<int> xpMap; // tree variable index of the Xp group's i-th variable
    std::vector<int> xiMap; // same for the Xi group

    // --- construction (used by the problem language and by code) -----------
    node& at(nodeId id) { return nodes[static_cast<std::size_t>(id)]; }
    const node& at(nodeId id) const { return nodes[static_cast<std::size_t>(id)]; }
    // A fresh node of a kind: value [-inf, +inf], no children.
    nodeId createNode(nodeKind k);
    nodeId createNode(std::string_view kind) { return createNode(kindFromText(kind)); }
    // "const" with the rounded point of x; exponent = x truncated toward zero.
    nodeId createConst(double x);
    // A leaf of kind "const" or "aux" holding `v` exactly.
    nodeId createValue(nodeKind k, const ivalDb& v);
    nodeId createUnary(nodeKind k, nodeId child);
    nodeId createBinary(nodeKind k, nodeId l, nodeId r);
    nodeId createPower(nodeId child, std::int64_t exponent);
    void setLeft(nodeId parent, nodeId child) { at(parent).left = child; }
    void setRight(nodeId parent, nodeId child) { at(parent).right = child; }
    void setRoot(nodeId id) noexcept { root = id; }

    // Variables and occurrences.
    int variableCount() const noexcept { return static_cast<int>(vars.size()); }
    int occurrenceCount(int var) const {
        return static_cast<int>(vars[static_cast<std::size_t>(var)].size());
    }
    // Position of the variable called `name`, or -1.
    int findVariable(std::string_view name) const noexcept;
    // Appends a variable (no occurrences yet); returns its position.
    int addVariable(std::string name, const ivalDb& domain);
    // Appends an occurrence of variable `var`; returns its slot index.
    int addIncidence(int var);
    // A "var" leaf for a new occurrence of variable `var`.
    nodeId createIncidence(int var);
    // A "var" leaf for the variable called `name`: an existing variable of the
    // tree, or a new one with `domain` when the tree has none of that name.
    nodeId createIncidence(std::string_view name, const ivalDb& domain);
    // An interval constant: always a new variable with one occurrence.
    nodeId createInterval(const ivalDb& v, std::string label = "Aux0");

    // Variable `var` and occurrence `occ` of a slot (reverse of `vars`).
    int slotVariable(int slot) const noexcept;
    int slotOccurrence(int slot) const noexcept;
};

// Fills `list` with the subtree of `n` in evaluation order (reverse pre-order:
// every node after its descendants, `n` last).
void buildEvalList(const tree& t, nodeId n, std::vector<nodeId>& list);

// Computes one node's value from its children and, for a leaf, from the
// incidence its slot is bound to.
void evaluate(tree& t, nodeId n, evalMode mode, evalOptions options = {});
// Evaluates the nodes of `list` in order.
void evaluateList(tree& t, const std::vector<nodeId>& list, evalMode mode,
                  evalOptions options = {});
// Evaluates `evalList`, stores the root's value in `t.value` and returns it.
ivalDb evaluateTree(tree& t, evalMode mode, evalOptions options = {});

// Call it qualified, `modal::bind`: where <functional> is visible, an
// unqualified call with a non-const map finds std::bind by argument-dependent
// lookup, which builds a bind object and binds nothing.
// Points the slots of the tree's variable map[i] at the incidences of
// group[i]. Variables or occurrences beyond the tree's tables are ignored.
void bind(tree& t, std::vector<variable>& group, const std::vector<int>& map);

// Copies the subtree of `n` into new nodes of the same tree.
nodeId deepCopy(tree& t, nodeId n);

// The bound(s) of the objective a run refines: both, only the lower one or
// only the upper one. "Optim" gives it as 0, 1 or 2; any other number is kept
// as it is (and reads as neither lower nor upper).
enum class optimBound : int { both = 0, lower = 1, upper = 2 };

// Rewrites a relational root L rel R into (L - R) rel 0 and then: "=" into the
// bare L - R; ">"/">=" into "-"(L - R, "aux" [+inf, 0]) with optim 1;
// "<"/"<=" into "-"(L - R, "aux" [0, -inf]) with optim 2. Other roots and
// optim are left alone.
void normalizeConstraint(tree& t, optimBound& optim);

// Only the first step of the above: a relational root L rel R with R not
// [0, 0] becomes (L - R) rel 0, so that evaluating the relation (which reads
// its left side only) tests the whole relation. Used for constraint models,
// whose roots stay relations.
void subtractRightSide(tree& t);

} // namespace modal
