// The built `solver` program: arguments, exit status, standard output and
// the result file.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <sstream>

#include "solver/driver/run_problem.h"
#include "temp_dir.h"

namespace modal {
namespace {

using testing::read_file;
using testing::temp_dir;
using testing::write_file;

struct program_result {
    int status;
    std::string out;
    std::string err;
};

class ProgramTest : public ::testing::Test {
protected:
    temp_dir dir;

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

TEST_F(ProgramTest, WithoutExactlyOneArgumentPrintsUsage) {
    for (const char* args : {"", "a b"}) {
        const auto r = runSolver(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err.rfind("usage: solver ", 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1);
    }
}

TEST_F(ProgramTest, AMissingProblemFileEndsWithStatusOne) {
    const auto r = runSolver("nothing_here");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, banner() + "Error opening file");
}

TEST_F(ProgramTest, ReadsTheProblemAndReportsEachLine) {
    write_file(dir.file("p.txt"), "% a problem\nx in [0, 1];\nAlgorithm=FSTAR;\nf:= x*x;\n");
    const auto r = runSolver("p");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, banner() +
                         "Comment \n% a problem\nParsing Succeeded\nx in [0, 1];\nParsing "
                         "Succeeded\nAlgorithm=FSTAR;\nParsing Succeeded\nf:= x*x;\nBlank Line\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(ProgramTest, ASyntaxErrorGoesToTheResultFileToo) {
    write_file(dir.file("bad.txt"), "x in [0, 1];\nc:= x < 1 < 2;\n");
    const auto r = runSolver("bad");
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out,
              banner() + "Parsing Succeeded\nx in [0, 1];\nSyntax Error: \n\nc:= x < 1 < 2;\n");
    EXPECT_EQ(read_file(dir.file("badSolution.txt")), "Syntax Error: \n\nc:= x < 1 < 2;\n");
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
