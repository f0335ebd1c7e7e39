// What a result file claims, read as a user reads it: every printed number
// against an exact oracle (for solver, and for solver-mpi over 2 and 3
// ranks, whose F* runs share their strips). The problems have extrema known exactly as
// decimals (shifted, scaled sums of squares), so that a bound printed with
// too few digits and rounded the wrong way shows; and the runs that once
// printed false claims or never ended must end with true ones.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdint>
#include <cstdlib>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "file_helpers.h"
#include "tests/support/temp_dir.h"

namespace modal {
namespace {

using test_support::TempDir;
using testing::read_file;
using testing::write_file;

// Wide enough for every exact value here (about 38 digits).
__extension__ typedef __int128 wide;

// An exact decimal: n x 10^e.
struct decimal {
    wide n = 0;
    int e = 0;
};

decimal operator*(decimal a, decimal b) {
    return {a.n * b.n, a.e + b.e};
}
wide pow10(int k) {
    // 10^38 is the largest power the type holds.
    if (k > 38) {
        ADD_FAILURE() << "exponents too far apart for an exact comparison: " << k;
        return 0;
    }
    wide p = 1;
    while (k-- > 0)
        p *= 10;
    return p;
}
decimal operator+(decimal a, decimal b) {
    if (a.n == 0) return b;
    if (b.n == 0) return a;
    if (a.e > b.e) std::swap(a, b);
    return {a.n + b.n * pow10(b.e - a.e), a.e};
}
decimal operator-(decimal a, decimal b) {
    return a + decimal{-b.n, b.e};
}

// A decimal as the problem file writes it ("-12.345").
std::string text(decimal d) {
    const bool negative = d.n < 0;
    wide n = negative ? -d.n : d.n;
    std::string digits;
    do {
        digits.insert(digits.begin(), static_cast<char>('0' + static_cast<int>(n % 10)));
        n /= 10;
    } while (n > 0);
    if (d.e > 0) digits.append(static_cast<std::size_t>(d.e), '0');
    if (d.e < 0) {
        const std::size_t point = static_cast<std::size_t>(-d.e);
        if (digits.size() <= point) digits.insert(0, point - digits.size() + 1, '0');
        digits.insert(digits.size() - point, ".");
    }
    return (negative ? "-" : "") + digits;
}

// A number read from its digits ("-1.234e+02"), not through a double.
decimal read(const std::string& digits) {
    static const std::regex number(R"((-?)(\d+)(?:\.(\d*))?(?:e([+-]\d+))?)");
    std::smatch m;
    if (!std::regex_match(digits, m, number)) ADD_FAILURE() << "not a number: " << digits;
    const std::string fraction = m[3];
    decimal p{0, (m[4].matched ? std::stoi(m[4]) : 0) - static_cast<int>(fraction.size())};
    for (char c : std::string(m[2]) + fraction)
        p.n = p.n * 10 + (c - '0');
    if (m[1] == "-") p.n = -p.n;
    return p;
}

// Sign of (printed number - exact value).
int compare(const std::string& printed, decimal exact) {
    if (printed == "inf") return 1;
    if (printed == "-inf") return -1;
    const wide d = (read(printed) - exact).n;
    return d < 0 ? -1 : d > 0 ? 1 : 0;
}

// The two numbers of the "[a, b]" after `label`.
std::pair<std::string, std::string> interval(const std::string& report, const std::string& label) {
    const std::regex pattern(label + R"(\[([^,\]]+), ([^\]]+)\])");
    std::smatch m;
    if (!std::regex_search(report, m, pattern)) return {"<none>", "<none>"};
    return {m[1], m[2]};
}

struct run {
    std::string report;
    std::string errors;
    int status = -1;
};

// The runs here take seconds; a sanitized build of the program runs them
// ten to twenty times slower.
#ifdef __SANITIZE_ADDRESS__
constexpr const char* runLimit = "600";
#else
constexpr const char* runLimit = "60";
#endif

// The program run: `solver`, or the command MODAL_SOLVER_COMMAND names (the
// same claims from solver-mpi under a launcher).
std::string program() {
    const char* command = std::getenv("MODAL_SOLVER_COMMAND");
    return command != nullptr ? command : "'" SOLVER_PROGRAM "'";
}

run solve(const TempDir& dir, const std::string& name, const std::string& problem) {
    write_file(dir.file(name + ".txt"), problem);
    // A run that no longer ends is cut off and fails.
    const std::string command = "cd '" + dir.path().string() + "' && timeout " + runLimit + " " +
                                program() + " " + name + " >/dev/null 2>" + name + ".err";
    const int raw = std::system(command.c_str());
    run r;
    r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    r.report = read_file(dir.file(name + "Solution.txt"));
    r.errors = read_file(dir.file(name + ".err"));
    return r;
}

// m + sum of c_i (x_i - s_i)^2 over x_i in [lo_i, hi_i], s_i inside: the
// minimum is m, the maximum m plus the largest square of each term.
struct sumOfSquares {
    decimal m;
    std::vector<decimal> c, s, lo, hi;

