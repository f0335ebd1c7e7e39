// A problem of the modal interval solver: what a problem file states (the
// algorithm, the variables with their modal domains and quantifiers, the
// objective or the statement, the constraints and the options), read from
// text with the problem language or built in code.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace modal {

namespace detail {
struct problem_data;
}

// A statement that was accepted but does not do what it seems to (a
// constraint before Algorithm=, an option value out of range, ...).
struct warning {
    long line = 0;         // the line where the statement begins, from 1 (0: the whole problem)
    std::string statement; // the statement's text
    std::string text;      // what is wrong and what the run does instead
};

// Why a statement is not in the problem language.
struct parse_error {
    long line = 0;           // where in the problem text: line and column, from 1
    long column = 0;         // (columns count characters)
    long statement_line = 0; // the line where the statement begins
    std::string reason;      // what was expected or what is wrong
    std::string statement;   // the statement's text (lines joined as the reader joins them)
};

// A problem ready to be solved. Copies are cheap and share the problem,
// which never changes once built; solving a problem does not change it, so
// one problem may be solved several times, also in several threads at once.
class problem {
public:
    // The algorithm the problem names: "FSTAR", "MINMAX", "LOGIC", "QSI",
    // "CONTRACTOR", "CSP" or "MAXMIN" (accepted, solve nothing), or empty.
    const std::string& algorithm() const noexcept;
    // Accepted statements that do not do what they seem to, in file order.
    const std::vector<warning>& warnings() const noexcept;

    // For the solver's own use.
    explicit problem(std::shared_ptr<const detail::problem_data> data) noexcept;
    const detail::problem_data& data() const noexcept { return *data_; }

private:
    std::shared_ptr<const detail::problem_data> data_;
};

// What reading a problem text came to: the problem, or the first syntax
// error (statements after it are not read).
struct parse_result {
    std::optional<problem> value;
    std::optional<parse_error> error;
    // The warnings of the statements read (also before a syntax error).
    std::vector<warning> warnings;
    // Text after the last ';' of the problem, which is not read (its line,
    // the text, and what happens to it).
    std::optional<warning> ignored_text;
    // Warnings about the problem as a whole, once every statement is read (a
    // declared variable no expression uses, a function the algorithm does
    // not solve, ...); those about one statement have its line.
    std::vector<warning> problem_warnings;

    explicit operator bool() const noexcept { return value.has_value(); }
};

// Reads a problem text: statements ended by ';', one or several per line,
// '%' comment lines, with the grammar and the actions of the solver program.
parse_result parse_problem(std::string_view text);

// How the lines of a problem text are read, for a caller that shows them
// as the solver program does.
enum class line_kind {
    blank,     // an empty line with nothing pending
    comment,   // a '%' line with nothing pending
    statement, // a complete statement, parsed
    pending,   // a statement that continues on the next line
};
class line_observer {
public:
    virtual ~line_observer() = default;
    // After each line: its kind and text (the joined statement for
    // `statement` and `pending`). For a statement, `error` is set when it
    // is not in the language (reading then stops), and `warnings` holds
    // those of the statement.
    virtual void line(line_kind kind, const std::string& text, const parse_error* error,
                      const std::vector<warning>& warnings) = 0;
};
parse_result parse_problem(std::string_view text, line_observer& observer);

// An expression of the problem language built in code: variables, numbers,
// intervals, + - * / and unary -, the language's functions and integer
// powers. It means what the same expression typed in a problem file means.
class expr {
public:
    // The number x, as the language reads a typed number (its shortest
    // text, enclosed by one ulp on each side).
    expr(double x);
    static expr variable(std::string name); // a declared variable
    // The interval [a, b], bounds taken exactly.
    static expr interval(double a, double b);
    // A function of the language by its name ("sin", "sqrt", ...).
    static expr call(std::string_view function, const expr& argument);

    const std::string& text() const noexcept { return text_; }

    friend expr operator+(const expr& a, const expr& b);
    friend expr operator-(const expr& a, const expr& b);
    friend expr operator*(const expr& a, const expr& b);
    friend expr operator/(const expr& a, const expr& b);
    friend expr operator-(const expr& a);
    friend expr pow(const expr& a, int n);

private:
    explicit expr(std::string text) : text_(std::move(text)) {}
    std::string text_;
};
expr sqrt(const expr& a);
expr exp(const expr& a);
expr log(const expr& a);
expr sin(const expr& a);
expr cos(const expr& a);
expr tan(const expr& a);
expr asin(const expr& a);
expr acos(const expr& a);
expr atan(const expr& a);

// A relation between two expressions: a LOGIC statement or a constraint.
struct relation {
    std::string text;
};
relation operator<=(const expr& a, const expr& b);
relation operator>=(const expr& a, const expr& b);
relation operator<(const expr& a, const expr& b);
relation operator>(const expr& a, const expr& b);
relation equal(const expr& a, const expr& b);

// How a variable's values are read.
enum class quantifier {
    forall,   // "U": every value of the domain
    exists,   // "E": some value of the domain
    free,     // "F": a variable that QSI and CONTRACTOR pave or shrink
    minimise, // "MIN": minimised in a min-max problem
    maximise, // "MAX": maximised in a min-max problem
};

// Builds a problem in code, statement by statement, as a problem file would
// state it (so with the same meaning): build() reads the statements with the
// problem language.
class problem_builder {
public:
    // "Algorithm=name;": "FSTAR", "MINMAX", "LOGIC", "QSI" or "CONTRACTOR".
    explicit problem_builder(std::string_view algorithm);

    // "Name=value;" for a numeric option ("Tolerance", "Optim", "CSPEps",
    // ...) and "Name=text;" for a named one ("PlotX", "PlotY").
    problem_builder& option(std::string_view name, double value);
    problem_builder& option(std::string_view name, std::string_view value);
    // "Q(name, [lo, hi]);" with the bounds exactly as given.
    problem_builder& variable(std::string_view name, double lo, double hi,
                              quantifier q = quantifier::forall);
    // "f:= e;" the objective (FSTAR, MINMAX).
    problem_builder& objective(const expr& e);
    // "lf:= r;" the statement (LOGIC).
    problem_builder& statement(const relation& r);
    // "c:= r;" a constraint.
    problem_builder& constraint(const relation& r);

    // The statements so far, one per line.
    const std::string& text() const noexcept { return text_; }
    // The problem they state (or the syntax error of a bad name).
    parse_result build() const;

private:
    std::string text_;
};

} // namespace modal
