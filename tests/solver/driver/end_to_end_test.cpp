// The built `solver` on the bundled examples and on small problems: the
// result files, the LOGIC tree dump and the QSI picture. Fixed texts are
// compared with their numbers masked; numbers are checked for what they
// mean (approximations bracket the true range, found here on a fine grid).
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <QColor>
#include <QImage>
#include <QString>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <limits>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "solver/api/runs.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

struct bounds {
    double lo = std::numeric_limits<double>::quiet_NaN();
    double hi = std::numeric_limits<double>::quiet_NaN();
};

// Every number of a text replaced by '#'.
std::string masked(const std::string& text) {
    static const std::regex number(R"(-?(inf|nan|\d+(\.\d*)?(e[+-]?\d+)?))");
    return std::regex_replace(text, number, "#");
}

// The "[a, b]" after the first occurrence of `label` in `text`.
bounds boundsAfter(const std::string& text, const std::string& label) {
    bounds b;
    const auto at = text.find(label);
    if (at == std::string::npos) return b;
    std::sscanf(text.c_str() + at + label.size(), "[%lf, %lf]", &b.lo, &b.hi);
    return b;
}

// Smallest and largest of f over a grid of n x n points of [x0, x1] x [y0, y1].
bounds gridRange(const std::function<double(double, double)>& f, double x0, double x1, double y0,
                 double y1, int n) {
    bounds r{std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()};
    for (int i = 0; i <= n; ++i) {
        const double x = x0 + (x1 - x0) * i / n;
        for (int j = 0; j <= n; ++j) {
            const double v = f(x, y0 + (y1 - y0) * j / n);
            r.lo = std::min(r.lo, v);
            r.hi = std::max(r.hi, v);
        }
    }
    return r;
}

class EndToEndTest : public ::testing::Test {
protected:
    TempDir dir;
    std::string out;

    // Runs solver in the temporary directory on problem `name`; returns its
    // exit status and keeps its standard output.
    int solve(const std::string& name, const std::string& flags = "") {
        const std::string outFile = dir.file(name + ".stdout");
        const std::string command = "cd '" + dir.path().string() + "' && '" SOLVER_PROGRAM "' " +
                                    flags + " " + name + " >'" + outFile + "' 2>&1";
        const int raw = std::system(command.c_str());
        out = read_file(outFile);
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    }
    // Copies a bundled example into the directory and solves it.
    std::string solveExample(const std::string& name, const std::string& extra = "") {
        const std::string text = read_file(MODAL_SOURCE_DIR "/examples/" + name + ".txt");
        EXPECT_NE(text, "<none>") << name;
        write_file(dir.file(name + ".txt"), text + extra);
        EXPECT_EQ(solve(name), 0) << out;
        return result(name);
    }
    std::string solveText(const std::string& name, const std::string& text) {
        write_file(dir.file(name + ".txt"), text);
        EXPECT_EQ(solve(name), 0) << out;
        return result(name);
    }
    std::string result(const std::string& name) {
        return read_file(dir.file(name + "Solution.txt"));
    }

