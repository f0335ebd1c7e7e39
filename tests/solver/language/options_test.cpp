// Option statements and the settings they change.
#include "solver/language/options.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "solver/fstar/param.h"
#include "solver/fstar/strip.h"
#include "solver/language/grammar.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_param.h"

namespace modal {
namespace {

TEST(OptionConversions, IntegersTruncateTowardZeroAndSaturate) {
    EXPECT_EQ(option_integer(2.9), 2);
    EXPECT_EQ(option_integer(-1.5), -1);
    EXPECT_EQ(option_integer(-0.5), 0);
    EXPECT_EQ(option_integer(1e300), INT_MAX);
    EXPECT_EQ(option_integer(-1e300), INT_MIN);
    EXPECT_EQ(option_integer(2147483647.9), INT_MAX);
    EXPECT_EQ(option_integer(std::nan("")), 0);
    EXPECT_TRUE(option_flag(0.5));
    EXPECT_TRUE(option_flag(-1e-300));
    EXPECT_FALSE(option_flag(0.0));
    EXPECT_FALSE(option_flag(-0.0));
}

class OptionsTest : public ::testing::Test {
protected:
    param settings;
    qsiParam qsiSettings;
    parse_context ctx;
    model_actions model;
    problem_grammar grammar{ctx, model};

