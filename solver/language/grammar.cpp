#include "solver/language/grammar.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include <boost/spirit/include/classic_chset.hpp>
#include <boost/spirit/include/classic_core.hpp>
#include <boost/spirit/include/classic_functor_parser.hpp>
#include <boost/spirit/include/classic_symbols.hpp>

#include "solver/language/actions.h"
#include "solver/language/options.h"
#include "solver/language/syntax_error.h"
#include "solver/language/tokens.h"

namespace modal {

namespace sp = BOOST_SPIRIT_CLASSIC_NS;

namespace {

bool isWhite(char c) noexcept {
    return std::isspace(static_cast<unsigned char>(c)) != 0;
}

const char* skipWhite(const char* p, const char* last) noexcept {
    while (p != last && isWhite(*p))
        ++p;
    return p;
}

// The white space skipper of the grammar. It also notes in the trace the
// furthest point at which any token attempt started, which is where a
// statement that does not parse goes wrong.
struct tracking_space : sp::parser<tracking_space> {
    parse_trace* trace;
    explicit tracking_space(parse_trace& t) : trace(&t) {}

    template <typename ScannerT>
    typename sp::parser_result<tracking_space, ScannerT>::type parse(ScannerT const& scan) const {
        const char* save = scan.first;
        const char* p = skipWhite(save, scan.last);
        trace->reached(p);
        if (p == save) return scan.no_match();
        scan.first = p;
        return scan.create_match(static_cast<std::size_t>(p - save), sp::nil_t(), save, p);
    }
};

// expect[p]: p; when p fails, the trace notes what was expected where it
// started.
template <typename SubjectT>
struct expect_parser : sp::unary<SubjectT, sp::parser<expect_parser<SubjectT>>> {
    using self_t = expect_parser<SubjectT>;
    using base_t = sp::unary<SubjectT, sp::parser<self_t>>;

    template <typename ScannerT> struct result {
        using type = typename sp::parser_result<SubjectT, ScannerT>::type;
    };

    expect_parser(SubjectT const& subject, parse_trace* trace, std::string_view label, int rank)
        : base_t(subject), trace_(trace), label_(label), rank_(rank) {}

    template <typename ScannerT>
    typename sp::parser_result<self_t, ScannerT>::type parse(ScannerT const& scan) const {
        const char* at = skipWhite(scan.first, scan.last);
        auto hit = this->subject().parse(scan);
        if (!hit) trace_->failed(at, label_, rank_);
        return hit;
    }

private:
    parse_trace* trace_;
    std::string_view label_;
    int rank_;
};

struct expect {
    parse_trace* trace;
    std::string_view label;
    int rank = 1;
    template <typename ParserT>
    expect_parser<typename ParserT::derived_t> operator[](sp::parser<ParserT> const& p) const {
        return expect_parser<typename ParserT::derived_t>(p.derived(), trace, label, rank);
    }
};

// An identifier where an operand was expected and nothing else matched: it
// names no declared variable. Notes it in the trace; never matches.
struct undeclared_name_functor {
    using result_t = sp::nil_t;
    parse_trace* trace;
    template <typename ScannerT> std::ptrdiff_t operator()(ScannerT const& scan, result_t&) const {
        result_t unused;
        const char* first = scan.first;
        const std::ptrdiff_t n = tokens::identifierFunctor()(scan, unused);
        scan.first = first;
        if (n > 0) {
            trace->undeclared_first = first;
            trace->undeclared_last = first + n;
        }
        return -1;
    }
};

using scanner_t =
    sp::scanner<const char*,
                sp::scanner_policies<sp::skip_parser_iteration_policy<tracking_space>>>;
using rule_t = sp::rule<scanner_t>;

} // namespace

struct problem_grammar::impl {
    impl(parse_context& c, model_actions& m);

    parse_context& ctx;
    model_actions& model;

    // Names entered by completed declarations. Each entry carries a number
    // nothing reads.
    sp::symbols<double> var_names;
    // The identifier of the declaration being tried, and the name of the one
    // that matched; the latter enters var_names when its ';' is read.
    std::string tried_name;
    std::string declared_name;

    // Where the attempts of the current parse went, for a syntax error.
    parse_trace trace;
    tracking_space skipper{trace};
    syntax_error error;

    // Active guarded factor parses.
    int nesting = 0;
    // Depth of the expression tree each entry of node_stack stands for, kept
    // beside the model's own stack so that overly deep trees are refused
    // before any tree code has to walk them.
    std::vector<int> depths;
    bool too_deep = false;

    rule_t program_rule, statement, var_decl, quant_decl, logic_function_def, function_def,
        constraint_def, sym_option, num_option, algorithm_stmt, option_name, relation, relop,
        expression, term, factor, function_call, function_name, power_call, integer, identifier,
        interval, name_ref, comment, blank;