    // The share of pixels of the colour in the 7 x 7 square around a point
    // of the picture given in value coordinates of the plotted ranges.
    static double shareOf(const QImage& image, QColor colour, double x, double y, bounds xr,
                          bounds yr) {
        const int cx = static_cast<int>((x - xr.lo) / (xr.hi - xr.lo) * image.width());
        const int cy = static_cast<int>((yr.hi - y) / (yr.hi - yr.lo) * image.height());
        int hits = 0;
        for (int dx = -3; dx <= 3; ++dx)
            for (int dy = -3; dy <= 3; ++dy)
                if (image.pixelColor(cx + dx, cy + dy) == colour) ++hits;
        return hits / 49.0;
    }
    // The point lies in boxes of one decision: mostly its colour (box
    // outlines are black), none of the other decision's colour.
    static ::testing::AssertionResult decided(const QImage& image, QColor colour, QColor other,
                                              double x, double y, bounds xr, bounds yr) {
        const double share = shareOf(image, colour, x, y, xr, yr);
        const double wrong = shareOf(image, other, x, y, xr, yr);
        if (share >= 0.6 && wrong == 0.0) return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "at (" << x << ", " << y << "): " << share
                                             << " of the colour, " << wrong << " of the other";
    }
    static ::testing::AssertionResult solution(const QImage& image, double x, double y, bounds xr,
                                               bounds yr) {
        return decided(image, QColor(255, 0, 0), QColor(0, 0, 255), x, y, xr, yr);
    }
    static ::testing::AssertionResult nonSolution(const QImage& image, double x, double y,
                                                  bounds xr, bounds yr) {
        return decided(image, QColor(0, 0, 255), QColor(255, 0, 0), x, y, xr, yr);
    }
    QImage picture(const std::string& name) {
        return QImage(QString::fromStdString(dir.file(name + "Image.bmp")));
    }
};

// The printed numbers carry as many decimals as the tolerance asks for.
double printSlack(double v, double tolerance) {
    return tolerance * std::max(1.0, std::fabs(v));
}

TEST_F(EndToEndTest, FstarApproximationsBracketTheRangeOnAGrid) {
    const std::string r = solveExample("range");
    EXPECT_EQ(masked(r), "Computation Time (s):#\n\nInner Approximation:[#, #]\nOuter "
                         "Approximation:[#, #]\nTol: #\n\n");
    const bounds inner = boundsAfter(r, "Inner Approximation:");
    const bounds outer = boundsAfter(r, "Outer Approximation:");
    const bounds grid =
        gridRange([](double x, double y) { return x * (1 - x) + y * y; }, 0, 1, -1, 2, 600);
    const double tol = 0.001;
    // outer encloses every value; inner holds only values of the function.
    EXPECT_LE(outer.lo, grid.lo + printSlack(grid.lo, tol));
    EXPECT_GE(outer.hi, grid.hi - printSlack(grid.hi, tol));
    EXPECT_GE(inner.lo, grid.lo - printSlack(grid.lo, tol));
    EXPECT_LE(inner.hi, grid.hi + printSlack(grid.hi, tol));
    EXPECT_LE(outer.lo, inner.lo);
    EXPECT_GE(outer.hi, inner.hi);
    EXPECT_LE((outer.hi - outer.lo) - (inner.hi - inner.lo), 2 * tol + 0.002);
    EXPECT_EQ(read_file(dir.file("Tree.txt")), "<none>");
}

TEST_F(EndToEndTest, MinmaxMinimumBracketsTheGridMinimum) {
    const std::string r = solveExample("minimum");
    EXPECT_EQ(masked(r.substr(0, r.find("\n\n", r.find("Tol:")) + 2)),
              "Computation Time (s):#\n\nMin Approximation:[#, #]\nTol: #\n\n");
    EXPECT_NE(r.find("Joined Boxes Min List:"), std::string::npos);
    const bounds m = boundsAfter(r, "Min Approximation:");
    const auto camel = [](double x, double y) {
        return 4 * x * x - 2.1 * std::pow(x, 4) + std::pow(x, 6) / 3 + x * y - 4 * y * y +
               4 * std::pow(y, 4);
    };
    const bounds grid = gridRange(camel, -3, 3, -2, 2, 1200);
    const double trueMin = -1.0316284534898774; // at (0.0898, -0.7126) and its mirror
    const double slack = printSlack(trueMin, 1e-4);
    EXPECT_LE(m.lo, trueMin + slack);
    EXPECT_GE(m.hi, trueMin - slack);
    EXPECT_LE(m.lo, grid.lo + slack);
    EXPECT_LE(grid.lo - trueMin, 1e-3); // the grid itself comes close
    EXPECT_LE(m.hi - m.lo, 1e-4 + 2 * slack);
}

