// Problems built in code: the statements a problem file would hold.
#include <charconv>
#include <string>

#include "modal/problem.h"

namespace modal {

namespace {

// The shortest text that reads back as x.
std::string shortest(double x) {
    char text[64];
    const auto r = std::to_chars(text, text + sizeof text, x);
    return std::string(text, r.ptr);
}

// The exact decimal value of x (a double has at most 767 significant
// digits), which the language takes as x itself where it takes declared
// bounds exactly.
std::string exact(double x) {
    char text[800];
    const auto r = std::to_chars(text, text + sizeof text, x, std::chars_format::scientific, 770);
    std::string s(text, r.ptr);
    const std::size_t e = s.find('e');
    if (e == std::string::npos) return s; // inf, nan
    std::size_t end = e;
    while (end > 0 && s[end - 1] == '0')
        --end;
    if (end > 0 && s[end - 1] == '.') --end;
    return s.substr(0, end) + s.substr(e);
}

std::string binary(const expr& a, const char* op, const expr& b) {
    return "(" + a.text() + " " + op + " " + b.text() + ")";
}

relation compare(const expr& a, const char* op, const expr& b) {
    return {a.text() + " " + op + " " + b.text()};
}

const char* quantifierName(quantifier q) {
    switch (q) {
    case quantifier::forall:
        return "U";
    case quantifier::exists:
        return "E";
    case quantifier::free:
        return "F";
    case quantifier::minimise:
        return "MIN";
    case quantifier::maximise:
        return "MAX";
    }
    return "U";
}

} // namespace

expr::expr(double x) : text_(x < 0 ? "(" + shortest(x) + ")" : shortest(x)) {}

expr expr::variable(std::string name) {
    return expr(std::move(name));
}

expr expr::interval(double a, double b) {
    return expr("[" + exact(a) + ", " + exact(b) + "]");
}

expr expr::call(std::string_view function, const expr& argument) {
    return expr(std::string(function) + "(" + argument.text() + ")");
}

expr operator+(const expr& a, const expr& b) {
    return expr(binary(a, "+", b));
}
expr operator-(const expr& a, const expr& b) {
    return expr(binary(a, "-", b));
}
expr operator*(const expr& a, const expr& b) {
    return expr(binary(a, "*", b));
}
expr operator/(const expr& a, const expr& b) {
    return expr(binary(a, "/", b));
}
expr operator-(const expr& a) {
    return expr("(-" + a.text() + ")");
}
expr pow(const expr& a, int n) {
    return expr("pow(" + a.text() + ", " + std::to_string(n) + ")");
}
expr sqrt(const expr& a) {
    return expr::call("sqrt", a);
}
expr exp(const expr& a) {
    return expr::call("exp", a);
}
expr log(const expr& a) {
    return expr::call("log", a);
}
expr sin(const expr& a) {
    return expr::call("sin", a);
}
expr cos(const expr& a) {
    return expr::call("cos", a);
}
expr tan(const expr& a) {
    return expr::call("tan", a);
}
expr asin(const expr& a) {
    return expr::call("asin", a);
}
expr acos(const expr& a) {
    return expr::call("acos", a);
}
expr atan(const expr& a) {
    return expr::call("atan", a);
}

relation operator<=(const expr& a, const expr& b) {
    return compare(a, "<=", b);
}
relation operator>=(const expr& a, const expr& b) {
    return compare(a, ">=", b);
}
relation operator<(const expr& a, const expr& b) {
    return compare(a, "<", b);
}
relation operator>(const expr& a, const expr& b) {
    return compare(a, ">", b);
}
relation equal(const expr& a, const expr& b) {
    return compare(a, "=", b);
}

problem_builder::problem_builder(std::string_view algorithm) {
    text_ = "Algorithm=" + std::string(algorithm) + ";\n";
}

problem_builder& problem_builder::option(std::string_view name, double value) {
    text_ += std::string(name) + "=" + shortest(value) + ";\n";
    return *this;
}

problem_builder& problem_builder::option(std::string_view name, std::string_view value) {
    text_ += std::string(name) + "=" + std::string(value) + ";\n";
    return *this;
}

problem_builder& problem_builder::variable(std::string_view name, double lo, double hi,
                                           quantifier q) {
    text_ += std::string(quantifierName(q)) + "(" + std::string(name) + ", [" + exact(lo) + ", " +
             exact(hi) + "]);\n";
    return *this;
}

problem_builder& problem_builder::objective(const expr& e) {
    text_ += "f:= " + e.text() + ";\n";
    return *this;
}

problem_builder& problem_builder::statement(const relation& r) {
    text_ += "lf:= " + r.text + ";\n";
    return *this;
}

problem_builder& problem_builder::constraint(const relation& r) {
    text_ += "c:= " + r.text + ";\n";
    return *this;
}

parse_result problem_builder::build() const {
    return parse_problem(text_);
}

} // namespace modal
