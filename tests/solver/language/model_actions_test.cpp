// The model-building actions through the grammar: what statements put into
// the F* solver's trees, its constraint models, the constraint problem's box
// and its constraint solvers.
#include "solver/language/model_actions.h"

#include <gtest/gtest.h>

#include <iterator>
#include <sstream>
#include <string>
#include <vector>

#include "problem_reader.h"
#include "solver/model/dump.h"

namespace modal {
namespace {

class ModelActionsTest : public ::testing::Test, protected testing_language::problem_reader {
protected:
    void parse(const std::string& text) { ASSERT_TRUE(grammar.parse(text)) << text; }

    tree& mainTree() { return solver.mainModel.fn; }
    static std::string text(const tree& t) {
        std::ostringstream os;
        printNode(t, t.root, os, true);
        return os.str();
    }
    // Names of the tree's variables, in order, each with its occurrence count.
    static std::string variables(const tree& t) {
        std::string s;
        for (int i = 0; i < t.variableCount(); ++i)
            s += t.varNodes[static_cast<std::size_t>(i)].label + "#" +
                 std::to_string(t.occurrenceCount(i)) + " ";
        return s;
    }
    const ivalDb& domain(const tree& t, const std::string& name) {
        const int i = t.findVariable(name);
        EXPECT_GE(i, 0) << name;
        return t.varNodes[static_cast<std::size_t>(i < 0 ? 0 : i)].value;
    }
};

TEST_F(ModelActionsTest, AFunctionBuildsItsTreeWithOperandsInTextOrder) {
    parse("x in [0, 1]; y in [2, 3];");
    parse("f:= x - y / 2 + -sin(x) * pow(y, -3);");
    EXPECT_EQ(text(mainTree()), "((x[0])-((y[0])/([2, 2])))+((-(sin(x[1])))*(pow(y[1],-3)))");
    // Variables in order of first use, one incidence per occurrence.
    EXPECT_EQ(variables(mainTree()), "x#2 y#2 ");
    EXPECT_TRUE(sameBounds(domain(mainTree(), "x"), ivalDb::exact(0, 1)));
    EXPECT_TRUE(ctx.node_stack.empty());
    // A number leaf: the rounded point, its exponent truncated.
    parse("f:= 2.75;");
    const node& c = mainTree().at(mainTree().root);
    EXPECT_EQ(c.kind, nodeKind::constant);
    EXPECT_TRUE(sameBounds(c.value, ivalDb(2.75)));
    EXPECT_EQ(c.exponent, 2);
}

TEST_F(ModelActionsTest, ASecondFunctionReplacesTheRootAndAddsItsVariablesAfter) {
    parse("x in [0, 1]; y in [0, 1];");
    parse("f:= y;");
    parse("f:= x * y;");
    EXPECT_EQ(text(mainTree()), "(x[0])*(y[1])");
    EXPECT_EQ(variables(mainTree()), "y#2 x#1 ");
}

TEST_F(ModelActionsTest, IntervalConstantsAreSeparateAuxiliaryVariables) {
    parse("x in [0, 1];");
    parse("f:= [1, 2] * x + [1, 2];");
    EXPECT_EQ(variables(mainTree()), "Aux0#1 x#1 Aux0#1 ");
    EXPECT_TRUE(sameBounds(mainTree().varNodes[0].value, ivalDb::exact(1, 2)));
    EXPECT_TRUE(sameBounds(mainTree().varNodes[2].value, ivalDb::exact(1, 2)));
    EXPECT_EQ(actions.aux_counter(), 0);
}

TEST_F(ModelActionsTest, QuantifiersAdjustTheDomainAsWritten) {
    parse("U(a, [2, 1]); U(b, [1, 2]); E(c, [1, 2]); E(d, [2, 1]); F(e, [3, -3]);");
    parse("f:= a + b + c + d + e;");
    const tree& t = mainTree();
    EXPECT_TRUE(sameBounds(domain(t, "a"), dual(ivalDb::exact(2, 1))));
    EXPECT_TRUE(sameBounds(domain(t, "b"), ivalDb::exact(1, 2)));
    EXPECT_TRUE(sameBounds(domain(t, "c"), dual(ivalDb::exact(1, 2))));
    EXPECT_TRUE(sameBounds(domain(t, "d"), ivalDb::exact(2, 1)));
    EXPECT_TRUE(isProper(domain(t, "e")));
    // "F" also gives the constraint problem a free variable, in any run.
    ASSERT_EQ(sets.getBox().size(), 1);
    EXPECT_EQ(sets.getBox()[0].name, "e");
    EXPECT_TRUE(sameBounds(sets.getBox()[0].domain, dual(ivalDb::exact(3, -3))));
    EXPECT_EQ(sets.getBox()[0].incidenceCount(), 0);
}

TEST_F(ModelActionsTest, MinAndMaxFollowOptimAsSetAtTheirDeclaration) {
    parse("MIN(a, [2, 1]); MAX(b, [1, 2]);"); // Optim not set yet: as written
    parse("Optim=1; MIN(c, [2, 1]); MAX(d, [1, 2]);");
    parse("Optim=2; MIN(e, [1, 2]); MAX(g, [2, 1]);");
    parse("Optim=3; MIN(h, [2, 1]); MAX(k, [2, 1]);");
    parse("f:= a + b + c + d + e + g + h + k;");
    const tree& t = mainTree();
    EXPECT_TRUE(isImproper(domain(t, "a")));
    EXPECT_TRUE(isProper(domain(t, "b")));
    EXPECT_TRUE(isProper(domain(t, "c")));
    EXPECT_TRUE(isImproper(domain(t, "d")));
    EXPECT_TRUE(isImproper(domain(t, "e")));
    EXPECT_TRUE(isProper(domain(t, "g")));
    EXPECT_TRUE(isImproper(domain(t, "h")));
    EXPECT_TRUE(isImproper(domain(t, "k")));
}

TEST_F(ModelActionsTest, TheFirstOfTwoDeclarationsIsTheOneUsed) {
    parse("x in [0, 1]; x in [5, 6];");
    ASSERT_EQ(actions.declared_vars().size(), 2u);
    parse("f:= x;");
    EXPECT_TRUE(sameBounds(domain(mainTree(), "x"), ivalDb::exact(0, 1)));
}

TEST_F(ModelActionsTest, FStarConstraintsGetTreesOfTheirOwn) {
    parse("x in [0, 1]; y in [0, 1];");
    parse("Algorithm=MINMAX;");
    parse("c:= x * x <= y;");
    parse("f:= x + y;");
    parse("c:= x >= 0.5;");
    auto& constraints = solver.mainModel.constraints;
    ASSERT_EQ(constraints.size(), 2u);
    EXPECT_EQ(text(constraints.front().fn), "((x[0])*(x[1]))<=(y[0])");
    EXPECT_EQ(variables(constraints.front().fn), "x#2 y#1 ");
    EXPECT_EQ(text(constraints.back().fn), "(x[0])>=([0.5, 0.5])");
    EXPECT_EQ(variables(constraints.back().fn), "x#1 ");
    EXPECT_EQ(text(mainTree()), "(x[0])+(y[0])");
    EXPECT_EQ(variables(mainTree()), "x#1 y#1 ");
    EXPECT_TRUE(sets.constraints().empty());
}

TEST_F(ModelActionsTest, ConstraintsBeforeTheAlgorithmOrWithCspAreDropped) {
    parse("x in [0, 1]; y in [0, 1];");
    parse("c:= x <= 1;");
    parse("Algorithm=CSP;");
    parse("c:= y <= 1;");
    EXPECT_TRUE(solver.mainModel.constraints.empty());
    EXPECT_TRUE(sets.constraints().empty());
    // Their variables went into the main function's tree; no root was set.
    EXPECT_EQ(variables(mainTree()), "x#1 y#1 ");
    EXPECT_EQ(mainTree().root, noNode);
    EXPECT_TRUE(ctx.node_stack.empty());
}

TEST_F(ModelActionsTest, ConstraintsWithMaxMinAreDropped) {
    parse("x in [0, 1]; Algorithm=MAXMIN; c:= x*x <= 1;");
    EXPECT_TRUE(solver.mainModel.constraints.empty());
    EXPECT_TRUE(sets.constraints().empty());
    EXPECT_EQ(solver.mainModel.fn.occurrenceCount(0), 2);
    EXPECT_EQ(solver.mainModel.fn.root, noNode);
}

TEST_F(ModelActionsTest, SetInversionConstraintsAreCopiesOfTheWholeSolver) {
    parse("Epsilon=0.25; F(x, [0, 1]); F(y, [0, 1]);");
    parse("Algorithm=QSI;");
    parse("c:= x + y <= 1;");
    parse("Tolerance=0.5;");
    parse("c:= x - y >= 0;");
    auto& constraints = sets.constraints();
    ASSERT_EQ(constraints.size(), 2u);
    const fstar& first = constraints.front().solver;
    EXPECT_EQ(text(first.mainModel.fn), "((x[0])+(y[0]))<=([1, 1])");
    // The settings as they were when the constraint was read.
    EXPECT_EQ(first.settings.epsilon, 0.25);
    EXPECT_EQ(first.settings.tolerance, 0.0);
    EXPECT_EQ(constraints.back().solver.settings.tolerance, 0.5);
    EXPECT_EQ(text(constraints.back().solver.mainModel.fn), "((x[0])-(y[0]))>=([0, 0])");
    EXPECT_TRUE(solver.mainModel.constraints.empty());
    EXPECT_EQ(mainTree().variableCount(), 0);
}

TEST_F(ModelActionsTest, AFunctionAfterAConstraintBuildsIntoTheMainTreeAgain) {
    parse("x in [0, 1];");
    parse("Algorithm=CONTRACTOR;");
    parse("c:= x <= 1;");
    parse("f:= x;");
    EXPECT_EQ(text(mainTree()), "x[0]");
    EXPECT_EQ(text(sets.constraints().back().solver.mainModel.fn), "(x[0])<=([1, 1])");
}

TEST_F(ModelActionsTest, AFailedStatementLeavesNoDanglingNodes) {
    parse("x in [0, 1];");
    EXPECT_FALSE(grammar.parse("f:= x + (x * 2;"));
    // The nodes the failed text pushed stay below, unused (the driver stops
    // at a syntax error anyway); the next statement builds on its own nodes.
    parse("f:= x * 3;");
    std::ostringstream os;
    printNode(mainTree(), mainTree().root, os, false);
    EXPECT_EQ(os.str(), "([0, 1])*([3, 3])");
}

// A name declared again keeps its first declaration, a second function
// replaces the first, a declared variable no expression uses plays no part:
// each says so, naming the line of the statement it concerns.
TEST_F(ModelActionsTest, RepeatedDeclarationsASecondFunctionAndUnusedVariablesWarn) {
    const auto warningsAt = [this](long line, const std::string& text) {
        ctx.warnings.clear();
        ctx.line = line;
        parse(text);
        return ctx.warnings;
    };
    using lines = std::vector<std::string>;
    EXPECT_EQ(warningsAt(1, "x in [0, 1];"), lines{});
    EXPECT_EQ(warningsAt(2, "x in [2, 3];"),
              lines{"x is already declared on line 1: expressions use that first declaration"});
    EXPECT_EQ(warningsAt(3, "F(x, [5, 6]);"),
              lines{"x is already declared on line 1: expressions use that first declaration, "
                    "but QSI and CONTRACTOR also pave this one, as a second x"});
    EXPECT_EQ(warningsAt(4, "Tolerence = [0, 1]; y in [0, 1];"), lines{});
    EXPECT_EQ(warningsAt(5, "f:= x;"), lines{});
    EXPECT_EQ(warningsAt(6, "lf:= x*x >= 0;"),
              lines{"a function is already given on line 5: this one replaces it"});
    EXPECT_EQ(domain(mainTree(), "x").inf(), 0.0);
    const std::vector<located_warning> late = grammar.finish();
    ASSERT_EQ(late.size(), 2u);
    EXPECT_EQ(late[0].line, 4);
    EXPECT_EQ(late[0].statement, "Tolerence = [0, 1]; y in [0, 1];");
    EXPECT_EQ(late[0].text, "Tolerence is declared but no function or constraint uses it (did "
                            "you mean the option Tolerance?)");
    EXPECT_EQ(late[1].text, "y is declared but no function or constraint uses it");
    EXPECT_NE(mainTree().root, noNode);
}

// Each algorithm solves one kind of statement: the others are named in a
// warning, and a problem whose function is of the wrong kind is left without
// one (the run then says it has no function to solve).
TEST(StatementKinds, StatementsTheAlgorithmDoesNotSolveAreNamed) {
    struct expectation {
        std::string problem;
        std::vector<std::string> warnings;
        bool hasFunction; // afterwards
    };
    const std::vector<expectation> cases = {
        {"Algorithm=LOGIC; U(x, [0, 1]); f:= x*x;",
         {"LOGIC solves a relation given with lf:=, not an expression given with f:=: the run "
          "has no function to solve"},
         false},
        {"Algorithm=LOGIC; U(x, [0, 1]); f:= x; lf:= x >= 0;",
         {"LOGIC solves a relation given with lf:=, not an expression given with f:="},
         true},
        {"Algorithm=FSTAR; x in [0, 1]; lf:= x >= 0;",
         {"FSTAR solves an expression given with f:=, not a relation given with lf:=: the run "
          "has no function to solve"},
         false},
        {"Algorithm=MINMAX; x in [0, 1]; f:= x;", {}, true},
        {"Algorithm=QSI; F(x, [0, 1]); f:= x; c:= x <= 1;",
         {"QSI solves the constraints given with c:=: this f:= is not used"},
         true},
        {"Algorithm=CONTRACTOR; F(x, [0, 1]); lf:= x <= 1;",
         {"CONTRACTOR solves the constraints given with c:=: this lf:= is not used",
          "CONTRACTOR has no constraint to solve (c:= relation;): the box stays as it is"},
         true},
        {"Algorithm=QSI; F(x, [0, 1]);",
         {"QSI has no constraint to solve (c:= relation;): every box is a solution box"},
         false},
        {"Algorithm=CSP; x in [0, 1]; lf:= x >= 0;", {}, true},
    };
    for (const expectation& e : cases) {
        testing_language::problem_reader p;
        ASSERT_TRUE(p.grammar.parse(e.problem)) << e.problem;
        std::vector<std::string> texts;
        for (const located_warning& w : p.grammar.finish())
            texts.push_back(w.text);
        EXPECT_EQ(texts, e.warnings) << e.problem;
        EXPECT_EQ(p.solver.mainModel.fn.root != noNode, e.hasFunction) << e.problem;
    }
}

TEST(ModelActionsWithoutTargets, KeepTheStacksAndBuildNothing) {
    param settings;
    parse_context ctx;
    ctx.settings = &settings;
    model_actions actions;
    problem_grammar grammar(ctx, actions);
    EXPECT_TRUE(grammar.parse("x in [0, 1]; Algorithm=QSI; F(y, [0, 1]);"));
    EXPECT_TRUE(grammar.parse("f:= x * y + [1, 2]; c:= x <= y; lf:= x > 0;"));
    EXPECT_TRUE(ctx.node_stack.empty());
    EXPECT_TRUE(ctx.ival_stack.empty());
    EXPECT_EQ(actions.current_tree(), nullptr);
    EXPECT_EQ(actions.declared_vars().size(), 2u);
}

} // namespace
} // namespace modal