    // Depth bookkeeping of the expression actions; `at` is where the node's
    // text ends.
    void leaf(const char* at) { pushDepth(1, at); }
    void unaryNode(const char* at) { pushDepth(popDepth() + 1, at); }
    void binaryNode(const char* at) {
        const int right = popDepth();
        const int left = popDepth();
        pushDepth(std::max(left, right) + 1, at);
    }
    void finishTree() { popDepth(); }
    int popDepth() {
        if (depths.empty()) return 0;
        const int d = depths.back();
        depths.pop_back();
        return d;
    }
    void pushDepth(int d, const char* at) {
        if (d > kMaxTreeDepth && !too_deep) {
            too_deep = true;
            trace.too_deep = at;
        }
        depths.push_back(d);
    }
};

namespace {

using text = std::string_view;

text span(const char* first, const char* last) {
    return text(first, static_cast<std::size_t>(last - first));
}

// A semantic action on matched text. Spirit hands a character parser's
// match over as the character, every other match as its first and last.
template <typename F> struct on_text_t {
    F f;
    void operator()(const char* first, const char* last) const { f(span(first, last)); }
    void operator()(char c) const { f(text(&c, 1)); }
};
template <typename F> on_text_t<F> on_text(F f) {
    return on_text_t<F>{f};
}

} // namespace

problem_grammar::impl::impl(parse_context& c, model_actions& m) : ctx(c), model(m) {
    using sp::ch_p;
    using sp::lexeme_d;
    using sp::str_p;

    // Actions, named after what they do. Each receives the matched text (or
    // the number) at the moment its part has matched.
    auto push_sym = on_text([this](text t) { push_symbol(ctx, t); });
    auto push_number = [this](double x) { push_num(ctx, x); };
    auto push_integer = [this](long n) { push_int(ctx, n); };
    auto make_interval = on_text([this](text t) { push_interval(ctx, t); });
    auto set_mode = on_text([this](text t) { assign_mode(ctx, t); });
    auto num_param = on_text([this](text) { assign_num_param(ctx); });
    auto sym_param = on_text([this](text) { assign_sym_param(ctx); });

    auto try_name = on_text([this](text t) { tried_name.assign(trim_white_space(t)); });
    auto name_declared = on_text([this](text) { declared_name = tried_name; });
    auto begin_statement = on_text([this](text) { declared_name.clear(); });
    auto end_statement = on_text([this](text) {
        if (!declared_name.empty()) sp::add(var_names, declared_name.c_str());
        declared_name.clear();
    });

    auto on_var = on_text([this](text t) { model.create_var(ctx, t); });
    auto on_quantvar = on_text([this](text t) { model.create_quantvar(ctx, t); });
    auto on_float = [this](double x) {
        model.create_float(ctx, x);
        leaf(nullptr);
    };
    auto on_incidence = on_text([this](text t) {
        model.create_incidence(ctx, trim_white_space(t));
        leaf(t.data() + t.size());
    });
    auto on_interval = on_text([this](text t) {
        model.create_interval(ctx, t);
        leaf(t.data() + t.size());
    });
    auto on_negate = on_text([this](text t) {
        model.create_negate(ctx, t);
        unaryNode(t.data() + t.size());
    });
    auto on_function = on_text([this](text t) {
        model.create_function(ctx, t);
        unaryNode(t.data() + t.size());
    });
    auto on_power = on_text([this](text t) {
        model.create_power(ctx, t);
        unaryNode(t.data() + t.size());
    });
    auto on_operator = on_text([this](text t) {
        model.create_operator(ctx, t);
        binaryNode(t.data() + t.size());
    });
    auto on_new_function = on_text([this](text t) { model.new_function(ctx, t); });
    auto on_assign_function = on_text([this](text t) {
        model.assign_function(ctx, t);
        finishTree();
    });
    auto on_new_constraint = on_text([this](text t) { model.new_constraint(ctx, t); });
    auto on_assign_constraint = on_text([this](text t) {
        model.assign_constraint(ctx, t);
        finishTree();
    });

    // Tokens without inner white space.
    const auto number = lexeme_d[sp::functor_parser<tokens::realNumberFunctor>()];
    const tokens::nesting_guard guarded{&nesting, kMaxNesting, &trace.nesting_refused};

    // What each part expects, for the description of a syntax error. Labels
    // of rank 2 win over those of rank 1 at the same position.
    const auto E = [this](std::string_view label, int rank = 1) {
        return expect{&trace, label, rank};
    };
    const auto lit = [E](char c, std::string_view label) { return E(label)[ch_p(c)]; };
    const auto open_paren = lit('(', "'('");
    const auto close_paren = lit(')', "')'");
    const auto comma = lit(',', "','");
    const auto operand = E("an operand (a number, a variable, an interval, '(' or a function)");
    const auto an_operator = E("an operator");
    const auto undeclared =
        lexeme_d[sp::functor_parser<undeclared_name_functor>(undeclared_name_functor{&trace})];

    program_rule = statement >> *(blank >> statement) | comment | blank;

    statement = sp::eps_p[begin_statement] >>
                E("a statement")[var_decl | quant_decl | logic_function_def | function_def |
                                 constraint_def | sym_option | num_option | algorithm_stmt] >>
                lit(';', "';'")[end_statement];

    var_decl = (identifier[try_name][push_sym] >> E("'=' or 'in'")[ch_p('=') | str_p("in")] >>
                E("an interval [a, b]")[interval])[on_var][name_declared];

    quant_decl = ((str_p("U") | "E" | "MIN" | "MAX" | "F")[push_sym] >> open_paren >>
                  E("a name")[identifier][try_name][push_sym] >> comma >>
                  E("an interval [a, b]")[interval] >> close_paren)[on_quantvar][name_declared];

    logic_function_def = (str_p("lf:=")[on_new_function] >> relation)[on_assign_function];

    function_def = (str_p("f:=")[on_new_function] >> expression)[on_assign_function];

    constraint_def = (str_p("c:=")[on_new_constraint] >> relation)[on_assign_constraint];

    sym_option = (option_name[push_sym] >> lit('=', "'='") >>
                  E("a name", 2)[identifier][push_sym])[sym_param];

    num_option = (option_name[push_sym] >> lit('=', "'='") >>
                  E("a number", 2)[number][push_number])[num_param];

    algorithm_stmt =
        str_p("Algorithm=") >> E("an algorithm name (QSI, FSTAR, LOGIC, MINMAX or CONTRACTOR)",
                                 2)[(str_p("QSI") | "FSTAR" | "LOGIC" | "CSP" | "MINMAX" |
                                     "MAXMIN" | "CONTRACTOR")[set_mode]];

    option_name = str_p("Epsilon") | "Tolerance" | "Bisect" | "Debug" | "Optim" | "PlotX" |
                  "PlotY" | "ScreenOut" | "Time" | "Solution" | "Plot" | "CSPEps" | "QSITime" |
                  "Threads" | "MemoryLimit" | "MeanValue";

    relation = (expression >> E("a comparison (=, <=, >=, < or >)")[relop][push_sym] >>
                expression)[on_operator];

    relop = str_p("=") | "<=" | ">=" | ">" | "<";

    expression = term >> *((an_operator[ch_p('+')][push_sym] >> term)[on_operator] |
                           (an_operator[ch_p('-')][push_sym] >> term)[on_operator]);

    term = factor >> *((an_operator[ch_p('*')][push_sym] >> factor)[on_operator] |
                       (an_operator[ch_p('/')][push_sym] >> factor)[on_operator]);

    factor = guarded[operand[number[on_float] | name_ref[on_incidence] | interval[on_interval] |
                             ('(' >> expression >> close_paren) | (ch_p('-') >> factor)[on_negate] |
                             function_call[on_function] | power_call[on_power] | undeclared]];

    function_call = function_name[push_sym] >> open_paren >> expression >> close_paren;

    function_name =
        str_p("sin") | "cos" | "tan" | "exp" | "log" | "acos" | "asin" | "atan" | "sqrt";

    power_call = str_p("pow") >> open_paren >> expression >> comma >>
                 E(tokens::kExponentLabel)[integer] >> close_paren;

    integer = lexeme_d[sp::functor_parser<tokens::integerFunctor>()][push_integer];

    identifier = lexeme_d[sp::functor_parser<tokens::identifierFunctor>()];

    interval =
        (ch_p('[') >> E("a number")[number][push_number] >> comma >>
         E("a number")[number][push_number] >> lit(']', "']'") >> !ch_p('\''))[make_interval];

    // A declared name, as a whole word: not followed by a letter, digit or '_'.
    name_ref = lexeme_d[var_names >> ~sp::eps_p(sp::chset<>("a-zA-Z0-9_"))];

    comment = lexeme_d['%' >> *sp::anychar_p];

    blank = lexeme_d[*sp::space_p];
}

problem_grammar::problem_grammar(parse_context& ctx, model_actions& model)
    : impl_(std::make_unique<impl>(ctx, model)) {}

problem_grammar::~problem_grammar() = default;

bool problem_grammar::parse(std::string_view statement) {
    impl& g = *impl_;
    g.nesting = 0;
    g.depths.clear();
    g.too_deep = false;
    g.declared_name.clear();
    g.trace.clear();
    g.error = syntax_error();

    const char* first = statement.data();
    const char* last = first + statement.size();
    const auto info = sp::parse(first, last, g.program_rule, g.skipper);
    if (info.hit && !g.too_deep && trim_white_space(span(info.stop, last)).empty()) return true;
    g.error = describe_syntax_error(
        statement, g.trace, syntax_limits{kMaxNesting, kMaxTreeDepth, tokens::kMaxNameLength});
    return false;
}

const syntax_error& problem_grammar::last_error() const noexcept {
    return impl_->error;
}

bool problem_grammar::is_declared(std::string_view name) const {
    const std::string key(name);
    return !key.empty() && sp::find(impl_->var_names, key.c_str()) != nullptr;
}

} // namespace modal
