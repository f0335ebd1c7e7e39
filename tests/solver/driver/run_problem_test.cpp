// The run driver on small problem files: what it prints per line, when it
// parses, and the result file of a syntax error.
#include "solver/driver/run_problem.h"

#include <gtest/gtest.h>

#include <sstream>

#include "file_helpers.h"
#include "solver/api/runs.h"
#include "solver/driver/runs.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

struct run_result {
    int status;
    std::string out; // standard output after the banner
    std::string err;
    std::string solution; // the result file, "<none>" when absent
};

std::string banner() {
    std::ostringstream os;
    print_banner(os);
    return os.str();
}

class RunProblemTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string base = dir.file("problem");

    run_result run(const std::string& contents) {
        write_file(base + ".txt", contents);
        return runExisting();
    }
    run_result runExisting() {
        std::ostringstream out;
        std::ostringstream err;
        const int status = run_problem(base, out, err);
        std::string text = out.str();
        const std::string b = banner();
        EXPECT_EQ(text.substr(0, b.size()), b);
        return {status, text.substr(std::min(b.size(), text.size())), err.str(),
                read_file(base + "Solution.txt")};
    }
};

TEST(Banner, HasTheFixedLayout) {
    const std::string b = banner();
    const std::string rule(57, '/');
    ASSERT_EQ(b.substr(0, 59), rule + "\n\n");
    EXPECT_EQ(b.substr(b.size() - 59), rule + "\n\n");
    const std::string middle = b.substr(59, b.size() - 118);
    const auto split = middle.find("\n\n");
    ASSERT_NE(split, std::string::npos);
    EXPECT_EQ(middle.substr(0, 3), "\t\t ");
    EXPECT_EQ(middle.substr(split + 2, 2), "\t ");
    EXPECT_EQ(middle.substr(middle.size() - 2), "\n\n");
    EXPECT_EQ(middle.find('\n', split + 2), middle.size() - 2);
}

TEST_F(RunProblemTest, BlankLinesAndTheFinalLineBreak) {
    auto r = run(" \t\n\n\r\n");
    EXPECT_EQ(r.out, "Blank Line\nBlank Line\nBlank Line\nBlank Line\n");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.solution, "<none>");

    EXPECT_EQ(run("").out, "Blank Line\n");
    EXPECT_EQ(run("x in [0, 1];").out, "Parsing Succeeded\nx in [0, 1];\n");
    EXPECT_EQ(run("x in [0, 1];\n").out, "Parsing Succeeded\nx in [0, 1];\nBlank Line\n");
    EXPECT_EQ(run("  x in [0, 1];  \r\n").out, "Parsing Succeeded\nx in [0, 1];\nBlank Line\n");
}

TEST_F(RunProblemTest, WhiteSpaceLinesWhilePendingAddNothing) {
    auto r = run("x in\n   \n\t\n[0, 1];\n");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in[0, 1];\nBlank Line\n");
}

TEST_F(RunProblemTest, CommentsAloneAndWhilePending) {
    EXPECT_EQ(run("% what this computes\n  %indented\n").out,
              "Comment \n% what this computes\nComment \n%indented\nBlank Line\n");

    auto r = run("x in\n% remark\n[0, 1];\nf:= x;\n");
    EXPECT_EQ(r.out, "Syntax Error: \n\nx in% remark[0, 1];\n");
    EXPECT_EQ(r.solution, "Syntax Error: \n\nx in% remark[0, 1];\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(RunProblemTest, DeclarationsSplitAcrossLines) {
    // Split between the name and "in": one identifier "xin".
    auto r = run("x\nin [0, 1];\n");
    EXPECT_EQ(r.out, "Syntax Error: \n\nxin [0, 1];\n");
    // Split after "in", and over three lines: parsed once, when complete.
    EXPECT_EQ(run("x in\n[0, 1];\n").out, "Parsing Succeeded\nx in[0, 1];\nBlank Line\n");
    EXPECT_EQ(run("x in\n[0,\n1];").out, "Parsing Succeeded\nx in[0,1];\n");
}

TEST_F(RunProblemTest, TwoStatementsOnOneLineAndTrailingText) {
    EXPECT_EQ(run("x in [0, 1]; f:= x*x;").out, "Parsing Succeeded\nx in [0, 1]; f:= x*x;\n");
    // Text after the last ';' of the file is never parsed; the warning names
    // the line where it begins.
    auto r = run("x in [0, 1];\nf:= x\n+ 1\n");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in [0, 1];\n");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "solver: warning: line 2: the text after the last ';' is ignored: 'f:= x+ 1'");
    EXPECT_EQ(run("x in [0, 1];\nf:= undeclared").out, "Parsing Succeeded\nx in [0, 1];\n");
}

// A '%' after a statement's ';' starts a comment to the end of its line, also
// on the last line and after a statement spread over lines; a '%' elsewhere
// in a statement is still an error.
TEST_F(RunProblemTest, ACommentAfterAStatementRunsToTheEndOfItsLine) {
    auto r = run("x in [0, 1]; % the x; y in [0, 1];\nf:= x +\n x*x; % a parabola\nf:= x; %");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in [0, 1];\nParsing Succeeded\nf:= x +x*x;\n"
                     "Parsing Succeeded\nf:= x;\n");
    EXPECT_EQ(r.err.find("text after the last"), std::string::npos) << r.err;
    r = run("x in [0, 1];\nf:= x % 2; % c\n");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in [0, 1];\nSyntax Error: \n\nf:= x % 2;\n");
}

