// The built `solver` on the problems of tests/solver/driver/golden: its
// standard output (with the step lines), its result file and the LOGIC tree
// dump must equal, whole, the files recorded there by make-expected.sh. Only
// the computation time is left out of the result files.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;

const std::filesystem::path kGolden =
    std::filesystem::path(MODAL_SOURCE_DIR) / "tests" / "solver" / "driver" / "golden";

std::vector<std::string> problemNames() {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& e : std::filesystem::directory_iterator(kGolden, ec))
        if (e.path().extension() == ".txt") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string withoutTime(const std::string& text) {
    static const std::regex time(R"(^(Computation Time[^:\n]*:)[^\n]*)", std::regex::multiline);
    return std::regex_replace(text, time, "$1");
}

// Where two texts first differ, for a readable failure: the line number and
// both lines.
std::string firstDifference(const std::string& expected, const std::string& actual) {
    std::size_t line = 1;
    std::size_t start = 0;
    const std::size_t n = std::min(expected.size(), actual.size());
    std::size_t i = 0;
    for (; i < n && expected[i] == actual[i]; ++i)
        if (expected[i] == '\n') {
            ++line;
            start = i + 1;
        }
    auto lineAt = [start](const std::string& s) {
        const auto end = s.find('\n', start);
        return start >= s.size() ? std::string("<end>") : s.substr(start, end - start);
    };
    return "line " + std::to_string(line) + "\n  expected: " + lineAt(expected) +
           "\n  actual:   " + lineAt(actual);
}

class RegressionTest : public ::testing::TestWithParam<std::string> {};

TEST_P(RegressionTest, ResultsEqualTheRecordedOnes) {
    const std::string name = GetParam();
    TempDir dir;
    std::filesystem::copy_file(kGolden / (name + ".txt"), dir.file(name + ".txt"));
    const std::string out = dir.file(name + ".stdout");
    const std::string command =
        "cd '" + dir.path().string() + "' && '" SOLVER_PROGRAM "' " + name + " >'" + out + "'";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    ASSERT_EQ(WEXITSTATUS(raw), 0);

    const auto expectSame = [&](const std::string& what, const std::string& expected,
                                const std::string& actual) {
        EXPECT_TRUE(expected == actual)
            << what << " differs at " << firstDifference(expected, actual);
    };
    const std::string base = (kGolden / name).string();
    expectSame("standard output", read_file(base + ".expected-stdout"), read_file(out));
    expectSame("result file", read_file(base + ".expected-solution"),
               withoutTime(read_file(dir.file(name + "Solution.txt"))));
    expectSame("tree dump", read_file(base + ".expected-tree"), read_file(dir.file("Tree.txt")));
}

INSTANTIATE_TEST_SUITE_P(Golden, RegressionTest, ::testing::ValuesIn(problemNames()),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace modal
