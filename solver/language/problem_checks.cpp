#include "solver/language/problem_checks.h"

#include <algorithm>
#include <string>
#include <vector>

#include "solver/language/algorithms.h"
#include "solver/language/options.h"
#include "solver/language/suggest.h"

namespace modal {

namespace {

located_warning about(const located_warning& statement, std::string text) {
    return {statement.line, statement.statement, std::move(text)};
}

// What the algorithm's statement gives, for the warnings.
std::string_view givenBy(solvedStatement s) noexcept {
    switch (s) {
    case solvedStatement::none:
        return "";
    case solvedStatement::function:
        return "an expression given with f:=";
    case solvedStatement::relation:
        return "a relation given with lf:=";
    case solvedStatement::constraints:
        return "the constraints given with c:=";
    }
    return "";
}

void checkFunctions(const algorithmInfo& a, model_actions& model,
                    std::vector<located_warning>& out) {
    const auto& functions = model.function_statements();
    if (a.solves == solvedStatement::constraints) {
        for (const auto& f : functions)
            out.push_back(about(f.where, std::string(a.name) + " solves " +
                                             std::string(givenBy(a.solves)) + ": this " +
                                             (f.relation ? "lf:=" : "f:=") + " is not used"));
        return;
    }
    const bool wantsRelation = a.solves == solvedStatement::relation;
    for (std::size_t i = 0; i < functions.size(); ++i) {
        const auto& f = functions[i];
        if (f.relation == wantsRelation) continue;
        std::string text = std::string(a.name) + " solves " + std::string(givenBy(a.solves)) +
                           ", not " +
                           std::string(givenBy(f.relation ? solvedStatement::relation
                                                          : solvedStatement::function));
        // The last one is the problem's function: nothing is left to solve.
        if (i + 1 == functions.size()) {
            text += ": the run has no function to solve";
            model.drop_function();
        }
        out.push_back(about(f.where, std::move(text)));
    }
}

void checkUnused(const algorithmInfo* a, const model_actions& model,
                 std::vector<located_warning>& out) {
    std::vector<std::string_view> optionNames;
    for (const optionInfo& o : options())
        optionNames.push_back(o.name);
    const bool paves = a != nullptr && a->run == algorithmRun::set_inversion;
    for (const auto& d : model.declarations()) {
        // A repeated name is warned about where it is declared; F variables
        // make the box that set inversion paves, used or not.
        if (d.used || d.repeated || (paves && d.quantifier == "F")) continue;
        std::string text = d.name + " is declared but no function or constraint uses it";
        if (const std::string_view o = closest_name(d.name, optionNames); !o.empty())
            text += " (did you mean the option " + std::string(o) + "?)";
        out.push_back(about(d.where, std::move(text)));
    }
}

} // namespace

std::vector<located_warning> check_problem(const parse_context& ctx, model_actions& model) {
    std::vector<located_warning> out;
    const algorithmInfo* a = find_algorithm(ctx.algorithm_name);
    if (a != nullptr && a->run != algorithmRun::none) checkFunctions(*a, model, out);
    checkUnused(a, model, out);
    std::stable_sort(
        out.begin(), out.end(),
        [](const located_warning& x, const located_warning& y) { return x.line < y.line; });
    if (a != nullptr && a->solves == solvedStatement::constraints && model.constraint_count() == 0)
        out.push_back(
            {0,
             {},
             std::string(a->name) + " has no constraint to solve (c:= relation;): " +
                 (a->name == "QSI" ? "every box is a solution box" : "the box stays as it is")});
    return out;
}

} // namespace modal