    void SetUp() override {
        ctx.settings = &settings;
        ctx.qsi_settings = &qsiSettings;
    }
    void parse(const std::string& text) { ASSERT_TRUE(grammar.parse(text)) << text; }
};

TEST_F(OptionsTest, EachNumericOptionReachesItsSetting) {
    parse("Epsilon=0.25; Tolerance=1e-9; Bisect=2.9; Debug=1.7; Optim=-1.5; ScreenOut=3;"
          "Time=60; Solution=0.5; Plot=-2; CSPEps=0.01; QSITime=12.5;");
    EXPECT_EQ(settings.epsilon, 0.25);
    EXPECT_EQ(settings.tolerance, 1e-9);
    EXPECT_EQ(settings.bisect, 2);
    EXPECT_EQ(settings.debug, 1);
    EXPECT_EQ(settings.optim, static_cast<optimBound>(-1));
    EXPECT_TRUE(settings.screen_out);
    EXPECT_EQ(settings.time_limit, 60.0);
    EXPECT_TRUE(settings.write_solution);
    EXPECT_TRUE(settings.plot);
    EXPECT_EQ(qsiSettings.epsilon, 0.01);
    EXPECT_EQ(qsiSettings.time_limit, 12.5);
    // Untouched by any option.
    EXPECT_EQ(settings.stop_reason, "?");
    EXPECT_EQ(settings.logic_mode, inclusionStop::off);
    EXPECT_FALSE(settings.minmax_mode);
}

TEST_F(OptionsTest, ALaterStatementReplacesTheValue) {
    parse("Solution=1; Bisect=5;");
    parse("Solution=0; Bisect=7.5;");
    EXPECT_FALSE(settings.write_solution);
    EXPECT_EQ(settings.bisect, 7);
    EXPECT_TRUE(ctx.warnings.empty());
}

// The table's defaults are those of the settings records, and stating them
// changes nothing.
TEST_F(OptionsTest, TheTableHoldsTheDefaultsOfTheSettings) {
    const param freshParam;
    const qsiParam freshQsi;
    for (const optionInfo& o : options()) {
        SCOPED_TRACE(std::string(o.name));
        EXPECT_EQ(find_option(o.name), &o);
        if (o.type == optionType::name) {
            EXPECT_TRUE(o.current == nullptr && o.apply_name != nullptr);
            continue;
        }
        ASSERT_NE(o.current, nullptr);
        EXPECT_EQ(o.current(freshParam, freshQsi),
                  std::strtod(std::string(o.shown_default).c_str(), nullptr));
        ctx.warnings.clear();
        parse(std::string(o.name) + "=" + std::string(o.shown_default) + ";");
        EXPECT_EQ(o.current(settings, qsiSettings), o.current(freshParam, freshQsi));
        EXPECT_TRUE(ctx.warnings.empty()) << ctx.warnings[0];
    }
}

// A number outside an option's range is taken, with a warning that says
// what the run does; the limits are those the solvers apply.
TEST_F(OptionsTest, NumbersOutOfRangeSayWhatTheRunDoes) {
    const auto warningsOf = [this](const std::string& text) {
        ctx.warnings.clear();
        parse(text);
        return ctx.warnings;
    };
    using lines = std::vector<std::string>;
    EXPECT_EQ(warningsOf("Threads=-2;"),
              lines{"Threads=-2 is below 0: QSI uses every core, as with Threads=0"});
    EXPECT_EQ(qsiSettings.threads, -2);
    EXPECT_EQ(warningsOf("Threads=100;"),
              lines{"Threads=100 is above 64: QSI runs 64 threads (one per core on a machine "
                    "with more cores)"});
    EXPECT_EQ(warningsOf("Tolerance=-1;"),
              lines{"Tolerance=-1 is below 0: Tol never gets below zero, so the run stops only "
                    "at its time limit or when nothing is left to cut"});
    EXPECT_EQ(warningsOf("Bisect=0;"), lines{"Bisect=0 is below 2: each cut makes 2 pieces"});
    for (const char* huge : {"Bisect=1e300;", "Bisect=1e400;", "Bisect=1001;"}) {
        ASSERT_EQ(warningsOf(huge).size(), 1u) << huge;
        EXPECT_EQ(settings.bisect, kMaxPiecesPerCut) << huge;
        EXPECT_NE(ctx.warnings[0].find("is above 1000: each cut makes 1000 pieces"),
                  std::string::npos);
    }
    EXPECT_EQ(warningsOf("Epsilon=-0.5; MemoryLimit=-3;").size(), 2u);
    EXPECT_EQ(warningsOf("Bisect=1000; Bisect=2.9; Threads=64; Threads=0; Tolerance=0;"), lines{});

    const optionInfo& bisect = *find_option("Bisect");
    EXPECT_EQ(effectivePieces(1), static_cast<int>(bisect.least));
    EXPECT_EQ(effectivePieces(INT_MAX), static_cast<int>(bisect.most));
    qsi q;
    q.setThreads(1000);
    EXPECT_EQ(q.threadCount(), std::max(static_cast<int>(find_option("Threads")->most),
                                        static_cast<int>(std::thread::hardware_concurrency())));
}

TEST_F(OptionsTest, NamesGoToTheQsiPlotAxesOnly) {
    parse("PlotX=alpha; PlotY = beta_2;");
    EXPECT_EQ(qsiSettings.plot_x_name, "alpha");
    EXPECT_EQ(qsiSettings.plot_y_name, "beta_2");
    EXPECT_TRUE(settings.plot_x_name.empty());
    EXPECT_TRUE(settings.plot_y_name.empty());
}

TEST_F(OptionsTest, ValueFormsAnOptionDoesNotTakeChangeNothing) {
    parse("PlotX=alpha; PlotX=3; PlotY=4; Epsilon=abc; Bisect=x; CSPEps=y;");
    EXPECT_EQ(qsiSettings.plot_x_name, "alpha");
    EXPECT_TRUE(qsiSettings.plot_y_name.empty());
    EXPECT_EQ(settings.epsilon, 0.0);
    EXPECT_EQ(settings.bisect, 2);
    EXPECT_EQ(qsiSettings.epsilon, 0.1);
    // "Plot" is not "PlotX": the flag stays off.
    EXPECT_FALSE(settings.plot);
}

// Statements that are accepted but do not do what they seem to leave one
// warning each; ordinary statements leave none.
TEST_F(OptionsTest, SilentTrapsLeaveAWarning) {
    const auto warningsOf = [this](const std::string& text) {
        ctx.warnings.clear();
        parse(text);
        return ctx.warnings;
    };
    using lines = std::vector<std::string>;
    EXPECT_EQ(warningsOf("x in [0, 1]; U(y, [0, 1]); f:= x*y; Epsilon=0.1; PlotX=x;"), lines{});
    EXPECT_EQ(warningsOf("c:= x <= 1;"),
              lines{"the constraint comes before Algorithm= and is ignored: choose the "
                    "algorithm first"});
    EXPECT_EQ(warningsOf("Algorithm=MAXMIN; c:= x <= 1;"),
              lines{"Algorithm=MAXMIN runs nothing: the constraint is ignored"});
    EXPECT_EQ(warningsOf("Algorithm=QSI; c:= x <= 1;"), lines{});
    EXPECT_EQ(warningsOf("Epsilon=abc;"),
              lines{"Epsilon takes a number: the name 'abc' is ignored"});
    EXPECT_EQ(warningsOf("PlotX=3;"),
              lines{"PlotX takes the name of an F variable: the number 3 is ignored"});
    EXPECT_EQ(warningsOf("MIN(a, [0, 1]); Optim=1; MAX(b, [0, 1]);"),
              lines{"MIN/MAX declarations of a come before this Optim and keep the bounds Optim "
                    "gave them then: set Optim before them"});
    EXPECT_EQ(warningsOf("Optim=1;"), lines{"MIN/MAX declarations of a come before this Optim and "
                                            "keep the bounds Optim gave them then: set Optim "
                                            "before them"});
    EXPECT_EQ(warningsOf("Optim=2;").size(), 1u); // now both a and b
    EXPECT_NE(ctx.warnings[0].find("of a, b come"), std::string::npos);
    EXPECT_EQ(warningsOf("w in [0, 1e400];"),
              lines{"w has an infinite bound: no solver can cut an unbounded domain, so the "
                    "results are not meaningful; give finite bounds"});
}

TEST_F(OptionsTest, OptionsWithoutATargetAreIgnored) {
    ctx.settings = nullptr;
    ctx.qsi_settings = nullptr;
    parse("Epsilon=1; CSPEps=1; PlotX=a;");
    EXPECT_EQ(settings.epsilon, 0.0);
    EXPECT_EQ(qsiSettings.epsilon, 0.1);
}

} // namespace
} // namespace modal
