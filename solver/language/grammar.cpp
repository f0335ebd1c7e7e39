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
#include "solver/language/algorithms.h"
#include "solver/language/options.h"
#include "solver/language/problem_checks.h"
#include "solver/language/syntax_error.h"
#include "solver/language/tokens.h"
#include "solver/model/chains.h"

namespace modal {

namespace sp = BOOST_SPIRIT_CLASSIC_NS;

namespace {

// The word of the algorithm statement, written "Algorithm=NAME;".
constexpr std::string_view kAlgorithmKeyword = "Algorithm";

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

// The length of the name at the start of the scan, and where the white
// space after it ends.
template <typename ScannerT> std::ptrdiff_t nameAt(ScannerT const& scan, const char*& after) {
    sp::nil_t unused;
    const char* first = scan.first;
    const std::ptrdiff_t n = tokens::identifierFunctor()(scan, unused);
    scan.first = first;
    after = n > 0 ? skipWhite(first + n, scan.last) : first;
    return n;
}

// A name where a name of the vocabulary `of` belongs and none matched:
// notes it in the trace; never matches. Where an operand belongs, a name
// followed by '(' is a function that does not exist, else a variable that was
// not declared.
struct unknown_name_functor {
    using result_t = sp::nil_t;
    parse_trace* trace;
    vocabulary of;
    template <typename ScannerT> std::ptrdiff_t operator()(ScannerT const& scan, result_t&) const {
        const char* after = nullptr;
        const std::ptrdiff_t n = nameAt(scan, after);
        if (n == 0) return -1;
        const bool call = after != scan.last && *after == '(';
        trace->unknown = {of == vocabulary::variable && call ? vocabulary::function : of,
                          scan.first, scan.first + n, scan.first + n};
        return -1;
    }
};

// "name = value" at the start of a statement where the name is no option:
// notes the unknown option; never matches. An interval after '=' makes a
// declaration, which is not this.
struct unknown_option_functor {
    using result_t = sp::nil_t;
    parse_trace* trace;
    template <typename ScannerT> std::ptrdiff_t operator()(ScannerT const& scan, result_t&) const {
        const char* after = nullptr;
        const std::ptrdiff_t n = nameAt(scan, after);
        if (n == 0 || after == scan.last || *after != '=') return -1;
        const char* value = skipWhite(after + 1, scan.last);
        if (value != scan.last && *value == '[') return -1;
        const std::string_view name(scan.first, static_cast<std::size_t>(n));
        if (find_option(name) != nullptr || name == kAlgorithmKeyword) return -1;
        const char* end = value;
        while (end != scan.last && *end != ';')
            ++end;
        trace->unknown = {vocabulary::option, scan.first, scan.first + n, end};
        return -1;
    }
};

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
    std::vector<std::string> declared_list;
    // The names of the vocabularies, each table matching its longest name:
    // functions of one and of two arguments, options and algorithms.
    sp::symbols<nodeKind> unary_functions, binary_functions;
    sp::symbols<int> option_table, algorithm_table;
    std::vector<std::string_view> function_words, option_words, algorithm_words;
    std::string algorithm_label;
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
    // before any tree code has to walk them. A chain of one operation (a flat
    // sum or product) is counted as the balanced tree it becomes once longer
    // than kLongestChain (see chains.h): its length, and its deepest term.
    struct treeDepth {
        int depth = 1;   // as the tree will be
        int chain = 0;   // chainClass of the chain it heads, 0 for none
        int written = 1; // depth of the chain as written (left-deep)
        std::size_t terms = 1;
        int deepestTerm = 0;
    };
    std::vector<treeDepth> depths;
    bool too_deep = false;

    rule_t program_rule, statement, var_decl, quant_decl, logic_function_def, function_def,
        constraint_def, sym_option, num_option, algorithm_stmt, option_name, algorithm_name,
        relation, relop, expression, term, factor, function_call, function_name,
        binary_function_call, binary_function_name, power_call, integer, identifier, interval,
        name_ref, comment, blank;

