// The built `solver` program: arguments, exit status, standard output and
// the result file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string_view>
#include <utility>
#include <vector>

#include "file_helpers.h"
#include "solver/driver/command_line.h"
#include "solver/driver/run_problem.h"
#include "solver/language/algorithms.h"
#include "solver/language/options.h"
#include "solver/model/node.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

struct program_result {
    int status;
    std::string out;
    std::string err;
};

class ProgramTest : public ::testing::Test {
protected:
    TempDir dir;

    program_result runSolver(const std::string& args) {
        const std::string out = dir.file("stdout");
        const std::string err = dir.file("stderr");
        const std::string command = "cd '" + dir.path().string() + "' && '" SOLVER_PROGRAM "' " +
                                    args + " >'" + out + "' 2>'" + err + "'";
        const int raw = std::system(command.c_str());
        const int status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        return {status, read_file(out), read_file(err)};
    }
};

std::string banner() {
    std::ostringstream os;
    print_banner(os);
    return os.str();
}

TEST_F(ProgramTest, UsageErrorsEndWithStatusTwo) {
    const std::string usage(usage_line);
    const std::pair<const char*, std::string> cases[] = {
        {"", usage},
        {"a b", "solver: give one problem name only\n" + usage},
        {"--frobnicate p", "solver: unknown option '--frobnicate'\n" + usage},
        {"p -x", "solver: unknown option '-x'\n" + usage},
    };
    for (const auto& [args, err] : cases) {
        const auto r = runSolver(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, err);
    }
}

TEST_F(ProgramTest, HelpAndVersion) {
    for (const char* args : {"--help", "p --help", "-h"}) {
        const auto r = runSolver(args);
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, help_text());
        EXPECT_EQ(r.err, "");
    }
    const auto r = runSolver("--version");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "solver " MODAL_VERSION "\n");
    // The help names every algorithm, option and file a user meets.
    for (const char* word :
         {"FSTAR",         "MINMAX",        "LOGIC",    "QSI",        "CONTRACTOR",
          "Epsilon=0",     "Tolerance=0",   "Bisect=2", "Time=1e301", "CSPEps=0.1",
          "QSITime=1e400", "PlotX",         "sinh",     "min, max",   "BASESolution.txt",
          "BASEImage.bmp", "BASEImage.png", "Tree.txt", "--quiet",    "--no-bmp",
          "Exit status"})
        EXPECT_NE(help_text().find(word), std::string::npos) << word;
}

// The man page lists the options of the table, in its order and with its
// defaults, and the man page and the README name every algorithm and
// function of the language.
TEST(Documentation, ListsEveryOptionAlgorithmAndFunction) {
    const std::string man = read_file(MODAL_SOURCE_DIR "/docs/man/solver.1");
    const std::string readme = read_file(MODAL_SOURCE_DIR "/README.md");
    const auto section = man.find(".SH FILE OPTIONS");
    ASSERT_NE(section, std::string::npos);
    const std::string listed = man.substr(section, man.find(".SH", section + 1) - section);
    std::vector<std::string> entries;
    for (std::size_t at = listed.find(".TP\n.BR "); at != std::string::npos;
         at = listed.find(".TP\n.BR ", at + 1)) {
        const std::size_t first = at + 8;
        entries.push_back(listed.substr(first, listed.find('\n', first) - first));
    }
    const auto from = man.find(".SH DESCRIPTION");
    const std::string description = man.substr(from, man.find(".SH", from + 1) - from);
    std::vector<std::string> expected;
    for (const optionInfo& o : options())
        expected.push_back(std::string(o.name) + " =" + std::string(o.shown_default));
    EXPECT_EQ(entries, expected);
    for (const algorithmInfo& a : algorithms())
        if (a.run != algorithmRun::none) {
            EXPECT_NE(man.find(".B " + std::string(a.name) + "\n"), std::string::npos) << a.name;
            EXPECT_NE(readme.find("`" + std::string(a.name) + "`"), std::string::npos) << a.name;
        }
    for (const kindInfo& k : nodeKinds())
        if (k.syntax == kindSyntax::function || k.syntax == kindSyntax::power) {
            const std::string name(k.text);
            EXPECT_TRUE(std::regex_search(description, std::regex("\\b" + name + "\\b"))) << name;
            EXPECT_NE(readme.find("`" + name + "("), std::string::npos) << name;
        }
}

TEST_F(ProgramTest, AMissingProblemFileSaysWhichAndWhy) {
    const auto r = runSolver("nothing_here");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, banner() + "Error opening file\n");
    EXPECT_EQ(r.err, "solver: cannot open nothing_here.txt: No such file or directory\n");
    std::filesystem::create_directory(dir.file("folder.txt"));
    EXPECT_EQ(runSolver("folder").err, "solver: cannot open folder.txt: Is a directory\n");
}

// The name may be given with its ".txt", unless a file of that name plus
// ".txt" exists (a problem named "p.txt" keeps its file "p.txt.txt").
// A result file that cannot be written is a failure in every algorithm: its
// name and the reason on standard error, exit status 1. A folder in the
// file's place stops even a run as root.
TEST_F(ProgramTest, AResultFileThatCannotBeWrittenFailsTheRun) {
    const std::string problems[] = {
        "Algorithm=FSTAR; x in [0,1]; f:= x*x;",
        "Algorithm=LOGIC; U(x,[0,1]); lf:= x >= 0;",
        "Algorithm=QSI; CSPEps=0.5; F(x,[-1,1]); c:= x <= 0;",
        "Algorithm=CONTRACTOR; F(x,[-1,1]); c:= x <= 0;",
    };
    int n = 0;
    for (const std::string& text : problems) {
        const std::string name = "w" + std::to_string(n++);
        write_file(dir.file(name + ".txt"), text + "\n");
        std::filesystem::create_directory(dir.file(name + "Solution.txt"));
        const auto r = runSolver(name);
        EXPECT_EQ(r.status, 1) << text;
        EXPECT_NE(r.err.find("solver: cannot write " + name + "Solution.txt: Is a directory\n"),
                  std::string::npos)
            << text << "\n"
            << r.err;
    }
}