TEST_F(EndToEndTest, MinmaxMaxMinBracketsTheGridValue) {
    const std::string r = solveExample("maxmin");
    EXPECT_NE(r.find("MaxMin Approximation:"), std::string::npos) << r;
    const bounds m = boundsAfter(r, "MaxMin Approximation:");
    // max over x of min over y, on a grid through the corners.
    double best = -std::numeric_limits<double>::infinity();
    for (int i = 0; i <= 400; ++i) {
        const double x = 2.0 * i / 400;
        double low = std::numeric_limits<double>::infinity();
        for (int j = 0; j <= 400; ++j) {
            const double y = 1.0 * j / 400;
            low = std::min(low, (x - y) * (x - y) + x);
        }
        best = std::max(best, low);
    }
    EXPECT_DOUBLE_EQ(best, 3.0);
    const double slack = printSlack(best, 1e-4);
    EXPECT_LE(m.lo, best + slack);
    EXPECT_GE(m.hi, best - slack);
}

TEST_F(EndToEndTest, LogicExamplesGiveTrueFalseAndPerhaps) {
    const std::string logicLayout =
        "\n\nConsistency: #\n\n# Approximation:[#, #]\nTol: #\n\n"; // after the first line
    const std::regex labelled(R"((Min|Max|MinMax|MaxMin) Approximation)");
    struct expectation {
        const char* name;
        const char* verdict;
        const char* firstLine;
    };
    for (const expectation& e : {expectation{"logic_true", "True", "Computation Time (s):#"},
                                 expectation{"logic_false", "False", "Computation Time (s):#"},
                                 expectation{"logic_perhaps", "Perhaps",
                                             "WARNING: TimeOut => Partial solution provided"}}) {
        const std::string r = solveExample(e.name);
        EXPECT_NE(r.find(std::string("Consistency: ") + e.verdict + "\n"), std::string::npos)
            << e.name << "\n"
            << r;
        std::string layout = std::regex_replace(masked(r), labelled, "# Approximation");
        const std::string verdict = std::string("Consistency: ") + e.verdict;
        layout.replace(layout.find(verdict), verdict.size(), "Consistency: #");
        EXPECT_EQ(layout, e.firstLine + logicLayout) << e.name;
        // The forced tolerance of 1e-15 asks for 15 decimals.
        EXPECT_TRUE(std::regex_search(r, std::regex(R"(Tol: \d\.\d{15}e[+-]\d\d\n)"))) << r;
    }
}

// A relation whose extreme value lies exactly on its bound: ">=" and "<="
// hold there, ">" and "<" do not. No true statement may be called False.
TEST_F(EndToEndTest, LogicVerdictsOfRelationsTouchingTheirBound) {
    struct expectation {
        const char* relation;
        std::vector<std::string> verdicts; // acceptable answers
    };
    const expectation cases[] = {
        {"x*x >= 0", {"True"}},
        {"x*x > 0", {"False"}},
        {"x*x <= 1", {"True", "Perhaps"}}, // the typed constant 1 is widened by one ulp
        {"-x*x <= 0", {"True"}},
        // The inner bound of 1*1 is rounded inward, below 1: no proof either way.
        {"x*x < 1", {"False", "Perhaps"}},
        {"x + 1 >= 0", {"True", "Perhaps"}},
        {"x + 1 > 0", {"False", "Perhaps"}},
        {"x*x + 1 > 0", {"True"}},
        {"x*x >= 0.5", {"False"}},
    };
    int n = 0;
    for (const std::string meanValue : {"", "MeanValue=1;\n"})
        for (const expectation& e : cases) {
            const std::string r = solveText("touch" + std::to_string(n++),
                                            "Algorithm=LOGIC;\n" + meanValue +
                                                "U(x, [-1, 1]);\nlf:= " + e.relation + ";\n");
            const auto at = r.find("Consistency: ");
            ASSERT_NE(at, std::string::npos) << r;
            const std::string verdict = r.substr(at + 13, r.find('\n', at) - at - 13);
            EXPECT_NE(std::find(e.verdicts.begin(), e.verdicts.end(), verdict), e.verdicts.end())
                << meanValue << e.relation << " gave " << verdict;
        }
}