    // The tables of names, from the vocabularies of the model and the options.
    void fillTables();
    // The rules, family by family.
    void defineStatements();
    void defineDeclarations();
    void defineDefinitions();
    void defineOptions();
    void defineExpressions();
    void defineTokens();

    // What a part expects, for the description of a syntax error. Labels of
    // rank 2 win over those of rank 1 at the same position.
    expect expecting(std::string_view label, int rank = 1) { return expect{&trace, label, rank}; }
    auto literal(char c, std::string_view label) { return expecting(label)[sp::ch_p(c)]; }

    // Actions shared by several families: the matched text pushed on the
    // symbol stack, a number on the number stack.
    auto push_sym() {
        return on_text([this](text t) { push_symbol(ctx, t); });
    }
    auto push_number() {
        return [this](double x) { push_num(ctx, x); };
    }

    // Depth bookkeeping of the expression actions; `at` is where the node's
    // text ends.
    void leaf(const char* at) { pushDepth({}, at); }
    void unaryNode(const char* at) {
        const int d = popDepth().depth + 1;
        pushDepth({d, 0, d, 1, 0}, at);
    }
    // `op` is the operator's symbol (a function's name for min and max).
    void binaryNode(std::string_view op, const char* at) {
        const treeDepth right = popDepth();
        const treeDepth left = popDepth();
        const int cls = op == "+" || op == "-" ? 1 : op == "*" ? 2 : 0;
        treeDepth d;
        if (cls == 0) {
            d.depth = d.written = std::max(left.depth, right.depth) + 1;
        } else {
            const bool continues = left.chain == cls;
            d.chain = cls;
            d.terms = continues ? left.terms + 1 : 2;
            d.deepestTerm = std::max(continues ? left.deepestTerm : left.depth, right.depth);
            d.written = std::max(continues ? left.written : left.depth, right.depth) + 1;
            d.depth = d.terms > kLongestChain ? balancedDepth(d.terms, d.deepestTerm) : d.written;
        }
        pushDepth(d, at);
    }
    void finishTree() { popDepth(); }
    treeDepth popDepth() {
        if (depths.empty()) return {};
        const treeDepth d = depths.back();
        depths.pop_back();
        return d;
    }
    void pushDepth(const treeDepth& d, const char* at) {
        if (d.depth > kMaxTreeDepth && !too_deep) {
            too_deep = true;
            trace.too_deep = at;
        }
        depths.push_back(d);
    }
};

namespace {

// A real number, a token without inner white space.
auto number_p() {
    return sp::lexeme_d[sp::functor_parser<tokens::realNumberFunctor>()];
}

// A word of a table, as a whole word: not followed by a letter, digit or '_'.
template <typename TableT> auto whole_word(TableT const& table) {
    return sp::lexeme_d[table >> ~sp::eps_p(sp::chset<>("a-zA-Z0-9_"))];
}

} // namespace

problem_grammar::impl::impl(parse_context& c, model_actions& m) : ctx(c), model(m) {
    fillTables();
    defineStatements();
    defineDeclarations();
    defineDefinitions();
    defineOptions();
    defineExpressions();
    defineTokens();
}

void problem_grammar::impl::fillTables() {
    for (const kindInfo& k : nodeKinds()) {
        const std::string name(k.text);
        if (k.syntax == kindSyntax::function) {
            (k.arity == 2 ? binary_functions : unary_functions).add(name.c_str(), k.kind);
            function_words.push_back(k.text);
        } else if (k.syntax == kindSyntax::power) {
            function_words.push_back(k.text);
        }
    }
    for (const optionInfo& o : options()) {
        option_table.add(std::string(o.name).c_str(), 0);
        option_words.push_back(o.name);
    }
    option_words.push_back(kAlgorithmKeyword);
    for (const algorithmInfo& a : algorithms()) {
        algorithm_table.add(std::string(a.name).c_str(), 0);
        if (a.run != algorithmRun::none) algorithm_words.push_back(a.name);
    }
    algorithm_label = "an algorithm name (" + solving_algorithm_names() + ")";
}

// A statement text: statements ended by ';' (the last one may be followed by
// a '%' comment), a comment, or blanks. A declaration's name enters the
// table when its ';' is read.
void problem_grammar::impl::defineStatements() {
    auto begin_statement = on_text([this](text) { declared_name.clear(); });
    auto end_statement = on_text([this](text) {
        if (!declared_name.empty() && sp::find(var_names, declared_name.c_str()) == nullptr) {
            sp::add(var_names, declared_name.c_str());
            declared_list.push_back(declared_name);
        }
        declared_name.clear();
    });
    const auto unknown_option =
        sp::lexeme_d[sp::functor_parser<unknown_option_functor>(unknown_option_functor{&trace})];

    program_rule = statement >> *(blank >> statement) >> !comment | comment | blank;

    statement = sp::eps_p[begin_statement] >>
                expecting("a statement")[var_decl | quant_decl | logic_function_def | function_def |
                                         constraint_def | sym_option | num_option | algorithm_stmt |
                                         unknown_option] >>
                literal(';', "';'")[end_statement];

    comment = sp::lexeme_d['%' >> *sp::anychar_p];

    blank = sp::lexeme_d[*sp::space_p];
}

// Variables: free ones and quantified ones, each with its interval.
void problem_grammar::impl::defineDeclarations() {
    using sp::ch_p;
    using sp::str_p;
    auto try_name = on_text([this](text t) { tried_name.assign(trim_white_space(t)); });
    auto name_declared = on_text([this](text) { declared_name = tried_name; });
    auto on_var = on_text([this](text t) { model.create_var(ctx, t); });
    auto on_quantvar = on_text([this](text t) { model.create_quantvar(ctx, t); });

    var_decl =
        (identifier[try_name][push_sym()] >> expecting("'=' or 'in'")[ch_p('=') | str_p("in")] >>
         expecting("an interval [a, b]")[interval])[on_var][name_declared];

    quant_decl = ((str_p("U") | "E" | "MIN" | "MAX" | "F")[push_sym()] >> literal('(', "'('") >>
                  expecting("a name")[identifier][try_name][push_sym()] >> literal(',', "','") >>
                  expecting("an interval [a, b]")[interval] >>
                  literal(')', "')'"))[on_quantvar][name_declared];
}

// Functions, logic functions and constraints: each builds one tree.
void problem_grammar::impl::defineDefinitions() {
    using sp::str_p;
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

    logic_function_def = (str_p("lf:=")[on_new_function] >> relation)[on_assign_function];

    function_def = (str_p("f:=")[on_new_function] >> expression)[on_assign_function];

    constraint_def = (str_p("c:=")[on_new_constraint] >> relation)[on_assign_constraint];
}

// Options with a name or a number, and the algorithm.
void problem_grammar::impl::defineOptions() {
    using sp::str_p;
    auto set_mode = on_text([this](text t) { assign_mode(ctx, t); });
    auto num_param = on_text([this](text) { assign_num_param(ctx); });
    auto sym_param = on_text([this](text) { assign_sym_param(ctx); });

    sym_option = (option_name[push_sym()] >> literal('=', "'='") >>
                  expecting("a name", 2)[identifier][push_sym()])[sym_param];

    num_option = (option_name[push_sym()] >> literal('=', "'='") >>
                  expecting("a number", 2)[number_p()][push_number()])[num_param];

    const auto unknown_algorithm = sp::lexeme_d[sp::functor_parser<unknown_name_functor>(
        unknown_name_functor{&trace, vocabulary::algorithm})];

    algorithm_stmt =
        sp::lexeme_d[str_p(kAlgorithmKeyword.begin(), kAlgorithmKeyword.end()) >> '='] >>
        expecting(algorithm_label, 2)[algorithm_name[set_mode] | unknown_algorithm];

    algorithm_name = whole_word(algorithm_table);

    option_name = whole_word(option_table);
}

// Relations and expressions: each operand and operator builds its node, and
// the depth bookkeeping refuses trees that are too deep.
void problem_grammar::impl::defineExpressions() {
    using sp::ch_p;
    using sp::str_p;
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
        const std::string op = ctx.sym_stack.empty() ? std::string() : ctx.sym_stack.top();
        model.create_operator(ctx, t);
        binaryNode(op, t.data() + t.size());
    });
    const tokens::nesting_guard guarded{&nesting, kMaxNesting, &trace.nesting_refused};
    const auto operand =
        expecting("an operand (a number, a variable, an interval, '(' or a function)");
    const auto an_operator = expecting("an operator");
    const auto close_paren = literal(')', "')'");
    const auto undeclared = sp::lexeme_d[sp::functor_parser<unknown_name_functor>(
        unknown_name_functor{&trace, vocabulary::variable})];

    relation = (expression >> expecting("a comparison (=, <=, >=, < or >)")[relop][push_sym()] >>
                expression)[on_operator];

    relop = str_p("=") | "<=" | ">=" | ">" | "<";

    expression = term >> *((an_operator[ch_p('+')][push_sym()] >> term)[on_operator] |
                           (an_operator[ch_p('-')][push_sym()] >> term)[on_operator]);

    term = factor >> *((an_operator[ch_p('*')][push_sym()] >> factor)[on_operator] |
                       (an_operator[ch_p('/')][push_sym()] >> factor)[on_operator]);

    factor = guarded[operand[number_p()[on_float] | name_ref[on_incidence] | interval[on_interval] |
                             ('(' >> expression >> close_paren) | (ch_p('-') >> factor)[on_negate] |
                             function_call[on_function] | binary_function_call[on_operator] |
                             power_call[on_power] | undeclared]];

    function_call = function_name[push_sym()] >> literal('(', "'('") >> expression >> close_paren;

    function_name = whole_word(unary_functions);

    binary_function_call = binary_function_name[push_sym()] >> literal('(', "'('") >> expression >>
                           literal(',', "','") >> expression >> close_paren;

    binary_function_name = whole_word(binary_functions);

    const std::string_view pow = kindText(nodeKind::pow);
    power_call =
        sp::lexeme_d[str_p(pow.begin(), pow.end()) >> ~sp::eps_p(sp::chset<>("a-zA-Z0-9_"))] >>
        literal('(', "'('") >> expression >> literal(',', "','") >>
        expecting(tokens::kExponentLabel)[integer] >> close_paren;
}

