// The solver as a library: problems read or built, solved as values, and
// written as the program writes them; runs that share nothing.
#include <gtest/gtest.h>

#include <atomic>
#include <charconv>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <thread>

#include "modal/modal.h"

namespace modal {
namespace {

const std::filesystem::path kResults =
    std::filesystem::path(MODAL_SOURCE_DIR) / "tests" / "solver" / "driver" / "results";

std::string readFile(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

std::string withoutTime(const std::string& text) {
    static const std::regex time(R"(^(Computation Time[^:\n]*:)[^\n]*)", std::regex::multiline);
    return std::regex_replace(text, time, "$1");
}

std::string report(const result& r) {
    std::ostringstream os;
    write_report(r, os);
    return os.str();
}

result solveText(std::string_view text, const run_options& o = {}) {
    const parse_result p = parse_problem(text);
    EXPECT_TRUE(p) << (p.error ? p.error->reason : "");
    return p ? solve(*p.value, o) : result{};
}

TEST(Api, ReportsAreTheProgramsResultFiles) {
    // The result files the program wrote for these problems, recorded.
    int compared = 0;
    for (const auto& e : std::filesystem::directory_iterator(kResults)) {
        if (e.path().extension() != ".txt") continue;
        const std::string name = e.path().stem().string();
        SCOPED_TRACE(name);
        const result r = solveText(readFile(e.path()));
        EXPECT_EQ(withoutTime(report(r)),
                  withoutTime(readFile(kResults / "expected" / (name + "Solution.txt"))));
        const auto tree = kResults / "expected" / (name + "Tree.txt");
        if (std::filesystem::exists(tree)) {
            EXPECT_EQ(r.tree_dump, readFile(tree));
        }
        ++compared;
    }
    EXPECT_GT(compared, 10);
}

TEST(Api, ParseGivesTheProblemOrTheSyntaxErrorAndTheWarnings) {
    const parse_result ok = parse_problem("Algorithm=FSTAR;\nc:= 1 <= 2;\nx in [0, 1];\n"
                                          "f:= x*x;\ntrailing");
    ASSERT_TRUE(ok);
    EXPECT_EQ(ok.value->algorithm(), "FSTAR");
    ASSERT_TRUE(ok.ignored_text.has_value());
    EXPECT_EQ(ok.ignored_text->line, 5);
    EXPECT_EQ(ok.ignored_text->statement, "trailing");

    const parse_result bad = parse_problem("Algorithm=FSTAR;\n\nx in [0, 1];\nf:= x*y;\n");
    ASSERT_FALSE(bad);
    ASSERT_TRUE(bad.error.has_value());
    EXPECT_EQ(bad.error->line, 4);
    EXPECT_EQ(bad.error->column, 7);
    EXPECT_EQ(bad.error->statement, "f:= x*y;");
    EXPECT_NE(bad.error->reason.find("'y'"), std::string::npos) << bad.error->reason;

    const parse_result warned = parse_problem("Bisect=5000;\nAlgorithm=FSTAR;\nx in [0,1];\n"
                                              "f:= x;\n");
    ASSERT_TRUE(warned);
    ASSERT_EQ(warned.warnings.size(), 1u);
    EXPECT_EQ(warned.warnings[0].line, 1);
    EXPECT_EQ(warned.warnings[0].statement, "Bisect=5000;");
    EXPECT_EQ(warned.value->warnings().size(), 1u);
}

TEST(Api, ABuiltProblemIsTheProblemItsTextStates) {
    const expr x = expr::variable("x"), y = expr::variable("y");
    problem_builder b("MINMAX");
    b.option("Optim", 1)
        .option("Tolerance", 1e-4)
        .variable("x", -3, 3)
        .variable("y", 0.1, 2) // 0.1 is taken as the double it is
        .objective(pow(x, 2) + 2.5 * y - sin(x * y))
        .constraint(x + y <= 1.5);
    const parse_result built = b.build();
    ASSERT_TRUE(built) << b.text();
    const result fromCode = solve(*built.value);
    const result fromText = solveText(b.text());
    EXPECT_EQ(withoutTime(report(fromCode)), withoutTime(report(fromText)));
    EXPECT_EQ(fromCode.algorithm, algorithm::minmax);
    EXPECT_EQ(fromCode.stop, stop_reason::tolerance);
    // The declared bound is the double 0.1 itself, not an enclosure of 1/10.
    EXPECT_NE(b.text().find("1.000000000000000055511151231257827021181583404541015625e-01"),
              std::string::npos)
        << b.text();
}

TEST(Api, JsonNumbersReadBackExactly) {
    const result r = solveText("Algorithm=FSTAR; Tolerance=1e-6; x in [0.1, 2]; f:= x*exp(-x)/3;");
    std::ostringstream os;
    write_json(r, os);
    const std::string json = os.str();
    const std::regex inner(R"("inner": \[([^,]+), ([^\]]+)\])");
    std::smatch m;
    ASSERT_TRUE(std::regex_search(json, m, inner)) << json;
    double a = 0, b = 0;
    const std::string ta = m[1], tb = m[2];
    std::from_chars(ta.data(), ta.data() + ta.size(), a);
    std::from_chars(tb.data(), tb.data() + tb.size(), b);
    EXPECT_EQ(a, r.inner.inf());
    EXPECT_EQ(b, r.inner.sup());
    EXPECT_NE(json.find("\"stop_reason\": \"tolerance\""), std::string::npos) << json;

    // Infinities and NaN are strings; a paving lists its boxes by kind.
    const result q = solveText("Algorithm=QSI; CSPEps=0.25; F(x,[-1,1]); F(y,[-1,1]); "
                               "c:= sqrt(x) + y >= 0;");
    std::ostringstream qs;
    write_json(q, qs);
    for (const char* k : {"\"solution\": [", "\"non_solution\": [", "\"undefined\": [",
                          "\"variables\": [\"x\", \"y\"]"})
        EXPECT_NE(qs.str().find(k), std::string::npos) << k;
    const result u = solveText("Algorithm=FSTAR; x in [-1, 1]; f:= sqrt(x);");
    std::ostringstream us;
    write_json(u, us);
    EXPECT_NE(us.str().find("\"inner\": [\"nan\", \"nan\"]"), std::string::npos) << us.str();
}

TEST(Api, RunsInTwoThreadsGiveTheResultsOfRunsAlone) {
    const std::string a = "Algorithm=MINMAX; Optim=1; Tolerance=1e-7; x in [-2,2]; y in [-1,1];"
                          "f:= (4 - 2.1*pow(x,2) + pow(x,4)/3)*pow(x,2) + x*y + (-4 + "
                          "4*pow(y,2))*pow(y,2);";
    const std::string b = "Algorithm=QSI; CSPEps=0.01; Threads=1; F(x,[-3,3]); F(y,[-3,3]);"
                          "c:= pow(x,2) + pow(y,2) <= 4; c:= pow(x,2) + pow(y,2) >= 1;";
    const std::string aloneA = withoutTime(report(solveText(a)));
    const std::string aloneB = withoutTime(report(solveText(b)));
    std::string togetherA, togetherB;
    std::thread t([&] { togetherA = withoutTime(report(solveText(a))); });
    togetherB = withoutTime(report(solveText(b)));
    t.join();
    EXPECT_EQ(togetherA, aloneA);
    EXPECT_EQ(togetherB, aloneB);
}

TEST(Api, ARunCountsOnlyItsOwnThreadsTime) {
    // Two runs side by side, each stopped by a time limit of processor
    // time: each counts its own thread, so each gets its whole 0.2 s (with
    // the process's clock each would see both threads' time, and stop at
    // about half of it).
    const std::string undecidable = "Algorithm=LOGIC; Time=0.2; U(x,[0,1]); U(y,[0,1]); "
                                    "lf:= x*y - x*y >= 0;";
    result other;
    std::thread t([&] { other = solveText(undecidable); });
    const result own = solveText(undecidable);
    t.join();
    for (const result* r : {&own, static_cast<const result*>(&other)}) {
        EXPECT_EQ(r->stop, stop_reason::time_limit);
        EXPECT_GT(r->cpu_seconds, 0.2);
        EXPECT_LT(r->cpu_seconds, 0.3);
    }
}

TEST(Api, CancelStopsARunAndProgressIsReported) {
    std::atomic<bool> cancel{false};
    int calls = 0;
    run_options o;
    o.cancel = &cancel;
    o.progress_every = 0.0;
    o.on_progress = [&](const progress& p) {
        ++calls;
        if (p.steps > 200) cancel = true;
    };
    const result r = solveText("Algorithm=FSTAR; Time=60; x in [0,1]; y in [0,1]; "
                               "f:= x*y - x*y;",
                               o);
    EXPECT_EQ(r.stop, stop_reason::cancelled);
    EXPECT_GT(calls, 100);
    EXPECT_LT(r.steps, 1000);
    // A cancelled run's report is partial, as one stopped by its time.
    EXPECT_EQ(report(r).rfind("WARNING: TimeOut", 0), 0u);
}

} // namespace
} // namespace modal