// The true statement that the natural extension leaves Perhaps (its example
// stops at 0.5 s): with the mean-value form the outer bound near the diagonal
// closes quadratically and proves it, well before a time limit far away.
TEST_F(EndToEndTest, MeanValueProvesTheStatementLeftPerhaps) {
    const std::string r =
        solveText("logic_mean_value", "Algorithm=LOGIC;\nMeanValue=1;\nTime=60;\n"
                                      "U(x, [-1, 1]);\nU(y, [-1, 1]);\n"
                                      "lf:= x*x + y*y - 2*x*y + 0.000001 >= 0;\n");
    EXPECT_NE(r.find("Consistency: True\n"), std::string::npos) << r;
}

TEST_F(EndToEndTest, LogicDumpsTheParsedStatementToTreeTxt) {
    solveExample("logic_true");
    EXPECT_EQ(read_file(dir.file("Tree.txt")),
              "Function: (((x[0])+(y[0]))-([1.5, 1.5]))-([inf, 0])\n"
              "Derivatives: \n"
              "df/x[0]: 1\n"
              "df/y[0]: 1\n");
}

TEST_F(EndToEndTest, LogicIgnoresEpsilonAndTolerance) {
    const std::string plain = solveExample("logic_true");
    const std::string withOptions =
        solveText("logic_options", "Epsilon=0.5;\nTolerance=0.5;\n" +
                                       read_file(MODAL_SOURCE_DIR "/examples/logic_true.txt"));
    EXPECT_EQ(masked(withOptions), masked(plain));
    EXPECT_EQ(withOptions.substr(withOptions.find("\n")), plain.substr(plain.find("\n")));
}

TEST_F(EndToEndTest, FstarIgnoresOptimPlotAndSolutionAndDropsItsLog) {
    const std::string plain = solveExample("range");
    const std::string r = solveExample("range", "Optim=1;\nPlot=1;\nSolution=0;\nDebug=1;\n");
    EXPECT_EQ(r.substr(r.find("\n")), plain.substr(plain.find("\n")));
    EXPECT_EQ(out.find("Fstar Algorithm"), std::string::npos) << out;
    EXPECT_EQ(out.find("Step Number"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("rangeImage.bmp")));
}

TEST_F(EndToEndTest, MinmaxKeepsOptimFromTheFile) {
    const std::string text = "Algorithm=MINMAX;\nTolerance=0.001;\nx in [-1, 2];\nf:= x*x;\n";
    const std::string both = solveText("both", text);
    EXPECT_NE(both.find("Inner Approximation:"), std::string::npos) << both;
    const std::string upper = solveText("upper", "Optim=2;\n" + text);
    EXPECT_NE(upper.find("Max Approximation:"), std::string::npos) << upper;
    const bounds m = boundsAfter(upper, "Max Approximation:");
    EXPECT_LE(m.lo, 4.0 + 0.01);
    EXPECT_GE(m.hi, 4.0 - 0.01);
}

TEST_F(EndToEndTest, FstarConstraintsReachTheSolver) {
    // x*x over [-1, 2] where x <= 0.5: the range is [0, 1]. Without the
    // constraint the inner approximation would reach 4.
    const std::string r = solveText("constrained", "Algorithm=FSTAR;\nTolerance=0.001;\n"
                                                   "x in [-1, 2];\nc:= x <= 0.5;\nf:= x*x;\n");
    const bounds outer = boundsAfter(r, "Outer Approximation:");
    const bounds inner = boundsAfter(r, "Inner Approximation:");
    EXPECT_LE(outer.lo, 0.0);
    EXPECT_GE(outer.hi, 1.0 - 0.001);
    EXPECT_GE(inner.lo, -0.001) << r;
    EXPECT_LE(inner.hi, 1.0 + 0.001) << r;
}

