// The limits of a run, through the built `solver`: the pieces of one cut, the
// memory ceiling (F* and QSI) and exponents at the ends of the range of int.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <string>

#include "file_helpers.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

struct outcome {
    int status = -1;
    std::string out, err, result;
};

outcome solve(const TempDir& dir, const std::string& name, const std::string& text) {
    write_file(dir.file(name + ".txt"), text);
    const std::string command = "cd '" + dir.path().string() +
                                "' && timeout 120 '" SOLVER_PROGRAM "' " + name + " >" + name +
                                ".out 2>" + name + ".err";
    const int raw = std::system(command.c_str());
    outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = read_file(dir.file(name + ".out"));
    o.err = read_file(dir.file(name + ".err"));
    o.result = read_file(dir.file(name + "Solution.txt"));
    return o;
}

const std::string kRange = "x in [0, 1];\ny in [-1, 2];\nAlgorithm=FSTAR;\n"
                           "f:= x*(1 - x) + pow(y, 2);\n";

TEST(RunLimits, HugeBisectIsCappedAndTheTimeLimitStillHolds) {
    TempDir dir;
    const outcome o = solve(dir, "cut", kRange + "Bisect=1e9;\nTime=0.5;\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.err.find("Bisect=1e+09 is above 1000: each cut makes 1000 pieces"),
              std::string::npos)
        << o.err;
    EXPECT_NE(o.result.find("Inner Approximation:"), std::string::npos) << o.result;
    // Without a cap the first cut alone makes 10^9 strips and never returns.
    EXPECT_EQ(o.err.find("memory ran out"), std::string::npos) << o.err;
}

TEST(RunLimits, BisectWithinTheCapSaysNothing) {
    TempDir dir;
    const outcome o = solve(dir, "small", kRange + "Bisect=1000;\nTolerance=0.01;\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err.find("warning"), std::string::npos) << o.err;
}

TEST(RunLimits, FstarStopsAtTheMemoryLimitWithAPartialReport) {
    TempDir dir;
    // Any process holds more than one megabyte: the first test stops the run.
    const outcome o = solve(dir, "mem", kRange + "MemoryLimit=1;\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.result.rfind("WARNING: TimeOut => Partial solution provided\n\n", 0), 0u)
        << o.result;
    EXPECT_NE(o.result.find("Outer Approximation:"), std::string::npos) << o.result;
    EXPECT_NE(o.err.find("solver: memory ran out"), std::string::npos) << o.err;
    EXPECT_NE(o.err.find("limit of 1 MB"), std::string::npos) << o.err;
}

TEST(RunLimits, QsiStopsAtTheMemoryLimit) {
    TempDir dir;
    const outcome o = solve(dir, "qsi",
                            "Algorithm=QSI;\nCSPEps=0.00001;\nMemoryLimit=1;\nF(x, [-3, 3]);\n"
                            "F(y, [-3, 3]);\nc:= pow(x, 2) + pow(y, 2) <= 6.25;\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.result.rfind("Solution File:", 0), 0u) << o.result;
    EXPECT_NE(o.err.find("solver: memory ran out"), std::string::npos) << o.err;
}

TEST(RunLimits, ExponentsAtTheEndsOfIntAreSolved) {
    TempDir dir;
    const outcome o = solve(dir, "powers",
                            "Algorithm=LOGIC;\nU(x, [1, 2]);\n"
                            "lf:= pow(x, -2147483648) + pow(x, 2147483647) >= 0;\n");
    EXPECT_EQ(o.status, 0);
    EXPECT_NE(o.result.find("Consistency: True"), std::string::npos) << o.result;
    const std::string tree = read_file(dir.file("Tree.txt"));
    EXPECT_NE(tree.find("pow(x[0],-2147483649)"), std::string::npos) << tree;
    EXPECT_NE(tree.find("pow(x[1],2147483646)"), std::string::npos) << tree;
}

} // namespace
} // namespace modal
