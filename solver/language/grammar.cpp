#include "solver/language/grammar.h"

#include <algorithm>
#include <string>
#include <vector>

#include <boost/spirit/include/classic_chset.hpp>
#include <boost/spirit/include/classic_core.hpp>
#include <boost/spirit/include/classic_functor_parser.hpp>
#include <boost/spirit/include/classic_symbols.hpp>

#include "solver/language/actions.h"
#include "solver/language/options.h"
#include "solver/language/tokens.h"

namespace modal {

namespace sp = BOOST_SPIRIT_CLASSIC_NS;
using rule_t = sp::rule<sp::phrase_scanner_t>;

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

    // Depth bookkeeping of the expression actions.
    void leaf() { pushDepth(1); }
    void unaryNode() { pushDepth(popDepth() + 1); }
    void binaryNode() {
        const int right = popDepth();
        const int left = popDepth();
        pushDepth(std::max(left, right) + 1);
    }
    void finishTree() { popDepth(); }
    int popDepth() {
        if (depths.empty()) return 0;
        const int d = depths.back();
        depths.pop_back();
        return d;
    }
    void pushDepth(int d) {
        if (d > kMaxTreeDepth) too_deep = true;
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
    auto make_interval = on_text([this](text) { push_interval(ctx); });
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
        leaf();
    };
    auto on_incidence = on_text([this](text t) {
        model.create_incidence(ctx, trim_white_space(t));
        leaf();
    });
    auto on_interval = on_text([this](text t) {
        model.create_interval(ctx, t);
        leaf();
    });
    auto on_negate = on_text([this](text t) {
        model.create_negate(ctx, t);
        unaryNode();
    });
    auto on_function = on_text([this](text t) {
        model.create_function(ctx, t);
        unaryNode();
    });
    auto on_power = on_text([this](text t) {
        model.create_power(ctx, t);
        unaryNode();
    });
    auto on_operator = on_text([this](text t) {
        model.create_operator(ctx, t);
        binaryNode();
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
    const tokens::nesting_guard guarded{&nesting, kMaxNesting};

    program_rule = statement >> *(blank >> statement) | comment | blank;

    statement = sp::eps_p[begin_statement] >>
                (var_decl | quant_decl | logic_function_def | function_def | constraint_def |
                 sym_option | num_option | algorithm_stmt) >>
                ch_p(';')[end_statement];

    var_decl = (identifier[try_name][push_sym] >> (ch_p('=') | str_p("in")) >>
                interval)[on_var][name_declared];

    quant_decl =
        ((str_p("U") | "E" | "MIN" | "MAX" | "F")[push_sym] >> '(' >>
         identifier[try_name][push_sym] >> ',' >> interval >> ')')[on_quantvar][name_declared];

    logic_function_def = (str_p("lf:=")[on_new_function] >> relation)[on_assign_function];

    function_def = (str_p("f:=")[on_new_function] >> expression)[on_assign_function];

    constraint_def = (str_p("c:=")[on_new_constraint] >> relation)[on_assign_constraint];

    sym_option = (option_name[push_sym] >> '=' >> identifier[push_sym])[sym_param];

    num_option = (option_name[push_sym] >> '=' >> number[push_number])[num_param];

    algorithm_stmt = str_p("Algorithm=") >> (str_p("QSI") | "FSTAR" | "LOGIC" | "CSP" | "MINMAX" |
                                             "MAXMIN" | "CONTRACTOR")[set_mode];

    option_name = str_p("Epsilon") | "Tolerance" | "Bisect" | "Debug" | "Optim" | "PlotX" |
                  "PlotY" | "ScreenOut" | "Time" | "Solution" | "Plot" | "CSPEps" | "QSITime" |
                  "MemoryLimit";

    relation = (expression >> relop[push_sym] >> expression)[on_operator];

    relop = str_p("=") | "<=" | ">=" | ">" | "<";

    expression = term >> *((ch_p('+')[push_sym] >> term)[on_operator] |
                           (ch_p('-')[push_sym] >> term)[on_operator]);

    term = factor >> *((ch_p('*')[push_sym] >> factor)[on_operator] |
                       (ch_p('/')[push_sym] >> factor)[on_operator]);

    factor = guarded[number[on_float] | name_ref[on_incidence] | interval[on_interval] |
                     ('(' >> expression >> ')') | (ch_p('-') >> factor)[on_negate] |
                     function_call[on_function] | power_call[on_power]];

    function_call = function_name[push_sym] >> '(' >> expression >> ')';

    function_name =
        str_p("sin") | "cos" | "tan" | "exp" | "log" | "acos" | "asin" | "atan" | "sqrt";

    power_call = str_p("pow") >> '(' >> expression >> ',' >> integer >> ')';

    integer = lexeme_d[sp::functor_parser<tokens::integerFunctor>()][push_integer];

    identifier = lexeme_d[sp::functor_parser<tokens::identifierFunctor>()];

    interval = (ch_p('[') >> number[push_number] >> ',' >> number[push_number] >> ']' >>
                !ch_p('\''))[make_interval];

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

    const char* first = statement.data();
    const char* last = first + statement.size();
    const auto info = sp::parse(first, last, g.program_rule, sp::space_p);
    if (!info.hit || g.too_deep) return false;
    return trim_white_space(span(info.stop, last)).empty();
}

bool problem_grammar::is_declared(std::string_view name) const {
    const std::string key(name);
    return !key.empty() && sp::find(impl_->var_names, key.c_str()) != nullptr;
}

} // namespace modal