TEST_F(EndToEndTest, AnFVariableInAnFstarRunIsAnOrdinaryVariable) {
    const std::string r =
        solveText("free", "Algorithm=FSTAR;\nTolerance=0.001;\nF(x, [2, -1]);\nf:= x*x;\n");
    const bounds outer = boundsAfter(r, "Outer Approximation:");
    EXPECT_LE(outer.lo, 0.0);
    EXPECT_GE(outer.hi, 4.0);
    EXPECT_LE(outer.hi, 4.01);
}

TEST_F(EndToEndTest, QsiPavesTheAnnulusAndDrawsIt) {
    const std::string r = solveExample("annulus");
    EXPECT_EQ(r.rfind("Solution File:\n\nComputation Time:", 0), 0u) << r.substr(0, 80);
    EXPECT_NE(r.find("Solution Boxes:"), std::string::npos);
    const QImage image = picture("annulus");
    ASSERT_EQ(image.width(), 1017);
    ASSERT_EQ(image.height(), 713);
    const bounds xr{-3, 3}, yr{-3, 3};
    EXPECT_TRUE(solution(image, 0.1, 1.7, xr, yr));     // in the ring
    EXPECT_TRUE(solution(image, -1.7, 0.3, xr, yr));    // in the ring
    EXPECT_TRUE(nonSolution(image, 0.1, 0.1, xr, yr));  // the hole
    EXPECT_TRUE(nonSolution(image, 2.8, 2.8, xr, yr));  // outside
    EXPECT_TRUE(nonSolution(image, 0.7, -2.1, xr, yr)); // below the wave
    EXPECT_FALSE(std::filesystem::exists(dir.file("Tree.txt")));
    // The PNG beside it holds the same pixels.
    const QImage png(QString::fromStdString(dir.file("annulusImage.png")));
    ASSERT_EQ(png.size(), image.size());
    EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32),
              image.convertToFormat(QImage::Format_RGB32));
    EXPECT_LT(std::filesystem::file_size(dir.file("annulusImage.png")),
              std::filesystem::file_size(dir.file("annulusImage.bmp")) / 10);
    EXPECT_NE(out.find("solver: stopped: every box decided ("), std::string::npos) << out;
    EXPECT_NE(out.find("wrote annulusSolution.txt, annulusImage.bmp and annulusImage.png\n"),
              std::string::npos);
}

TEST_F(EndToEndTest, NoBmpWritesOnlyThePng) {
    write_file(
        dir.file("disc.txt"),
        "Algorithm=QSI;\nCSPEps=0.05;\nF(x, [-2, 2]);\nF(y, [-2, 2]);\nc:= x*x + y*y <= 1;\n");
    ASSERT_EQ(solve("disc", "--no-bmp"), 0);
    const std::string withoutBmp = result("disc");
    EXPECT_FALSE(std::filesystem::exists(dir.file("discImage.bmp")));
    const QImage png(QString::fromStdString(dir.file("discImage.png")));
    const bounds r{-2, 2};
    EXPECT_TRUE(solution(png, 0, 0, r, r));
    EXPECT_TRUE(nonSolution(png, 1.8, 1.8, r, r));
    ASSERT_EQ(solve("disc"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file("discImage.bmp")));
    EXPECT_EQ(masked(result("disc")), masked(withoutBmp));
}

