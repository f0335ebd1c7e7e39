// The grammar of the problem language. One object serves one run: it holds
// the rules and the table of declared variable names, and recognises one
// gathered statement text at a time, calling the actions as it goes.
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "solver/language/model_actions.h"
#include "solver/language/parse_context.h"
#include "solver/language/syntax_error.h"

namespace modal {

class problem_grammar {
public:
    // Deepest nesting of factors (parentheses, unary minus, function calls,
    // powers) in one expression; deeper text is a syntax error.
    static constexpr int kMaxNesting = 200;
    // Deepest expression tree one statement may describe (a chain of n binary
    // operators is n deep); deeper is a syntax error.
    static constexpr int kMaxTreeDepth = 1000;

    // Both objects must outlive the grammar.
    problem_grammar(parse_context& ctx, model_actions& model);
    ~problem_grammar();
    problem_grammar(const problem_grammar&) = delete;
    problem_grammar& operator=(const problem_grammar&) = delete;

    // Recognises a statement text (statements ended by ';' and perhaps a
    // '%' comment after the last, a '%' comment, or white space only). True when the whole text
    // matched, trailing white space allowed. The actions of everything that matched have run, also
    // when the result is false.
    bool parse(std::string_view text);

    // Why the last text that `parse` refused is not in the language, and at
    // which column; empty after a text that parsed.
    const syntax_error& last_error() const noexcept;

    // Whether a declaration statement has entered this name.
    bool is_declared(std::string_view name) const;

    // After the last statement: the warnings about the problem as a whole
    // (see check_problem), which may leave it without a function.
    std::vector<located_warning> finish();

private:
    struct impl;
    std::unique_ptr<impl> impl_;
};

} // namespace modal
