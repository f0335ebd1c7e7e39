// The actions that turn a recognised statement into problem model content:
// variables, expression nodes, the objective function and the constraints.
//
// The grammar calls each one at the moment its part of a statement has
// matched, with the matched text (or the number). They communicate through
// the parse stacks of the context: the expression actions pop their operands
// from node_stack and push the node they build; the finishing actions hand
// the top node to a tree.
//
// The actions build into the objects given to `attach`: the F* solver (its
// main model's tree is the objective function, its constraint models the
// constraints of F* runs) and the constraint problem of set inversion (its
// box receives the "F" variables, its constraint solvers the constraints of
// QSI and CONTRACTOR runs). Without them the actions keep the stacks as they
// would and build nothing. A subclass may override any action (the grammar
// tests record the calls).
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "solver/language/parse_context.h"
#include "solver/model/node.h"

namespace modal {

class fstar;
class csp;
class tree;

class model_actions {
public:
    model_actions() = default;
    // Builds into `solver` and `constraints`, which must outlive the actions.
    model_actions(fstar& solver, csp& constraints) { attach(solver, constraints); }
    virtual ~model_actions() = default;
    model_actions(const model_actions&) = delete;
    model_actions& operator=(const model_actions&) = delete;

    // Points the actions at their targets and starts a fresh problem: no
    // declarations, the auxiliary counter at 0 and the expressions building
    // into the main model's tree.
    void attach(fstar& solver, csp& constraints);

    // Declarations: "name in [a, b]" / "name = [a, b]", and the quantified
    // "U(name, [a, b])" (also "E", "F", "MIN", "MAX").
    virtual void create_var(parse_context& ctx, std::string_view text);
    virtual void create_quantvar(parse_context& ctx, std::string_view text);

    // Expression leaves.
    virtual void create_float(parse_context& ctx, double x);
    virtual void create_incidence(parse_context& ctx, std::string_view name);
    virtual void create_interval(parse_context& ctx, std::string_view text);

    // Expression nodes over the top entries of node_stack.
    virtual void create_negate(parse_context& ctx, std::string_view text);
    virtual void create_function(parse_context& ctx, std::string_view text);
    virtual void create_power(parse_context& ctx, std::string_view text);
    virtual void create_operator(parse_context& ctx, std::string_view text);

    // "f:=" / "lf:=" and the end of the function's expression.
    virtual void new_function(parse_context& ctx, std::string_view text);
    virtual void assign_function(parse_context& ctx, std::string_view text);

    // "c:=" and the end of the constraint's relation.
    virtual void new_constraint(parse_context& ctx, std::string_view text);
    virtual void assign_constraint(parse_context& ctx, std::string_view text);

    // --- state of the problem being read ------------------------------------
    // One "var" node per declaration, in declaration order: label = name,
    // value = the domain (after the quantifier's adjustment).
    const std::vector<node>& declared_vars() const noexcept { return declared_; }
    // The first declaration of `name`, or null.
    const node* find_declared(std::string_view name) const noexcept;
    // The tree the expression actions build into (null before `attach`).
    tree* current_tree() const noexcept { return current_; }
    void set_current_tree(tree* t) noexcept { current_ = t; }
    // Number in the labels of interval constants ("Aux" + this number).
    int aux_counter() const noexcept { return aux_counter_; }

    // What the statements read so far were, for the checks after the last.
    // Each declaration, in order, with its quantifier ("" for "x in [a, b]"),
    // whether an expression uses it and whether it repeats a name declared
    // before (expressions use the first one).
    struct declaration_note {
        located_warning where; // the statement, without a text of its own
        std::string name;
        std::string quantifier;
        bool used = false;
        bool repeated = false;
    };
    const std::vector<declaration_note>& declarations() const noexcept { return notes_; }
    // Each function statement, in order: lf:= (a relation) or f:=.
    struct function_note {
        located_warning where;
        bool relation = false;
    };
    const std::vector<function_note>& function_statements() const noexcept { return functions_; }
    // Constraints built for the algorithm named when each was read.
    std::size_t constraint_count() const noexcept;
    // Leaves the problem without a function: a run then says it has none.
    void drop_function() noexcept;

private:
    // Pops the top node of node_stack; noNode when the stack is empty or the
    // entry is not a node of the current tree.
    nodeId pop_node(parse_context& ctx) const;
    void push_node(parse_context& ctx, nodeId id) const { ctx.node_stack.push(id); }
    bool builds_fstar_constraints(const parse_context& ctx) const;
    bool builds_csp_constraints(const parse_context& ctx) const;

    fstar* fstar_solver_ = nullptr;
    csp* csp_solver_ = nullptr;
    tree* current_ = nullptr;
    // Records a declaration of `name` with the domain `domain`.
    void declare(parse_context& ctx, std::string name, const ivalDb& domain,
                 std::string quantifier);

    std::vector<node> declared_;
    std::vector<declaration_note> notes_; // one per declaration, repeated ones too
    std::vector<function_note> functions_;
    // Position in declared_ of the first declaration of each name.
    std::unordered_map<std::string, std::size_t, nameHash, std::equal_to<>> declared_index_;
    int aux_counter_ = 0;
};

} // namespace modal