// Numbers beyond the range of double: Time=1e400 is no limit, and a domain
// with an infinite bound is warned about and ends without hanging.
TEST_F(EndToEndTest, NumbersBeyondTheDoubleRange) {
    const std::string r = solveText("huge", "Algorithm=FSTAR;\nTime=1e400;\nTolerance=1e-3;\n"
                                            "x in [0, 1];\nf:= x*(1-x) + 1e-400;\n");
    EXPECT_EQ(masked(r), "Computation Time (s):#\n\nInner Approximation:[#, #]\nOuter "
                         "Approximation:[#, #]\nTol: #\n\n");
    EXPECT_NE(out.find("solver: stopped: Tol reached Tolerance=0.001"), std::string::npos) << out;
    for (const char* algorithm : {"FSTAR", "LOGIC", "QSI", "CONTRACTOR"}) {
        solveText("unbounded", std::string("Algorithm=") + algorithm +
                                   ";\nTime=2;\nQSITime=2;\nF(x, [0, 1e400]);\nU(y, [-1e999, 0]);\n"
                                   "f:= x + y;\nlf:= x + y >= 0;\nc:= x + y <= 1;\n");
        EXPECT_NE(out.find("solver: warning: line 4, 'F(x, [0, 1e400]);': x has an infinite bound"),
                  std::string::npos)
            << algorithm << out;
        EXPECT_NE(out.find("solver: stopped: "), std::string::npos) << algorithm << out;
    }
}

TEST_F(EndToEndTest, QsiWithOneVariableDrawsItAgainstTheWholeHeight) {
    solveText("line", "Algorithm=QSI;\nCSPEps=0.01;\nF(x, [-2, 2]);\nc:= x*x <= 1;\n");
    const QImage image = picture("line");
    ASSERT_FALSE(image.isNull());
    const bounds xr{-2, 2}, yr{-1, 1};
    for (double y : {-0.8, 0.0, 0.8}) {
        EXPECT_TRUE(solution(image, 0.1, y, xr, yr));
        EXPECT_TRUE(nonSolution(image, -1.7, y, xr, yr));
        EXPECT_TRUE(nonSolution(image, 1.7, y, xr, yr));
    }
}

TEST_F(EndToEndTest, PlotXNamingTheSecondVariableSwapsTheAxesOnly) {
    const std::string r = solveText("swap", "Algorithm=QSI;\nCSPEps=0.02;\nPlotX=y;\nPlotY=x;\n"
                                            "F(x, [0, 1]);\nF(y, [-5, 5]);\n"
                                            "c:= y >= 0;\nc:= x <= 0.5;\n");
    // Every box keeps x within its own domain [0, 1].
    std::istringstream lines(r);
    int boxes = 0;
    for (std::string line; std::getline(lines, line);) {
        if (line.rfind("x=", 0) != 0) continue;
        const bounds b = boundsAfter(line, "x=");
        EXPECT_GE(b.lo, 0.0) << line;
        EXPECT_LE(b.hi, 1.0 + 1e-12) << line;
        ++boxes;
    }
    EXPECT_GT(boxes, 1);
    // y runs across, x upwards.
    const QImage image = picture("swap");
    const bounds yr{-5, 5}, xr{0, 1};
    EXPECT_TRUE(solution(image, 2.9, 0.1, yr, xr));
    EXPECT_TRUE(nonSolution(image, -2.9, 0.1, yr, xr));
    EXPECT_TRUE(nonSolution(image, 2.9, 0.8, yr, xr));
}

TEST_F(EndToEndTest, QsiWithoutAFreeVariableSaysSoAndDrawsNothing) {
    const std::string r = solveText("novar", "Algorithm=QSI;\nx in [0, 1];\nc:= x <= 0.5;\n");
    EXPECT_EQ(r, no_free_variable_message);
    EXPECT_NE(out.find(std::string(no_free_variable_message)), std::string::npos) << out;
    EXPECT_FALSE(std::filesystem::exists(dir.file("novarImage.bmp")));
}

