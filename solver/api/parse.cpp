// Reading a problem text with the problem language.
#include <memory>
#include <sstream>
#include <string>

#include "modal/problem.h"
#include "solver/api/problem_data.h"
#include "solver/language/grammar.h"
#include "solver/language/statement_reader.h"

namespace modal {

problem::problem(std::shared_ptr<const detail::problem_data> data) noexcept
    : data_(std::move(data)) {}

const std::string& problem::algorithm() const noexcept {
    return data_->algorithm;
}

const std::vector<warning>& problem::warnings() const noexcept {
    return data_->warnings;
}

namespace {

class noObserver : public line_observer {
public:
    void line(line_kind, const std::string&, const parse_error*,
              const std::vector<warning>&) override {}
};

} // namespace

parse_result parse_problem(std::string_view text) {
    noObserver none;
    return parse_problem(text, none);
}

parse_result parse_problem(std::string_view text, line_observer& observer) {
    auto data = std::make_shared<detail::problem_data>();
    parse_context ctx;
    ctx.settings = &data->fstar_solver.settings;
    ctx.qsi_settings = &data->qsi_settings;
    model_actions actions(data->fstar_solver, data->qsi_solver);
    problem_grammar grammar(ctx, actions);

    parse_result out;
    const std::vector<warning> noWarnings;
    std::istringstream in{std::string(text)};
    statement_reader reader(in);
    while (reader.next()) {
        const std::string& line = reader.text();
        switch (reader.current_kind()) {
        case statement_reader::kind::blank:
            observer.line(line_kind::blank, line, nullptr, noWarnings);
            break;
        case statement_reader::kind::comment:
            observer.line(line_kind::comment, line, nullptr, noWarnings);
            break;
        case statement_reader::kind::pending:
            observer.line(line_kind::pending, line, nullptr, noWarnings);
            break;
        case statement_reader::kind::statement:
            ctx.line = reader.first_line();
            if (grammar.parse(line)) {
                std::vector<warning> found;
                for (std::string& w : ctx.warnings)
                    found.push_back({reader.first_line(), line, std::move(w)});
                ctx.warnings.clear();
                observer.line(line_kind::statement, line, nullptr, found);
                out.warnings.insert(out.warnings.end(), found.begin(), found.end());
            } else {
                const syntax_error& e = grammar.last_error();
                const statement_reader::position at = reader.position_of(e.offset);
                out.error = parse_error{at.line, static_cast<long>(at.column), reader.first_line(),
                                        e.reason, line};
                observer.line(line_kind::statement, line, &*out.error, noWarnings);
                return out;
            }
            break;
        }
    }
    if (reader.current_kind() == statement_reader::kind::pending)
        out.ignored_text =
            warning{reader.first_line(), reader.text(), "the text after the last ';' is ignored"};
    for (located_warning& w : grammar.finish())
        out.problem_warnings.push_back({w.line, std::move(w.statement), std::move(w.text)});
    data->algorithm = ctx.algorithm_name;
    data->warnings = out.warnings;
    data->warnings.insert(data->warnings.end(), out.problem_warnings.begin(),
                          out.problem_warnings.end());
    out.value.emplace(std::move(data));
    return out;
}

} // namespace modal