// Integers, names, intervals and references to declared names.
void problem_grammar::impl::defineTokens() {
    auto push_integer = [this](long n) { push_int(ctx, n); };
    auto make_interval = on_text([this](text t) { push_interval(ctx, t); });

    integer = sp::lexeme_d[sp::functor_parser<tokens::integerFunctor>()][push_integer];

    identifier = sp::lexeme_d[sp::functor_parser<tokens::identifierFunctor>()];

    interval = (sp::ch_p('[') >> expecting("a number")[number_p()][push_number()] >>
                literal(',', "','") >> expecting("a number")[number_p()][push_number()] >>
                literal(']', "']'") >> !sp::ch_p('\''))[make_interval];

    // A declared name, as a whole word: not followed by a letter, digit or '_'.
    name_ref = sp::lexeme_d[var_names >> ~sp::eps_p(sp::chset<>("a-zA-Z0-9_"))];
}

problem_grammar::problem_grammar(parse_context& ctx, model_actions& model)
    : impl_(std::make_unique<impl>(ctx, model)) {}

problem_grammar::~problem_grammar() = default;

bool problem_grammar::parse(std::string_view statement) {
    impl& g = *impl_;
    g.ctx.statement.assign(statement);
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
    const std::vector<std::string_view> variables(g.declared_list.begin(), g.declared_list.end());
    g.error = describe_syntax_error(
        statement, g.trace, syntax_limits{kMaxNesting, kMaxTreeDepth, tokens::kMaxNameLength},
        syntax_vocabulary{variables, g.function_words, g.option_words, g.algorithm_words});
    return false;
}

std::vector<located_warning> problem_grammar::finish() {
    return check_problem(impl_->ctx, impl_->model);
}

const syntax_error& problem_grammar::last_error() const noexcept {
    return impl_->error;
}

bool problem_grammar::is_declared(std::string_view name) const {
    const std::string key(name);
    return !key.empty() && sp::find(impl_->var_names, key.c_str()) != nullptr;
}

} // namespace modal
