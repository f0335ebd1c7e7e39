#include "solver/language/model_actions.h"

#include "solver/model/chains.h"

#include <cmath>
#include <string>
#include <utility>

#include "solver/fstar/fstar.h"
#include "solver/fstar/param.h"
#include "solver/language/actions.h"
#include "solver/language/algorithms.h"
#include "solver/model/chains.h"
#include "solver/model/model.h"
#include "solver/model/tree.h"
#include "solver/sets/csp.h"

namespace modal {

namespace {

ivalDb pop_interval(parse_context& ctx) {
    if (ctx.ival_stack.empty()) return ivalDb();
    const ivalDb x = ctx.ival_stack.top();
    ctx.ival_stack.pop();
    return x;
}

long pop_integer(parse_context& ctx) {
    if (ctx.int_stack.empty()) return 0;
    const long n = ctx.int_stack.top();
    ctx.int_stack.pop();
    return n;
}

node declaration(std::string name, const ivalDb& domain) {
    node n;
    n.kind = nodeKind::var;
    n.label = std::move(name);
    n.value = domain;
    return n;
}

// A domain the solvers cannot cut: the warning that says so.
void warnIfUnbounded(parse_context& ctx, const std::string& what, const ivalDb& domain) {
    if (std::isfinite(domain.inf()) && std::isfinite(domain.sup())) return;
    ctx.warnings.push_back(what + " has an infinite bound: no solver can cut an unbounded "
                                  "domain, so the results are not meaningful; give finite bounds");
}

bool runs(const std::string& name, algorithmRun run) {
    const algorithmInfo* a = find_algorithm(name);
    return a != nullptr && a->run == run;
}
bool is_fstar_algorithm(const std::string& name) {
    return runs(name, algorithmRun::fstar);
}
bool is_set_algorithm(const std::string& name) {
    return runs(name, algorithmRun::set_inversion);
}

} // namespace

void model_actions::attach(fstar& solver, csp& constraints) {
    fstar_solver_ = &solver;
    csp_solver_ = &constraints;
    current_ = &solver.mainModel.fn;
    declared_.clear();
    declared_index_.clear();
    notes_.clear();
    functions_.clear();
    aux_counter_ = 0;
}

const node* model_actions::find_declared(std::string_view name) const noexcept {
    const auto it = declared_index_.find(name);
    return it == declared_index_.end() ? nullptr : &declared_[it->second];
}

nodeId model_actions::pop_node(parse_context& ctx) const {
    if (ctx.node_stack.empty()) return noNode;
    const nodeId id = ctx.node_stack.top();
    ctx.node_stack.pop();
    if (current_ == nullptr || id < 0 || static_cast<std::size_t>(id) >= current_->nodes.size())
        return noNode;
    return id;
}

bool model_actions::builds_fstar_constraints(const parse_context& ctx) const {
    return fstar_solver_ != nullptr && is_fstar_algorithm(ctx.algorithm_name);
}

bool model_actions::builds_csp_constraints(const parse_context& ctx) const {
    return fstar_solver_ != nullptr && csp_solver_ != nullptr &&
           is_set_algorithm(ctx.algorithm_name);
}

// --- declarations -------------------------------------------------------------

void model_actions::declare(parse_context& ctx, std::string name, const ivalDb& domain,
                            std::string quantifier) {
    warnIfUnbounded(ctx, name, domain);
    const auto [first, isNew] = declared_index_.emplace(name, declared_.size());
    if (!isNew) {
        const long line = notes_[first->second].where.line;
        std::string text = name + " is already declared" +
                           (line > 0 ? " on line " + std::to_string(line) : std::string()) +
                           ": expressions use that first declaration";
        if (quantifier == "F")
            text += ", but QSI and CONTRACTOR also pave this one, as a second " + name;
        ctx.warnings.push_back(std::move(text));
    }
    notes_.push_back({{ctx.line, ctx.statement, {}}, name, std::move(quantifier), false, !isNew});
    declared_.push_back(declaration(std::move(name), domain));
}

void model_actions::create_var(parse_context& ctx, std::string_view) {
    std::string name = pop_symbol(ctx);
    const ivalDb domain = pop_interval(ctx);
    declare(ctx, std::move(name), domain, "");
}

void model_actions::create_quantvar(parse_context& ctx, std::string_view) {
    std::string name = pop_symbol(ctx);
    const std::string quantifier = pop_symbol(ctx);
    ivalDb domain = pop_interval(ctx);
    // Optim as set at this point of the file.
    const optimBound optim = ctx.settings != nullptr ? ctx.settings->optim : optimBound::both;

    if (quantifier == "U") {
        domain = prop(domain);
    } else if (quantifier == "E") {
        domain = impr(domain);
    } else if (quantifier == "F") {
        domain = prop(domain);
        if (csp_solver_ != nullptr) csp_solver_->getBox().append(variable(0, domain, name));
    } else if (quantifier == "MIN") {
        if (optim == optimBound::lower) domain = prop(domain);
        if (optim == optimBound::upper) domain = impr(domain);
        ctx.optim_uses.push_back({name, optim});
    } else if (quantifier == "MAX") {
        if (optim == optimBound::lower) domain = impr(domain);
        if (optim == optimBound::upper) domain = prop(domain);
        ctx.optim_uses.push_back({name, optim});
    }
    declare(ctx, std::move(name), domain, quantifier);
}

// --- expression leaves ----------------------------------------------------------

void model_actions::create_float(parse_context& ctx, double x) {
    push_node(ctx, current_ != nullptr ? current_->createConst(x) : noNode);
}

void model_actions::create_incidence(parse_context& ctx, std::string_view text) {
    if (current_ == nullptr) {
        push_node(ctx, noNode);
        return;
    }
    const std::string_view name = trim_white_space(text);
    if (const auto it = declared_index_.find(name); it != declared_index_.end())
        notes_[it->second].used = true;
    tree& t = *current_;
    int v = t.findVariable(name);
    if (v < 0) {
        // First use in this tree: the declared domain, or the whole line
        // for a name that was never declared.
        const node* d = find_declared(name);
        v = t.addVariable(std::string(name), d != nullptr ? d->value : ivalDb());
    }
    push_node(ctx, t.createIncidence(v));
}

void model_actions::create_interval(parse_context& ctx, std::string_view) {
    const ivalDb value = pop_interval(ctx);
    warnIfUnbounded(ctx, "the interval constant", value);
    if (current_ == nullptr) {
        push_node(ctx, noNode);
        return;
    }
    // Every interval constant is a variable of its own.
    push_node(ctx, current_->createInterval(value, "Aux" + std::to_string(aux_counter_)));
}

// --- expression nodes -------------------------------------------------------------

void model_actions::create_negate(parse_context& ctx, std::string_view) {
    const nodeId child = pop_node(ctx);
    push_node(ctx, current_ != nullptr ? current_->createUnary(nodeKind::minus, child) : noNode);
}

void model_actions::create_function(parse_context& ctx, std::string_view) {
    const nodeId child = pop_node(ctx);
    const nodeKind kind = kindFromText(pop_symbol(ctx));
    push_node(ctx, current_ != nullptr ? current_->createUnary(kind, child) : noNode);
}

void model_actions::create_power(parse_context& ctx, std::string_view) {
    const long exponent = pop_integer(ctx);
    const nodeId child = pop_node(ctx);
    // The grammar accepts only exponents within the range of int.
    push_node(ctx, current_ != nullptr ? current_->createPower(child, static_cast<int>(exponent))
                                       : noNode);
}

void model_actions::create_operator(parse_context& ctx, std::string_view) {
    const nodeKind kind = kindFromText(pop_symbol(ctx));
    const nodeId right = pop_node(ctx);
    const nodeId left = pop_node(ctx);
    push_node(ctx, current_ != nullptr ? current_->createBinary(kind, left, right) : noNode);
}

// --- the objective function ---------------------------------------------------------

void model_actions::new_function(parse_context& ctx, std::string_view text) {
    if (fstar_solver_ != nullptr) current_ = &fstar_solver_->mainModel.fn;
    if (!functions_.empty()) {
        const long line = functions_.back().where.line;
        ctx.warnings.push_back("a function is already given" +
                               (line > 0 ? " on line " + std::to_string(line) : std::string()) +
                               ": this one replaces it");
    }
    functions_.push_back({{ctx.line, ctx.statement, {}}, trim_white_space(text) == "lf:="});
}

void model_actions::assign_function(parse_context& ctx, std::string_view) {
    if (ctx.node_stack.empty()) return;
    const nodeId root = pop_node(ctx);
    if (fstar_solver_ != nullptr && current_ == &fstar_solver_->mainModel.fn) {
        fstar_solver_->mainModel.fn.setRoot(root);
        balanceLongChains(fstar_solver_->mainModel.fn);
    }
}

void model_actions::drop_function() noexcept {
    if (fstar_solver_ != nullptr) fstar_solver_->mainModel.fn.setRoot(noNode);
}

// --- constraints ------------------------------------------------------------------

std::size_t model_actions::constraint_count() const noexcept {
    return (fstar_solver_ != nullptr ? fstar_solver_->mainModel.constraints.size() : 0) +
           (csp_solver_ != nullptr ? csp_solver_->constraints().size() : 0);
}

void model_actions::new_constraint(parse_context& ctx, std::string_view) {
    if (builds_fstar_constraints(ctx)) {
        auto& constraints = fstar_solver_->mainModel.constraints;
        constraints.emplace_back(); // a default model
        current_ = &constraints.back().fn;
    } else if (builds_csp_constraints(ctx)) {
        fstar& copy = csp_solver_->addConstraint(*fstar_solver_);
        current_ = &copy.mainModel.fn;
    }
    // Otherwise no constraint exists for this algorithm: the relation builds
    // into the current tree and is dropped at its end.
    const std::string& name = ctx.algorithm_name;
    if (name.empty()) {
        ctx.warnings.emplace_back(
            "the constraint comes before Algorithm= and is ignored: choose the algorithm first");
    } else if (!is_fstar_algorithm(name) && !is_set_algorithm(name)) {
        ctx.warnings.push_back("Algorithm=" + name + " runs nothing: the constraint is ignored");
    }
}

void model_actions::assign_constraint(parse_context& ctx, std::string_view) {
    if (ctx.node_stack.empty()) return;
    const nodeId root = pop_node(ctx);
    if (builds_fstar_constraints(ctx)) {
        auto& constraints = fstar_solver_->mainModel.constraints;
        if (!constraints.empty() && current_ == &constraints.back().fn) {
            constraints.back().fn.setRoot(root);
            balanceLongChains(constraints.back().fn);
        }
    } else if (builds_csp_constraints(ctx)) {
        auto& constraints = csp_solver_->constraints();
        if (!constraints.empty() && current_ == &constraints.back().solver.mainModel.fn) {
            constraints.back().solver.mainModel.fn.setRoot(root);
            balanceLongChains(constraints.back().solver.mainModel.fn);
        }
    }
}

} // namespace modal
