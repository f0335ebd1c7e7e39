// The grammar on single statement texts: what it accepts, and the order in
// which it calls the actions (seen through a model that writes each node it
// would build as text).
#include "solver/language/grammar.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <limits>
#include <sstream>
#include <string>
#include <vector>

#include "solver/fstar/param.h"
#include "solver/sets/qsi_param.h"

namespace modal {
namespace {

// Pops what the real actions pop and pushes the node as text, fully
// parenthesised, so the tests see the tree the statement describes.
class recordingModel : public model_actions {
public:
    std::vector<std::string> nodes; // mirrors node_stack
    std::vector<std::string> log;   // finished statements

    void create_var(parse_context& ctx, std::string_view) override {
        const std::string name = popSym(ctx);
        log.push_back("var " + name + " " + text(popIval(ctx)));
    }
    void create_quantvar(parse_context& ctx, std::string_view) override {
        const std::string name = popSym(ctx);
        const std::string q = popSym(ctx);
        log.push_back(q + " " + name + " " + text(popIval(ctx)));
    }
    void create_float(parse_context&, double x) override {
        std::ostringstream os;
        os << x;
        nodes.push_back(os.str());
    }
    void create_incidence(parse_context&, std::string_view name) override {
        nodes.emplace_back(name);
    }
    void create_interval(parse_context& ctx, std::string_view) override {
        nodes.push_back(text(popIval(ctx)));
    }
    void create_negate(parse_context&, std::string_view) override {
        nodes.push_back("(-" + popNode() + ")");
    }
    void create_function(parse_context& ctx, std::string_view) override {
        const std::string arg = popNode();
        nodes.push_back(popSym(ctx) + "(" + arg + ")");
    }
    void create_power(parse_context& ctx, std::string_view) override {
        const long n = ctx.int_stack.top();
        ctx.int_stack.pop();
        nodes.push_back("pow(" + popNode() + "," + std::to_string(n) + ")");
    }
    void create_operator(parse_context& ctx, std::string_view) override {
        const std::string op = popSym(ctx);
        const std::string right = popNode();
        const std::string left = popNode();
        // Functions of two arguments build binary nodes too.
        nodes.push_back(std::isalpha(static_cast<unsigned char>(op[0]))
                            ? op + "(" + left + "," + right + ")"
                            : "(" + left + op + right + ")");
    }
    void new_function(parse_context&, std::string_view t) override {
        log.push_back("new " + std::string(t));
    }
    void assign_function(parse_context&, std::string_view) override {
        if (!nodes.empty()) log.push_back("function " + popNode());
    }
    void new_constraint(parse_context&, std::string_view t) override {
        log.push_back("new " + std::string(t));
    }
    void assign_constraint(parse_context&, std::string_view) override {
        if (!nodes.empty()) log.push_back("constraint " + popNode());
    }

private:
    static std::string text(const ivalDb& x) {
        std::ostringstream os;
        os.precision(17);
        os << x;
        return os.str();
    }
    static std::string popSym(parse_context& ctx) {
        std::string s = ctx.sym_stack.top();
        ctx.sym_stack.pop();
        return s;
    }
    static ivalDb popIval(parse_context& ctx) {
        const ivalDb x = ctx.ival_stack.top();
        ctx.ival_stack.pop();
        return x;
    }
    std::string popNode() {
        std::string s = nodes.back();
        nodes.pop_back();
        return s;
    }
};

class GrammarTest : public ::testing::Test {
protected:
    param settings;
    qsiParam qsiSettings;
    parse_context ctx;
    recordingModel model;
    problem_grammar grammar{ctx, model};

    void SetUp() override {
        ctx.settings = &settings;
        ctx.qsi_settings = &qsiSettings;
        ASSERT_TRUE(grammar.parse("x in [0, 1]; y in [0, 1]; z = [0, 1];"));
        model.log.clear();
    }

