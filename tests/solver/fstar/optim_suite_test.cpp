// The global-optimisation suite of bench/solver/fstar/optim: every problem,
// in the default mode and the accelerated one (MeanValue=1, and Contract=1
// where it has constraints), stopped after a tenth of a second, must print a
// Min Approximation that holds the minimum its source publishes. The
// published value is an oracle independent of the solver; it is known only
// to the digits it is printed with, so a run fails only when its printed
// enclosure is disjoint from [v - 10^-k, v + 10^-k] for a value written with
// k decimals (the point itself for a value marked exact).
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "modal/modal.h"

namespace modal {
namespace {

const std::filesystem::path kSuite =
    std::filesystem::path(MODAL_SOURCE_DIR) / "bench" / "solver" / "fstar" / "optim";

std::vector<std::string> suiteNames() {
    std::vector<std::string> names;
    if (!std::filesystem::is_directory(kSuite)) return names;
    for (const auto& e : std::filesystem::directory_iterator(kSuite))
        if (e.path().extension() == ".txt") names.push_back(e.path().stem().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

// The known minimum from the "% Optimum:" line and the half-width of the
// neighbourhood its printed digits stand for.
struct knownMinimum {
    double value = std::nan("");
    double halfWidth = 0;
};

knownMinimum readOptimum(const std::string& text) {
    static const std::regex line(
        R"(^% Optimum: ([-+]?[0-9]*(?:\.([0-9]*))?(?:[eE]([-+]?[0-9]+))?)( \(exact\))?\s*$)",
        std::regex::multiline);
    std::smatch m;
    knownMinimum k;
    if (!std::regex_search(text, m, line)) return k;
    k.value = std::strtod(m[1].str().c_str(), nullptr);
    if (m[4].matched) return k;
    const long decimals = static_cast<long>(m[2].length()) -
                          (m[3].matched ? std::strtol(m[3].str().c_str(), nullptr, 10) : 0);
    const double ulp = std::nextafter(std::fabs(k.value), INFINITY) - std::fabs(k.value);
    k.halfWidth = std::max(std::pow(10.0, static_cast<double>(-decimals)), 4 * ulp);
    return k;
}

// The problem text with the accelerated mode's options after its Algorithm
// statement.
std::string accelerated(const std::string& text) {
    static const std::regex algorithm(R"(^Algorithm=[^\n]*)", std::regex::multiline);
    static const std::regex constraint(R"(^c:=)", std::regex::multiline);
    const bool constrained = std::regex_search(text, constraint);
    return std::regex_replace(text, algorithm,
                              constrained ? "$&\nMeanValue=1;\nContract=1;" : "$&\nMeanValue=1;",
                              std::regex_constants::format_first_only);
}

class OptimSuite : public ::testing::TestWithParam<std::string> {};

TEST(OptimSuiteFiles, AtLeastThirtyProblemsWithKnownMinima) {
    const std::vector<std::string> names = suiteNames();
    EXPECT_GE(names.size(), 30u);
    for (const std::string& n : names)
        EXPECT_FALSE(std::isnan(readOptimum(readFile(kSuite / (n + ".txt"))).value)) << n;
}

TEST_P(OptimSuite, PrintedMinimumHoldsThePublishedOne) {
    const std::string text = readFile(kSuite / (GetParam() + ".txt"));
    const knownMinimum known = readOptimum(text);
    ASSERT_FALSE(std::isnan(known.value)) << "no '% Optimum:' line";
    run_options o;
    o.time_limit = 0.1;
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "accelerated" : "default");
        const parse_result p = parse_problem(fast ? accelerated(text) : text);
        ASSERT_TRUE(p) << (p.error ? p.error->reason : "");
        // A suite file that draws a warning (an unused variable, an option
        // out of range) does not state the problem its header names.
        EXPECT_TRUE(p.warnings.empty() && p.problem_warnings.empty());
        ASSERT_EQ(p.value->algorithm(), "MINMAX");
        const result r = solve(*p.value, o);
        EXPECT_FALSE(r.no_solution);
        std::ostringstream report;
        write_report(r, report);
        static const std::regex printed(R"(Min Approximation:\[([^,\]]+), ([^\]]+)\])");
        std::smatch m;
        const std::string s = report.str();
        ASSERT_TRUE(std::regex_search(s, m, printed)) << s;
        // strtod reads "nan" and "inf" too; a NaN bound claims nothing.
        const double lo = std::strtod(m[1].str().c_str(), nullptr);
        const double hi = std::strtod(m[2].str().c_str(), nullptr);
        EXPECT_FALSE(hi < known.value - known.halfWidth || lo > known.value + known.halfWidth)
            << "printed [" << m[1] << ", " << m[2] << "] misses " << known.value << " +- "
            << known.halfWidth;
    }
}

std::string testName(const ::testing::TestParamInfo<std::string>& info) {
    std::string n = info.param;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
}

INSTANTIATE_TEST_SUITE_P(Problems, OptimSuite, ::testing::ValuesIn(suiteNames()), testName);

} // namespace
} // namespace modal
