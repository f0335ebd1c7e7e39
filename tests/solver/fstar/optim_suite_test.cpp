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
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "bench/solver/fstar/optim_suite.h"
#include "modal/modal.h"

namespace modal {
namespace {

const std::vector<optim_suite::problem>& suite() {
    static const std::vector<optim_suite::problem> problems = optim_suite::read(
        std::filesystem::path(MODAL_SOURCE_DIR) / "bench" / "solver" / "fstar" / "optim");
    return problems;
}

std::vector<std::string> suiteNames() {
    std::vector<std::string> names;
    for (const optim_suite::problem& p : suite())
        names.push_back(p.name);
    return names;
}

const optim_suite::problem& problemNamed(const std::string& name) {
    return *std::find_if(suite().begin(), suite().end(),
                         [&](const optim_suite::problem& p) { return p.name == name; });
}

class OptimSuite : public ::testing::TestWithParam<std::string> {};

TEST(OptimSuiteFiles, AtLeastThirtyProblemsWithKnownMinima) {
    EXPECT_GE(suite().size(), 30u);
    for (const optim_suite::problem& p : suite())
        EXPECT_FALSE(std::isnan(p.optimum)) << p.name;
}

TEST_P(OptimSuite, PrintedMinimumHoldsThePublishedOne) {
    const optim_suite::problem& known = problemNamed(GetParam());
    ASSERT_FALSE(std::isnan(known.optimum)) << "no '% Optimum:' line";
    run_options o;
    o.time_limit = 0.1;
    for (const bool fast : {false, true}) {
        SCOPED_TRACE(fast ? "accelerated" : "default");
        const parse_result p =
            parse_problem(fast ? optim_suite::acceleratedText(known.text) : known.text);
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
        EXPECT_TRUE(known.holds(lo, hi)) << "printed [" << m[1] << ", " << m[2] << "] misses "
                                         << known.optimum << " +- " << known.halfWidth;
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