    // The tree of the function the statement defines, or "" when it fails.
    std::string function(const std::string& expr) {
        model.log.clear();
        if (!grammar.parse("f:= " + expr + ";")) return "";
        return model.log.size() == 2 ? model.log[1] : "?";
    }
};

TEST_F(GrammarTest, OperatorsAssociateLeftAndBindByLevel) {
    EXPECT_EQ(function("x-y-z"), "function ((x-y)-z)");
    EXPECT_EQ(function("x*y/z"), "function ((x*y)/z)");
    EXPECT_EQ(function("x/y*z"), "function ((x/y)*z)");
    EXPECT_EQ(function("x+y*z"), "function (x+(y*z))");
    EXPECT_EQ(function("x*y+z"), "function ((x*y)+z)");
    EXPECT_EQ(function("(x+y)*z"), "function ((x+y)*z)");
    EXPECT_EQ(function("x-(y-z)"), "function (x-(y-z))");
    EXPECT_EQ(function("-x*y"), "function ((-x)*y)");
    EXPECT_EQ(function("x*y-z/x+y"), "function (((x*y)-(z/x))+y)");
    EXPECT_EQ(function("((x))"), "function x");
}

TEST_F(GrammarTest, SignedNumbersAreNumbersAndMinusBeforeAnythingElseNegates) {
    EXPECT_EQ(function("-3"), "function -3");
    EXPECT_EQ(function("x*-3"), "function (x*-3)");
    EXPECT_EQ(function("x-3"), "function (x-3)");
    EXPECT_EQ(function("x - -3"), "function (x--3)");
    EXPECT_EQ(function("- 3"), "function (-3)");
    EXPECT_EQ(function("-x"), "function (-x)");
    EXPECT_EQ(function("--x"), "function (-(-x))");
    EXPECT_EQ(function("-(x+y)"), "function (-(x+y))");
    EXPECT_EQ(function("+2.5e1"), "function 25");
    EXPECT_EQ(function(".5+5."), "function (0.5+5)");
}

TEST_F(GrammarTest, FunctionsPowersAndIntervalConstants) {
    EXPECT_EQ(function("sin(x)+cos(y)*tan(z)"), "function (sin(x)+(cos(y)*tan(z)))");
    EXPECT_EQ(function("exp(log(sqrt(x)))"), "function exp(log(sqrt(x)))");
    EXPECT_EQ(function("acos(x)+asin(y)+atan(z)"), "function ((acos(x)+asin(y))+atan(z))");
    EXPECT_EQ(function("pow(x+y, 2)"), "function pow((x+y),2)");
    EXPECT_EQ(function("pow(x,-3)"), "function pow(x,-3)");
    EXPECT_EQ(function("x*[2, 1]'"), "function (x*[2, 1])");
    // The longest function name matches, as a whole word.
    EXPECT_EQ(function("sinh(x)-sin(y)*tanh (z)"), "function (sinh(x)-(sin(y)*tanh(z)))");
    EXPECT_EQ(function("abs(cosh(x))"), "function abs(cosh(x))");
    EXPECT_EQ(function("max(x, min(y, 2)) / 2"), "function (max(x,min(y,2))/2)");
    EXPECT_EQ(function("sinhx(x)"), "");
    EXPECT_EQ(function("sqr(x)"), "");
    EXPECT_EQ(function("min(x)"), "");
    EXPECT_EQ(function("abs(x, y)"), "");
    EXPECT_EQ(function("powx(x, 2)"), "");
    EXPECT_EQ(function("pow(x, +2)"), "");
    EXPECT_EQ(function("pow(x, 2.5)"), "");
    EXPECT_EQ(function("pow(x, - 2)"), "");
    EXPECT_EQ(function("pow(x, 2147483648)"), "");
    EXPECT_EQ(function("pow(x, -2147483648)"), "function pow(x,-2147483648)");
    EXPECT_EQ(function("x^2"), "");
}

TEST_F(GrammarTest, RelationsHoldExactlyOneOperator) {
    const char* ops[] = {"=", "<=", ">=", ">", "<"};
    for (const char* op : ops) {
        model.log.clear();
        EXPECT_TRUE(grammar.parse(std::string("lf:= x*y ") + op + " 3;")) << op;
        EXPECT_EQ(model.log.back(), std::string("function ((x*y)") + op + "3)");
        model.log.clear();
        EXPECT_TRUE(grammar.parse(std::string("c:= x ") + op + " y+z;")) << op;
        EXPECT_EQ(model.log, (std::vector<std::string>{"new c:=", std::string("constraint (x") +
                                                                      op + "(y+z))"}));
    }
    EXPECT_FALSE(grammar.parse("c:= x < y < z;"));
    EXPECT_FALSE(grammar.parse("c:= x;"));
    EXPECT_FALSE(grammar.parse("lf:= x + y;"));
    EXPECT_FALSE(grammar.parse("f:= x < y;"));
}

TEST_F(GrammarTest, KeywordsAndTokensAdmitNoInnerWhiteSpace) {
    EXPECT_FALSE(grammar.parse("f :=x;"));
    EXPECT_FALSE(grammar.parse("f: =x;"));
    EXPECT_FALSE(grammar.parse("l f:= x<y;"));
    EXPECT_FALSE(grammar.parse("Algorithm =FSTAR;"));
    EXPECT_FALSE(grammar.parse("f:= 1 .5;"));
    EXPECT_TRUE(grammar.parse("  f:=x  ;  "));
    EXPECT_TRUE(grammar.parse("Algorithm=  FSTAR ;"));
    EXPECT_TRUE(grammar.parse("Epsilon  =  0.5 ;"));
    EXPECT_DOUBLE_EQ(settings.epsilon, 0.5);
}

TEST_F(GrammarTest, DeclarationsAndTheirNames) {
    EXPECT_TRUE(grammar.parse("a in[1, 2];"));
    EXPECT_EQ(model.log.back(), "var a [1, 2]");
    EXPECT_TRUE(grammar.parse("b=[2,1]'  ;"));
    EXPECT_EQ(model.log.back(), "var b [2, 1]");
    EXPECT_FALSE(grammar.parse("cin [0, 1];")); // the name takes the letters of "in"
    EXPECT_FALSE(grammar.is_declared("cin"));

    model.log.clear();
    EXPECT_TRUE(grammar.parse("U(u, [2, 1]); E(e,[0,1]); MIN(m,[0,1]); MAX(M,[0,1]); F(p,[0,1]);"));
    EXPECT_EQ(model.log.size(), 5u);
    EXPECT_EQ(model.log[0], "U u [2, 1]");
    EXPECT_EQ(model.log[3], "MAX M [0, 1]");
    // Bounds that a double holds exactly are kept; others are enclosed.
    model.log.clear();
    EXPECT_TRUE(grammar.parse("c in [-1e3, 0.1]; d in [2.5E-1, -0.0];"));
    EXPECT_EQ(model.log[0], "var c [-1000, 0.10000000000000002]");
    EXPECT_EQ(model.log[1], "var d [0.25, -0]");
    for (const char* name : {"a", "b", "u", "e", "m", "M", "p"}) {
        EXPECT_TRUE(grammar.is_declared(name)) << name;
    }
    // An option name followed by an interval declares a variable.
    EXPECT_TRUE(grammar.parse("Epsilon=[1, 2];"));
    EXPECT_TRUE(grammar.is_declared("Epsilon"));
    EXPECT_EQ(settings.epsilon, 0.0);
}

TEST_F(GrammarTest, OnlyCompletedDeclarationsEnterTheNameTable) {
    EXPECT_TRUE(grammar.parse("c:= x <= 1; Algorithm=FSTAR; Epsilon=1;"));
    for (const char* name : {"c", "Algorithm", "Epsilon", "E", "f"}) {
        EXPECT_FALSE(grammar.is_declared(name)) << name;
    }
    EXPECT_EQ(function("cos(x)"), "function cos(x)");
    EXPECT_FALSE(grammar.parse("w in [0, 1] w;"));
    EXPECT_FALSE(grammar.parse("v in [0, 1]"));
    EXPECT_FALSE(grammar.parse("U(t, [0, 1]) t;"));
    EXPECT_FALSE(grammar.is_declared("w"));
    EXPECT_FALSE(grammar.is_declared("v"));
    EXPECT_FALSE(grammar.is_declared("t"));
    EXPECT_EQ(function("w"), "");
}

TEST_F(GrammarTest, NamesMatchOnlyAsWholeWords) {
    ASSERT_TRUE(grammar.parse("s in [0, 1]; x1 in [0, 1]; sq in [1, 2];"));
    EXPECT_EQ(function("sin(s)+sqrt(sq)"), "function (sin(s)+sqrt(sq))");
    EXPECT_EQ(function("x1*x"), "function (x1*x)");
    EXPECT_EQ(function("x * 1"), "function (x*1)");
    EXPECT_EQ(function("x2"), "");
    EXPECT_EQ(function("xy"), "");
    EXPECT_EQ(function("x_"), "");
    EXPECT_EQ(function("undeclared"), "");
    // The same name twice: one entry, still found.
    EXPECT_TRUE(grammar.parse("x in [5, 6];"));
    EXPECT_EQ(function("x"), "function x");
}

TEST_F(GrammarTest, EmptyAndMalformedStatementsFail) {
    for (const char* bad :
         {";", ";;", "x in [0, 1];;", "x in [0, 1]; ;", "f:= ;", "f:=x", "x in [0,1", "x in [0 1];",
          "x in [a, 1];", "f:= x +;", "f:= (x;", "f:= x);", "Algorithm=FSTARX;", "Algorithm=fstar;",
          "TOptimal=3;", "x in [0,1]; junk", "f:= x % remark;", "\x01;", "f:= x\xff;"}) {
        EXPECT_FALSE(grammar.parse(bad)) << bad;
    }
    EXPECT_FALSE(grammar.parse(std::string("f:= x;\0", 7)));
}

TEST_F(GrammarTest, CommentsAndWhiteSpaceAreAcceptedAsTheyAre) {
    EXPECT_TRUE(grammar.parse(""));
    EXPECT_TRUE(grammar.parse(" \t\r\n\v\f"));
    EXPECT_TRUE(grammar.parse("% f:= undeclared; ;;"));
    EXPECT_TRUE(grammar.parse("  %"));
    EXPECT_TRUE(model.log.empty());
    // A comment after the last statement runs to the end of the text.
    EXPECT_TRUE(grammar.parse("f:= x; % f:= y; junk"));
    EXPECT_EQ(model.log, std::vector<std::string>({"new f:=", "function x"}));
}

TEST_F(GrammarTest, AlgorithmNames) {
    for (const char* name : {"QSI", "FSTAR", "LOGIC", "CSP", "MINMAX", "MAXMIN", "CONTRACTOR"}) {
        EXPECT_TRUE(grammar.parse(std::string("Algorithm=") + name + ";")) << name;
        EXPECT_EQ(ctx.algorithm_name, name);
    }
}

// Beyond the range of double a magnitude saturates: to an infinity of the
// number's sign, or below the smallest subnormal to a zero of its sign.
TEST_F(GrammarTest, NumbersBeyondTheRangeOfDoubleSaturate) {
    const double inf = std::numeric_limits<double>::infinity();
    ASSERT_TRUE(grammar.parse("Time=1e400; Epsilon=-1e400; Tolerance=1e-400; CSPEps=-1e-400;"));
    EXPECT_EQ(settings.time_limit, inf);
    EXPECT_EQ(settings.epsilon, -inf);
    EXPECT_EQ(settings.tolerance, 0.0);
    EXPECT_FALSE(std::signbit(settings.tolerance));
    EXPECT_EQ(qsiSettings.epsilon, 0.0);
    EXPECT_TRUE(std::signbit(qsiSettings.epsilon));
    ASSERT_TRUE(grammar.parse("Time=1" + std::string(400, '0') + ".5; Epsilon=0." +
                              std::string(400, '0') + "7e-5;"));
    EXPECT_EQ(settings.time_limit, inf);
    EXPECT_EQ(settings.epsilon, 0.0);
    // Both ways of the order: digits before the point, and the exponent.
    ASSERT_TRUE(grammar.parse("Time=0.001e311; Epsilon=1000e-327; Tolerance=1.8e308;"));
    EXPECT_EQ(settings.time_limit, 1e308);
    EXPECT_EQ(settings.epsilon, 0.0); // 1e-324: nearer to 0 than to the smallest subnormal
    EXPECT_EQ(settings.tolerance, inf);
    ASSERT_TRUE(grammar.parse("Time=1e99999999999999999999; Epsilon=1e-99999999999999999999;"));
    EXPECT_EQ(settings.time_limit, inf);
    EXPECT_EQ(settings.epsilon, 0.0);
    model.log.clear();
    ASSERT_TRUE(grammar.parse("w in [-1e400, 1e999]; f:= w*1e-999;"));
    EXPECT_EQ(model.log[0], "var w [-inf, inf]");
    EXPECT_EQ(model.log[2], "function (w*0)");
}

TEST_F(GrammarTest, NumbersAreReadAsTheNearestDouble) {
    ASSERT_TRUE(grammar.parse("Epsilon=0.3; Tolerance=1e-5; Time=123456789.123456789;"));
    EXPECT_EQ(settings.epsilon, 0.3);
    EXPECT_EQ(settings.tolerance, 1e-5);
    EXPECT_EQ(settings.time_limit, 123456789.123456789);
    ASSERT_TRUE(grammar.parse("Epsilon=4.9e-324; Tolerance=1.7976931348623157e308;"));
    EXPECT_EQ(settings.epsilon, 4.9e-324);
    EXPECT_EQ(settings.tolerance, 1.7976931348623157e308);
    EXPECT_FALSE(grammar.parse("Time=1e;"));
    EXPECT_FALSE(grammar.parse("Time=1e+;"));
    EXPECT_FALSE(grammar.parse("Time=.;"));
    EXPECT_FALSE(grammar.parse("Time=-;"));
}

// Parse stacks after single statements, with the model doing nothing: what
// the small actions leave behind.
// Leaves the stacks to the small actions alone, so the tests see what they
// pushed: every model-building action does nothing.
class inertModel : public model_actions {
public:
    void create_var(parse_context&, std::string_view) override {}
    void create_quantvar(parse_context&, std::string_view) override {}
    void create_float(parse_context&, double) override {}
    void create_incidence(parse_context&, std::string_view) override {}
    void create_interval(parse_context&, std::string_view) override {}
    void create_negate(parse_context&, std::string_view) override {}
    void create_function(parse_context&, std::string_view) override {}
    void create_power(parse_context&, std::string_view) override {}
    void create_operator(parse_context&, std::string_view) override {}
    void new_function(parse_context&, std::string_view) override {}
    void assign_function(parse_context&, std::string_view) override {}
    void new_constraint(parse_context&, std::string_view) override {}
    void assign_constraint(parse_context&, std::string_view) override {}
};

class StacksTest : public ::testing::Test {
protected:
    param settings;
    qsiParam qsiSettings;
    parse_context ctx;
    inertModel model;
    problem_grammar grammar{ctx, model};