// With no positive precision the paving would halve boundary boxes for ever.
TEST_F(EndToEndTest, QsiWithoutAPositivePrecisionSaysSoInsteadOfRunningForEver) {
    for (const char* eps : {"0", "-0.5"}) {
        const std::string r =
            solveText("noeps", std::string("Algorithm=QSI;\nCSPEps=") + eps +
                                   ";\nF(x, [-2, 2]);\nF(y, [-2, 2]);\nc:= x*x + y*y <= 1;\n");
        EXPECT_EQ(r, no_precision_message) << eps;
        EXPECT_NE(out.find(std::string(no_precision_message)), std::string::npos) << out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("noepsImage.bmp")));
    }
}

TEST_F(EndToEndTest, AnFstarRunWithoutAFunctionSaysSo) {
    for (const char* algorithm : {"FSTAR", "MINMAX", "LOGIC"}) {
        const std::string r =
            solveText("nofunction", std::string("Algorithm=") + algorithm + ";\nx in [0, 1];\n");
        EXPECT_EQ(r, no_function_message) << algorithm;
        EXPECT_NE(out.find(std::string(no_function_message)), std::string::npos) << out;
        EXPECT_FALSE(std::filesystem::exists(dir.file("Tree.txt")));
    }
}

TEST_F(EndToEndTest, ContractorWritesTheTimeAndTheContractedBox) {
    const std::string r = solveExample("contractor");
    EXPECT_EQ(masked(r), "Computation Time (s):#\n\nBox:\nx=[#, #]\ny=[#, #]");
    const bounds x = boundsAfter(r, "x=");
    const bounds y = boundsAfter(r, "y=");
    // Encloses the solutions (x in [-2, 0.8229], y in [-0.8229, 2]) ...
    EXPECT_LE(x.lo, -2.0);
    EXPECT_GE(x.hi, 0.8229);
    EXPECT_LE(y.lo, -0.8229);
    EXPECT_GE(y.hi, 2.0);
    // ... and is far narrower than the start box [-10, 10]^2.
    EXPECT_LT(x.hi - x.lo, 4.1);
    EXPECT_LT(y.hi - y.lo, 3.1);
    EXPECT_EQ(r.find("Solution Boxes"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.file("contractorImage.bmp")));
}

TEST_F(EndToEndTest, AContractorWithoutConstraintsKeepsTheBox) {
    const std::string r = solveText("free", "Algorithm=CONTRACTOR;\nF(x, [0, 1]);\n");
    EXPECT_EQ(masked(r), "Computation Time (s):#\n\nBox:\nx=[#, #]");
    const bounds x = boundsAfter(r, "x=");
    EXPECT_EQ(x.lo, 0.0);
    EXPECT_GE(x.hi, 1.0);
}