// A syntax error names the line and column of the file where the statement
// goes wrong, and where the statement begins when that is another line.
TEST_F(RunProblemTest, ASyntaxErrorSaysWhereInTheFile) {
    auto r = run("x in [0, 1];\n\n   f:= x + q;\n");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "solver: syntax error at line 3, column 12: 'q' is not a declared variable");
    r = run("x in [0, 1];\nf:= x +\n\t x * \xC3\xA9 +\n  1;\n");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "solver: syntax error at line 3, column 7 (the statement begins on line 2): "
              "character '\xC3\xA9' is not allowed here (only ASCII outside comments)");
    r = run("x in [0, 1];\nf:= x +\n;\n");
    EXPECT_EQ(r.err.substr(0, r.err.find('\n')),
              "solver: syntax error at line 3, column 1 (the statement begins on line 2): expected "
              "an operand (a number, a variable, an interval, '(' or a function), found ';'");
}

TEST_F(RunProblemTest, ASyntaxErrorStopsReadingAndReplacesTheResultFile) {
    write_file(base + "Solution.txt", "an older result that is much longer than the new one\n");
    auto r = run("x in [0, 1];\nf:= y;\nz in [0, 1];\nf:= q;\n");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in [0, 1];\nSyntax Error: \n\nf:= y;\n");
    EXPECT_EQ(r.solution, "Syntax Error: \n\nf:= y;\n");
    EXPECT_EQ(r.status, 0);
}

TEST_F(RunProblemTest, AlgorithmsThatSolveNothingStillReadTheWholeFile) {
    for (const char* name : {"CSP", "MAXMIN"}) {
        auto r = run(std::string("Algorithm=") + name + ";\nx in [0, 1];\n");
        EXPECT_EQ(r.out, std::string("Parsing Succeeded\nAlgorithm=") + name +
                             ";\nParsing Succeeded\nx in [0, 1];\nBlank Line\n");
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.solution, "<none>");
    }
}

// A function of the wrong kind for the algorithm is named on standard error
// and not solved: the run says it has no function, as one without any does.
TEST_F(RunProblemTest, AFunctionOfTheWrongKindIsNotSolved) {
    auto r = run("Algorithm=LOGIC;\nU(x, [0, 1]);\nf:= x*x;\n");
    EXPECT_EQ(r.solution, no_function_message);
    EXPECT_NE(r.out.find(std::string(no_function_message)), std::string::npos);
    EXPECT_EQ(r.err, "solver: warning: line 3, 'f:= x*x;': LOGIC solves a relation given with "
                     "lf:=, not an expression given with f:=: the run has no function to solve\n"
                     "solver: stopped: no function to solve; wrote " +
                         base + "Solution.txt\n");
    r = run("Algorithm=FSTAR;\nx in [0, 1];\nlf:= x >= 0;\n");
    EXPECT_EQ(r.solution, no_function_message);
}

TEST_F(RunProblemTest, LongStatementsOverManyLines) {
    std::string text = "x in [0, 1];\nf:= x";
    std::string joined = "f:= x";
    for (int i = 0; i < 900; ++i) {
        text += "\n  + x*x";
        joined += "+ x*x";
    }
    text += "\n;\n";
    joined += ";";
    EXPECT_EQ(run(text).out,
              "Parsing Succeeded\nx in [0, 1];\nParsing Succeeded\n" + joined + "\nBlank Line\n");

    std::string longLine(1 << 20, ' ');
    longLine += "x in [0, 1];";
    EXPECT_EQ(run(longLine).out, "Parsing Succeeded\nx in [0, 1];\n");
}

TEST_F(RunProblemTest, DeepNestingIsASyntaxError) {
    const std::string deep =
        "f:= " + std::string(100000, '(') + "x" + std::string(100000, ')') + ";";
    auto r = run("x in [0, 1];\n" + deep + "\n");
    EXPECT_EQ(r.out, "Parsing Succeeded\nx in [0, 1];\nSyntax Error: \n\n" + deep + "\n");
}

TEST_F(RunProblemTest, AMissingProblemFile) {
    auto r = runExisting();
    EXPECT_EQ(r.out, "Error opening file\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.solution, "<none>");
    std::filesystem::create_directory(base + ".txt");
    r = runExisting();
    EXPECT_EQ(r.out, "Error opening file\n");
    EXPECT_EQ(r.status, 1);
}

TEST_F(RunProblemTest, AResultFileThatCannotBeWrittenIsAnError) {
    std::filesystem::create_directory(base + "Solution.txt");
    auto r = run("f:= x;\n");
    EXPECT_EQ(r.out, "Syntax Error: \n\nf:= x;\n");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("Solution.txt"), std::string::npos);
}

TEST_F(RunProblemTest, StepLinesGoToTheRunsOutputStream) {
    const auto quiet = run("Algorithm=FSTAR;\nx in [0, 1];\nf:= x*(1 - x);\n");
    EXPECT_EQ(quiet.out.find("Step:"), std::string::npos);
    const auto loud = run("ScreenOut=1;\nAlgorithm=FSTAR;\nx in [0, 1];\nf:= x*(1 - x);\n");
    EXPECT_NE(loud.out.find("Step:"), std::string::npos) << loud.out;
    EXPECT_NE(loud.solution.find("Inner Approximation:"), std::string::npos);
    // Constraint solvers of set inversion copy the same stream.
    const auto qsi = run("ScreenOut=1;\nAlgorithm=CONTRACTOR;\nF(x, [0, 4]);\nF(y, [0, 4]);\n"
                         "c:= x*y - x*x <= 2;\n");
    EXPECT_NE(qsi.out.find("Step:"), std::string::npos);
    EXPECT_EQ(qsi.solution.rfind("Computation Time (s):", 0), 0u) << qsi.solution;
}

} // namespace
} // namespace modal