    void SetUp() override {
        ctx.settings = &settings;
        ctx.qsi_settings = &qsiSettings;
    }

    std::vector<std::string> symbols() const {
        auto copy = ctx.sym_stack;
        std::vector<std::string> out;
        for (; !copy.empty(); copy.pop())
            out.insert(out.begin(), copy.top());
        return out;
    }
};

TEST_F(StacksTest, DeclarationPushesNameAndInterval) {
    ASSERT_TRUE(grammar.parse("x in [1, 2];"));
    EXPECT_EQ(symbols(), std::vector<std::string>{"x"});
    ASSERT_EQ(ctx.ival_stack.size(), 1u);
    EXPECT_TRUE(sameBounds(ctx.ival_stack.top(), ivalDb::exact(1, 2)));
    EXPECT_TRUE(ctx.num_stack.empty());
    ASSERT_TRUE(grammar.parse("y = [3, -1];"));
    EXPECT_TRUE(sameBounds(ctx.ival_stack.top(), ivalDb::exact(3, -1)));
    EXPECT_GT(ctx.ival_stack.top().inf(), ctx.ival_stack.top().sup());
}

TEST_F(StacksTest, FailedAttemptsLeaveTheirEntriesBelow) {
    // "Epsilon" is tried as a declaration, "E" as a quantifier, the option as
    // a name-valued one, and finally matches as a numeric one, which takes
    // its own entries back.
    ASSERT_TRUE(grammar.parse("Epsilon=0.5;"));
    EXPECT_EQ(symbols(), (std::vector<std::string>{"Epsilon", "E", "Epsilon"}));
    EXPECT_TRUE(ctx.num_stack.empty());
    EXPECT_EQ(settings.epsilon, 0.5);
}

TEST_F(StacksTest, ExpressionTokensArePushedInTextOrder) {
    ASSERT_TRUE(grammar.parse("x in [0, 1];"));
    ASSERT_TRUE(grammar.parse("f:= sin(x) * pow(x, -7) - x;"));
    EXPECT_EQ(symbols(), (std::vector<std::string>{"x", "f", "sin", "*", "-"}));
    ASSERT_EQ(ctx.int_stack.size(), 1u);
    EXPECT_EQ(ctx.int_stack.top(), -7);
}

// Deeply nested or very long statements must neither overflow the stack nor
// take long: they parse or fail cleanly.
class LimitsTest : public GrammarTest {};

TEST_F(LimitsTest, DeepNestingIsASyntaxError) {
    const std::size_t deep = 100000;
    EXPECT_FALSE(
        grammar.parse("f:= " + std::string(deep, '(') + "x" + std::string(deep, ')') + ";"));
    EXPECT_FALSE(grammar.parse("f:= " + std::string(deep, '-') + "x;"));
    EXPECT_FALSE(grammar.parse("f:= " + std::string(deep, '(')));
    std::string calls;
    for (std::size_t i = 0; i < deep; ++i)
        calls += i % 2 ? "sin(" : "pow(";
    EXPECT_FALSE(grammar.parse("f:= " + calls + "x" + std::string(deep, ')') + ";"));
    EXPECT_FALSE(grammar.parse("x in " + std::string(deep, '[') + ";"));
}

TEST_F(LimitsTest, NestingUpToTheLimitParses) {
    const int n = problem_grammar::kMaxNesting - 1; // the outermost factor counts too
    EXPECT_NE(function(std::string(n - 1, '(') + "x" + std::string(n - 1, ')')), "");
    EXPECT_EQ(function(std::string(n + 1, '(') + "x" + std::string(n + 1, ')')), "");
    EXPECT_NE(function(std::string(n - 1, '-') + "x"), "");
}

TEST_F(LimitsTest, TreeDepthIsBounded) {
    auto sum = [](int terms) {
        std::string s = "x";
        for (int i = 1; i < terms; ++i)
            s += "+x";
        return s;
    };
    EXPECT_NE(function(sum(problem_grammar::kMaxTreeDepth)), "");
    // A longer flat sum is regrouped, balanced: any length parses.
    EXPECT_NE(function(sum(problem_grammar::kMaxTreeDepth + 1)), "");
    EXPECT_NE(function(sum(20000)), "");
    // A chain short enough to stay as written still counts in full.
    EXPECT_EQ(function("-" + sum(problem_grammar::kMaxTreeDepth)), "");
    // A long balanced sum is shallow.
    std::string balanced = "x";
    for (int i = 0; i < 12; ++i)
        balanced = "(" + balanced + ")+(" + balanced + ")";
    EXPECT_NE(function(balanced), "");
}

TEST_F(LimitsTest, LongTextsAndNames) {
    std::string many;
    for (int i = 0; i < 20000; ++i) {
        many += 'v';
        many += std::to_string(i);
        many += " in [0, 1]; ";
    }
    EXPECT_TRUE(grammar.parse(many));
    EXPECT_TRUE(grammar.is_declared("v19999"));
    const std::string longest(255, 'n');
    EXPECT_TRUE(grammar.parse(longest + " in [0, 1];"));
    EXPECT_EQ(function(longest + "*2"), "function (" + longest + "*2)");
    EXPECT_FALSE(grammar.parse(longest + "n in [0, 1];"));
    EXPECT_TRUE(grammar.parse("Epsilon=1." + std::string(100000, '0') + "1;"));
    EXPECT_EQ(settings.epsilon, 1.0);
    EXPECT_TRUE(grammar.parse("Epsilon=0." + std::string(300, '0') + "1;"));
    EXPECT_EQ(settings.epsilon, 1e-301);
}

// Each refused statement says why and where (columns count from 1).
TEST_F(GrammarTest, ASyntaxErrorHasAReasonAndAColumn) {
    struct expectation {
        std::string text;
        std::size_t column;
        std::string reason;
    };
    const std::string longName(256, 'n');
    const std::vector<expectation> cases = {
        {"f:= x + q;", 9, "'q' is not a declared variable"},
        {"f:= sinx*2;", 5, "'sinx' is not a declared variable"},
        {"c:= x*2 <= x1;", 12, "'x1' is not a declared variable"},
        {"c:= x < 1 < 2;", 11, "expected an operator or ';', found '<'"},
        {"c:= x + 1;", 10, "expected an operator or a comparison (=, <=, >=, < or >), found ';'"},
        {"f:= sin x;", 9, "expected '(', found 'x'"},
        {"f:= x +;", 8,
         "expected an operand (a number, a variable, an interval, '(' or a function), found ';'"},
        {"f:= (x;", 7, "expected an operator or ')', found ';'"},
        {";", 1, "expected a statement, found ';'"},
        {"x in [0, 1];  junk;", 19, "expected '=' or 'in', found ';'"},
        {"f:= x; 5;", 8, "expected a statement, found '5'"},
        {"f := x;", 3, "':=' must follow f, lf or c with no white space inside f:=, lf:=, c:="},
        {"f:= x^2;", 6, "no '^' operator: write powers as pow(x, n)"},
        {" Algorithm = FSTAR;", 11, "no white space may come between Algorithm and '='"},
        {"x in [0 1];", 9, "expected ',', found '1'"},
        {"Algorithm=fstar;", 11, "unknown algorithm 'fstar' (did you mean FSTAR?)"},
        {"Algorithm=RANGE;", 11,
         "unknown algorithm 'RANGE' (FSTAR, MINMAX, LOGIC, QSI or CONTRACTOR)"},
        {"Algorithm=;", 11,
         "expected an algorithm name (FSTAR, MINMAX, LOGIC, QSI or CONTRACTOR), found ';'"},
        {"Tolerence=0.001;", 1, "unknown option 'Tolerence' (did you mean Tolerance?)"},
        {" tolerance = 1e-3;", 2, "unknown option 'tolerance' (did you mean Tolerance?)"},
        {"Treads=2;", 1, "unknown option 'Treads' (did you mean Threads?)"},
        {"algorithm=FSTAR;", 1, "unknown option 'algorithm' (did you mean Algorithm?)"},
        {"Frobnicate=1;", 1, "unknown option 'Frobnicate' (solver --help lists the options)"},
        {"f:= abss(x);", 5, "unknown function 'abss' (did you mean abs?)"},
        {"f:= x*SQRT (y);", 7, "unknown function 'SQRT' (did you mean sqrt?)"},
        {"f:= foo(x);", 5,
         "unknown function 'foo' (the functions are exp, log, sqrt, cos, sin, tan, acos, asin, "
         "atan, pow, abs, min, max, sinh, cosh or tanh)"},
        {"f:= X + y;", 5, "'X' is not a declared variable (did you mean x?)"},
        {"f:= max(x);", 10, "expected an operator or ',', found ')'"},
        {"Epsilon=;", 9, "expected a name or a number, found ';'"},
        {"f:= pow(x, 99999999999);", 12,
         "number out of range: the exponent of pow must lie within -2147483648 and 2147483647"},
        {"f:= pow(x, -);", 12, "expected an integer exponent, found '-'"},
        {"\xEF\xBB\xBFx in [0, 1];", 1, "UTF-8 byte order mark: save the file without one"},
        {"f:= x*\xC3\xA9;", 7,
         "character '\xC3\xA9' is not allowed here (only ASCII outside comments)"},
        {"f:= \xC3\xA9 + y*;", 5,
         "character '\xC3\xA9' is not allowed here (only ASCII outside comments)"},
        {longName + " in [0, 1];", 1, "name longer than 255 characters"},
        {"f:= " + std::string(300, '(') + "x" + std::string(300, ')') + ";", 205,
         "nesting deeper than 200 levels"},
    };
    for (const expectation& e : cases) {
        EXPECT_FALSE(grammar.parse(e.text)) << e.text;
        EXPECT_EQ(grammar.last_error().column, e.column) << e.text;
        EXPECT_EQ(grammar.last_error().reason, e.reason) << e.text;
    }
    std::string sum = "x";
    for (int i = 1; i < problem_grammar::kMaxTreeDepth; ++i)
        sum += "+x";
    EXPECT_FALSE(grammar.parse("f:= sin(" + sum + ");"));
    EXPECT_EQ(grammar.last_error().reason, "expression deeper than 1000 levels");
    EXPECT_EQ(grammar.last_error().column, 4 + 4 + sum.size() + 1 + 1);
    ASSERT_TRUE(grammar.parse("f:= x;"));
    EXPECT_EQ(grammar.last_error().reason, "");
}

} // namespace
} // namespace modal