TEST_F(ProgramTest, TheProblemNameMayEndInTxt) {
    write_file(dir.file("p.txt"), "x in [0, 1];\n");
    const auto plain = runSolver("p");
    const auto withTxt = runSolver("p.txt");
    EXPECT_EQ(withTxt.status, 0);
    EXPECT_EQ(withTxt.out, plain.out);
    EXPECT_EQ(withTxt.err, plain.err);
    write_file(dir.file("q.txt.txt"), "y in [0, 1];\n");
    EXPECT_NE(runSolver("q.txt").out.find("y in [0, 1];"), std::string::npos);
}

TEST_F(ProgramTest, ReadsTheProblemAndReportsEachLine) {
    write_file(dir.file("p.txt"), "% a problem\nx in [0, 1];\nAlgorithm=FSTAR;\nf:= x*x;\n");
    const auto r = runSolver("p");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner() +
                         "Comment \n% a problem\nParsing Succeeded\nx in [0, 1];\nParsing "
                         "Succeeded\nAlgorithm=FSTAR;\nParsing Succeeded\nf:= x*x;\nBlank Line\n");
    EXPECT_EQ(r.err, "solver: stopped: nothing left to refine (every cell was decided); final Tol "
                     "3.33e-16; wrote pSolution.txt\n");
}

TEST_F(ProgramTest, ASyntaxErrorGoesToTheResultFileToo) {
    write_file(dir.file("bad.txt"), "x in [0, 1];\nc:= x < 1 < 2;\n");
    const auto r = runSolver("bad");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              banner() + "Parsing Succeeded\nx in [0, 1];\nSyntax Error: \n\nc:= x < 1 < 2;\n");
    EXPECT_EQ(read_file(dir.file("badSolution.txt")), "Syntax Error: \n\nc:= x < 1 < 2;\n");
    EXPECT_EQ(r.err,
              "solver: syntax error at line 2, column 11: expected an operator or ';', found "
              "'<'\n"
              "solver: stopped: syntax error; wrote badSolution.txt\n");
}

// Each statement that is accepted but does nothing says so on standard error;
// standard output stays as it is.
TEST_F(ProgramTest, SilentTrapsWarn) {
    write_file(dir.file("t.txt"), "x in [0, 1];\nc:= x <= 1;\nAlgorithm=CSP;\nf:= x;\nf:= x; oops");
    const auto r = runSolver("t");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("solver:"), std::string::npos);
    EXPECT_EQ(r.err,
              "solver: warning: line 2, 'c:= x <= 1;': the constraint comes before Algorithm= "
              "and is ignored: choose the algorithm first\n"
              "solver: warning: line 5: the text after the last ';' is ignored: 'f:= x; oops'\n"
              "solver: warning: Algorithm=CSP solves nothing (Algorithm=FSTAR, MINMAX, LOGIC, QSI "
              "or CONTRACTOR do)\n"
              "solver: stopped: Algorithm=CSP solves nothing; no file written\n");
    write_file(dir.file("n.txt"), "x in [0, 1];\nf:= x;\n");
    EXPECT_EQ(runSolver("n").err,
              "solver: warning: the file has no Algorithm= statement: nothing is solved "
              "(Algorithm=FSTAR, MINMAX, LOGIC, QSI or CONTRACTOR)\n"
              "solver: stopped: no Algorithm= statement; no file written\n");
}

// On a terminal a progress line is drawn on standard error and cleared at the
// end; without one (and with --quiet) nothing of it appears.
TEST_F(ProgramTest, ProgressOnlyOnATerminal) {
    // Runs until its time limit of 0.5 s.
    write_file(dir.file("slow.txt"), read_file(MODAL_SOURCE_DIR "/examples/logic_perhaps.txt"));
    EXPECT_EQ(runSolver("slow").err.find('\r'), std::string::npos);
    // script(1) gives the program a terminal and copies what it shows.
    const auto onTerminal = [this](const std::string& args) {
        const std::string shown = dir.file("shown");
        const std::string command = "cd '" + dir.path().string() + "' && script -qec \"'" +
                                    SOLVER_PROGRAM + "' " + args + "\" /dev/null >'" + shown + "'";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return read_file(shown);
    };
    const std::string shown = onTerminal("slow");
    EXPECT_NE(shown.find("\rsolver: LOGIC step "), std::string::npos) << shown;
    EXPECT_NE(shown.find("\r\x1b[Ksolver: stopped: time limit"), std::string::npos) << shown;
    const std::string quiet = onTerminal("--quiet slow");
    EXPECT_EQ(quiet.find("\rsolver:"), std::string::npos);
    EXPECT_NE(quiet.find("solver: stopped: "), std::string::npos);
}

TEST_F(ProgramTest, TheBundledExampleParses) {
    write_file(dir.file("range.txt"), read_file(MODAL_SOURCE_DIR "/examples/range.txt"));
    const auto r = runSolver("range");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out.find("Syntax Error"), std::string::npos);
    EXPECT_NE(r.out.find("Parsing Succeeded\nAlgorithm=FSTAR;\n"), std::string::npos);
}

} // namespace
} // namespace modal
