// The built `solver` on a fixed set of problems: standard output, the result
// file and (for LOGIC) the tree dump must stay byte for byte what they were
// when the files under results/expected were written. Only the computation
// time line of a result file is masked.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

const std::string kResults = MODAL_SOURCE_DIR "/tests/solver/driver/results/";

std::vector<std::string> problemNames() {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(kResults))
        if (e.is_regular_file() && e.path().extension() == ".txt")
            names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string maskedTime(const std::string& text) {
    std::istringstream in(text);
    std::string line, out;
    while (std::getline(in, line))
        out += (line.rfind("Computation Time", 0) == 0 ? "Computation Time <masked>" : line) + "\n";
    return out;
}

class ResultFilesTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ResultFilesTest, MatchesTheRecordedFiles) {
    const std::string name = GetParam();
    TempDir dir;
    write_file(dir.file(name + ".txt"), read_file(kResults + name + ".txt"));
    // A run that no longer ends is cut off instead of holding up the suite.
    const std::string command = "cd '" + dir.path().string() +
                                "' && timeout 120 '" SOLVER_PROGRAM "' " + name + " >" + name +
                                ".stdout 2>" + name + ".stderr";
    const int raw = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(raw));
    EXPECT_EQ(WEXITSTATUS(raw), 0);
    // Standard error holds the run's closing line and nothing else.
    EXPECT_EQ(read_file(dir.file(name + ".stderr")).rfind("solver: stopped: ", 0), 0u);
    EXPECT_EQ(read_file(dir.file(name + ".stdout")),
              read_file(kResults + "expected/" + name + ".stdout"));
    EXPECT_EQ(maskedTime(read_file(dir.file(name + "Solution.txt"))),
              maskedTime(read_file(kResults + "expected/" + name + "Solution.txt")));
    const std::string tree = kResults + "expected/" + name + "Tree.txt";
    if (std::filesystem::exists(tree)) {
        EXPECT_EQ(read_file(dir.file("Tree.txt")), read_file(tree));
    }
}

INSTANTIATE_TEST_SUITE_P(Problems, ResultFilesTest, ::testing::ValuesIn(problemNames()),
                         [](const auto& info) { return info.param; });

} // namespace
} // namespace modal