// Problems at the edges of what intervals can prove: relations that hold with
// equality, functions undefined on part of the box, ranges whose ends are
// exact, constraints no point satisfies. Each answer is checked against what
// is known of the function by hand; an answer may be weaker (Perhaps, NaN),
// never false.
TEST_F(EndToEndTest, ResultsAtTheEdgesClaimNothingFalse) {
    auto verdictOf = [&](const std::string& name, const std::string& text) {
        const std::string r = solveText(name, "Algorithm=LOGIC;\n" + text);
        const auto at = r.find("Consistency: ");
        return at == std::string::npos ? r : r.substr(at + 13, r.find('\n', at) - at - 13);
    };
    EXPECT_EQ(verdictOf("eq", "U(x,[0,1]); E(y,[0,1]); lf:= x - y = 0;"), "True");
    EXPECT_EQ(verdictOf("log", "U(x,[1,2]); lf:= log(x) >= 0;"), "True");
    EXPECT_NE(verdictOf("same", "Time=0.3; U(x,[0,1]); lf:= x - x >= 0;"), "False");
    EXPECT_NE(verdictOf("sqrt", "U(x,[3,4]); lf:= sqrt(x-3)+x >= 3.05;"), "True");
    EXPECT_NE(verdictOf("pole", "E(y,[1,2]); lf:= tan(y) = 0;"), "True");
    EXPECT_EQ(verdictOf("unbounded", "U(x,[0,1e400]); lf:= x >= 0;"), "True");
    EXPECT_NE(verdictOf("undef", "Time=0.3; U(x,[-1,4]); lf:= sqrt(x) >= 0;"), "True");

    auto fstar = [&](const std::string& name, const std::string& text) {
        const std::string r = solveText(name, "Algorithm=FSTAR;\n" + text);
        return std::make_pair(boundsAfter(r, "Inner Approximation:"),
                              boundsAfter(r, "Outer Approximation:"));
    };
    const double e = std::exp(1.0);
    auto [inn, outer] = fstar("exp", "x in [0,1]; f:= exp(x);");
    EXPECT_TRUE(inn.lo >= 1.0 && inn.hi <= e && outer.lo <= 1.0 && outer.hi >= e);
    std::tie(inn, outer) = fstar("sum", "x in [1,3]; y in [-1,1]; f:= x+y;");
    EXPECT_TRUE(inn.lo >= 0.0 && inn.hi <= 4.0) << inn.lo << " " << inn.hi;
    std::tie(inn, outer) = fstar("zero", "Time=0.2; x in [0,1]; f:= x - x;");
    EXPECT_TRUE(inn.lo == 0.0 && inn.hi == 0.0);
    std::tie(inn, outer) = fstar("recip", "x in [2,1]; f:= pow(x,-1);");
    EXPECT_TRUE(outer.lo <= 1.0 && outer.hi >= 0.5 && inn.lo >= 1.0 && inn.hi <= 0.5);
    std::tie(inn, outer) = fstar("huge", "x in [1e200,1e201]; f:= pow(x,2);");
    EXPECT_TRUE(std::isnan(inn.lo) && std::isnan(inn.hi));
    std::tie(inn, outer) = fstar("infinite", "Time=0.2; x in [0,1e400]; f:= x*x;");
    EXPECT_TRUE(outer.lo <= 0.0 && outer.hi == INFINITY);
    std::tie(inn, outer) = fstar("pow0", "x in [-1,1]; f:= pow(x,0);");
    EXPECT_TRUE(inn.lo == 1.0 && outer.hi == 1.0);
    std::tie(inn, outer) = fstar("root", "Time=0.3; x in [-1,4]; f:= sqrt(x)*x;");
    EXPECT_TRUE(outer.lo <= 0.0 && outer.hi >= 8.0 && std::isnan(inn.lo));
    std::tie(inn, outer) = fstar("disc", "Time=1; Tolerance=0.01; x in [-2,2]; y in [-2,2]; "
                                         "f:= x+y; c:= x*x+y*y <= 1;");
    EXPECT_TRUE(outer.lo <= -std::sqrt(2.0) && outer.lo > -1.5 && outer.hi < 1.5);
    EXPECT_NE(
        solveText("none", "Algorithm=FSTAR; x in [0,1]; c:= x <= -5; f:= x;").find("No Solution\n"),
        std::string::npos);

    auto contracted = [&](const std::string& name, const std::string& text) {
        return solveText(name, "Algorithm=CONTRACTOR;\n" + text);
    };
    const bounds c1 =
        boundsAfter(contracted("touch1", "F(x,[0,4]); c:= pow(x-1,2)*(3-x) <= 0;"), "x=");
    EXPECT_TRUE(c1.lo <= 1.0 && c1.hi >= 4.0);
    const bounds c2 = boundsAfter(contracted("touch2", "F(x,[-3,3]); c:= x*x*(x-2) >= 0;"), "x=");
    EXPECT_TRUE(c2.lo <= 0.0 && c2.hi >= 3.0);
    EXPECT_NE(contracted("empty", "F(x,[-3,3]); c:= x*x <= -1;").find("\nNo Solution\n"),
              std::string::npos);
}
} // namespace
} // namespace modal