    std::string function() const {
        std::string f = text(m);
        for (std::size_t i = 0; i < c.size(); ++i)
            f += " + " + text(c[i]) + "*pow(x" + std::to_string(i) + " - " + text(s[i]) + ", 2)";
        return f;
    }
    std::string domains(const char* quantifier) const {
        std::string d;
        for (std::size_t i = 0; i < c.size(); ++i)
            d += std::string(quantifier) + "(x" + std::to_string(i) + ", [" + text(lo[i]) + ", " +
                 text(hi[i]) + "]);\n";
        return d;
    }
    decimal maximum() const {
        decimal top = m;
        for (std::size_t i = 0; i < c.size(); ++i) {
            const decimal a = lo[i] - s[i], b = hi[i] - s[i];
            const decimal aa = a * a, bb = b * b;
            top = top + c[i] * ((aa - bb).n > 0 ? aa : bb);
        }
        return top;
    }
};

sumOfSquares randomProblem(std::mt19937& rng) {
    auto between = [&rng](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    sumOfSquares p;
    // Magnitudes from 1e-3 to 1e6, with digits beyond any printed precision.
    const int scale = between(-3, 6);
    p.m = {between(-999999, 999999), scale - 5};
    for (int i = between(1, 2); i > 0; --i) {
        p.c.push_back({between(1, 9), scale - between(0, 2)});
        p.lo.push_back({between(-3000, -1), -3});
        p.hi.push_back({between(1, 3000), -3});
        p.s.push_back(
            {between(static_cast<int>(p.lo.back().n), static_cast<int>(p.hi.back().n)), -3});
    }
    return p;
}

TEST(PrintedClaims, BoundsOfKnownRangesAndExtremaHoldAsPrinted) {
    std::mt19937 rng(2512);
    TempDir dir;
    for (int n = 0; n < 24; ++n) {
        const sumOfSquares p = randomProblem(rng);
        const std::string tolerance = "1e-" + std::to_string(1 + n % 9);
        const decimal low = p.m, high = p.maximum();
        SCOPED_TRACE(p.function() + " Tolerance=" + tolerance);

        const run f = solve(dir, "range" + std::to_string(n),
                            "Algorithm=FSTAR;\nTolerance=" + tolerance + ";\n" + p.domains("U") +
                                "f:= " + p.function() + ";\n");
        ASSERT_EQ(f.status, 0) << f.errors;
        const auto outer = interval(f.report, "Outer Approximation:");
        const auto inner = interval(f.report, "Inner Approximation:");
        EXPECT_LE(compare(outer.first, low), 0) << f.report;
        EXPECT_GE(compare(outer.second, high), 0) << f.report;
        EXPECT_GE(compare(inner.first, low), 0) << f.report;
        EXPECT_LE(compare(inner.second, high), 0) << f.report;

        for (const char* optim : {"1", "2"}) {
            const bool lower = optim[0] == '1';
            const run r = solve(
                dir, "extreme" + std::to_string(n) + optim,
                "Algorithm=MINMAX;\nOptim=" + std::string(optim) + ";\nTolerance=" + tolerance +
                    ";\n" + p.domains(lower ? "MIN" : "MAX") + "f:= " + p.function() + ";\n");
            ASSERT_EQ(r.status, 0) << r.errors;
            const auto e = interval(r.report, lower ? "Min Approximation:" : "Max Approximation:");
            EXPECT_LE(compare(e.first, lower ? low : high), 0) << r.report;
            EXPECT_GE(compare(e.second, lower ? low : high), 0) << r.report;
            // The minimum is reached at s: some joined box holds it.
            if (lower) {
                bool held = false;
                const std::regex box(R"(box-+\n((?:[^\n]*\n)*?)-+box)");
                const std::string& t = r.report;
                for (auto it = std::sregex_iterator(t.begin(), t.end(), box);
                     it != std::sregex_iterator(); ++it) {
                    const std::string lines = (*it)[1];
                    bool inside = true;
                    for (std::size_t i = 0; i < p.s.size(); ++i) {
                        const auto d = interval(lines, "x" + std::to_string(i) + R"(\[\d+\]=)");
                        inside = inside && compare(d.first, p.s[i]) <= 0 &&
                                 compare(d.second, p.s[i]) >= 0;
                    }
                    held = held || inside;
                }
                EXPECT_TRUE(held) << r.report;
            }
        }
    }
}

// Counts the pixels of a 24-bit BMP with the colour (b, g, r).
int pixelsOf(const std::string& bmp, unsigned char b, unsigned char g, unsigned char r) {
    if (bmp.size() < 54) return -1;
    auto word = [&bmp](std::size_t at) {
        return static_cast<std::int32_t>(static_cast<unsigned char>(bmp[at]) |
                                         static_cast<unsigned char>(bmp[at + 1]) << 8 |
                                         static_cast<unsigned char>(bmp[at + 2]) << 16 |
                                         static_cast<unsigned char>(bmp[at + 3]) << 24);
    };
    const std::size_t offset = static_cast<std::size_t>(word(10));
    const int width = word(18), height = std::abs(word(22));
    const std::size_t row = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    int count = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const std::size_t at = offset + static_cast<std::size_t>(y) * row + 3 * x;
            if (at + 2 < bmp.size() && static_cast<unsigned char>(bmp[at]) == b &&
                static_cast<unsigned char>(bmp[at + 1]) == g &&
                static_cast<unsigned char>(bmp[at + 2]) == r)
                ++count;
        }
    return count;
}

TEST(PrintedClaims, RunsThatOnceClaimedTooMuchOrNeverEnded) {
    TempDir dir;
    // The printed minimum once rounded to [117.5, 117.5].
    const run shifted = solve(dir, "shifted",
                              "Algorithm=MINMAX; Optim=1; Tolerance=0.001; x in [-3,3]; y in "
                              "[-3,3]; f:= 3*pow(x,2) + pow(y,2) + 117.49812;\n");
    const auto m = interval(shifted.report, "Min Approximation:");
    EXPECT_LE(compare(m.first, {11749812, -5}), 0) << shifted.report;
    EXPECT_GE(compare(m.second, {11749812, -5}), 0) << shifted.report;

    // Tol cannot reach 0 below the rounding of the bounds: the run ends
    // there, its range [1, sqrt(2)] between the approximations.
    const run floor = solve(dir, "floor", "x in [0,1]; Algorithm=FSTAR; f:= sin(x)+cos(x);\n");
    EXPECT_NE(floor.errors.find("Tol cannot fall further"), std::string::npos) << floor.errors;
    const decimal sqrt2Below = read("1.4142135623730950488"),
                  sqrt2Above = read("1.4142135623730950489");
    const auto outer = interval(floor.report, "Outer Approximation:");
    const auto inner = interval(floor.report, "Inner Approximation:");
    EXPECT_LE(compare(outer.first, {1, 0}), 0);
    EXPECT_GE(compare(outer.second, sqrt2Above), 0);
    EXPECT_GE(compare(inner.first, {1, 0}), 0);
    EXPECT_LE(compare(inner.second, sqrt2Below), 0);

    // A statement F* cannot settle ends without a time limit.
    const run logic = solve(dir, "unsettled", "Algorithm=LOGIC; U(x,[0,1]); lf:= x - x >= 0;\n");
    EXPECT_NE(logic.report.find("Consistency: Perhaps"), std::string::npos);
    EXPECT_NE(logic.errors.find("stopped moving"), std::string::npos) << logic.errors;

    // The minimum of sqrt(x) + x over the points where it is defined is 0,
    // at x = 0: the bounds hold it, and so does a joined box.
    const run partial =
        solve(dir, "partial", "Algorithm=MINMAX; Optim=1; MIN(x,[-1,4]); f:= sqrt(x)+x;\n");
    const auto p = interval(partial.report, "Min Approximation:");
    EXPECT_LE(compare(p.first, {0, 0}), 0) << partial.report;
    EXPECT_GE(compare(p.second, {0, 0}), 0) << partial.report;
    const auto box = interval(partial.report, R"(x\[0\]=)");
    EXPECT_LE(compare(box.first, {0, 0}), 0) << partial.report;
    EXPECT_GE(compare(box.second, {0, 0}), 0) << partial.report;

    // Three free variables: the solution boxes show through the others.
    const run ball = solve(dir, "ball",
                           "Algorithm=QSI; F(x,[-3,3]); F(y,[-3,3]); F(z,[-3,3]); c:= "
                           "pow(x,2)+pow(y,2)+pow(z,2)/4 <= 1; PlotX=z; PlotY=x;\n");
    EXPECT_EQ(ball.status, 0);
    EXPECT_GT(pixelsOf(read_file(dir.file("ballImage.bmp")), 0, 0, 255), 10000);
}

} // namespace
} // namespace modal
