// The actions that turn a recognised statement into problem model content:
// variables, expression nodes, the objective function and the constraints.
//
// The grammar calls each one at the moment its part of a statement has
// matched, with the matched text (or the number). They communicate through
// the parse stacks of the context: the expression actions pop their operands
// from node_stack and push the node they build; the finishing actions hand
// the top node to a tree.
//
// The bodies here do nothing yet: the model they build into comes later. A
// subclass may override any of them (the grammar tests record the calls).
#pragma once

#include <string_view>

#include "solver/language/parse_context.h"

namespace modal {

class model_actions {
public:
    virtual ~model_actions() = default;

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
};

} // namespace modal
