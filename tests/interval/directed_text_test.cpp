// Directed decimal text against the C library's printf, which rounds its
// decimal conversion in the processor's current rounding mode: an oracle
// that shares no code with ours.
#include "interval/directed_text.h"

#include <gtest/gtest.h>

#include <bit>
#include <cfenv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <random>
#include <sstream>
#include <string>

namespace modal {
namespace {

std::string printfRounded(double x, char conversion, int precision, rounding direction) {
    const int mode = direction == rounding::down ? FE_DOWNWARD
                     : direction == rounding::up ? FE_UPWARD
                                                 : FE_TONEAREST;
    const char format[] = {'%', '.', '*', conversion, '\0'};
    char text[512];
    std::fesetround(mode);
    std::snprintf(text, sizeof text, format, precision, x);
    std::fesetround(FE_TONEAREST);
    return text;
}

std::string ours(double x, std::chars_format f, int precision, rounding direction) {
    std::string s;
    appendDirected(s, x, f, precision, direction);
    return s;
}

// Numbers near the edges of the decimal grid: powers of ten and their
// neighbours, short decimals, dyadic values, random magnitudes and bits.
std::vector<double> samples() {
    std::vector<double> v = {1.0,        0.1,    117.49812, -117.4985, 25263.0,
                             0.39788736, 1e-320, 5e-324,    1e308,     1.7976931348623157e308,
                             9.9995,     99.995, 0.375,     -1.5,      1e22,
                             1e23};
    for (int e = -30; e <= 30; ++e) {
        const double p = std::pow(10.0, e);
        v.insert(v.end(), {p, std::nextafter(p, 0.0), std::nextafter(p, 1e300), -p});
    }
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> unit(-1, 1);
    std::uniform_int_distribution<int> exponent(-300, 300);
    for (int i = 0; i < 3000; ++i)
        v.push_back(unit(rng) * std::pow(10.0, exponent(rng)));
    for (int i = 0; i < 3000; ++i) {
        const double x = std::bit_cast<double>(rng());
        if (std::isfinite(x)) v.push_back(x);
    }
    for (int i = 0; i < 500; ++i)
        v.push_back(std::ldexp(static_cast<double>(static_cast<int>(rng() % 4097) - 2048), -9));
    return v;
}

TEST(DirectedText, MatchesPrintfRoundedInEachDirection) {
    for (double x : samples())
        for (rounding r : {rounding::nearest, rounding::down, rounding::up})
            for (int precision : {0, 1, 3, 4, 6, 9, 16}) {
                ASSERT_EQ(ours(x, std::chars_format::scientific, precision, r),
                          printfRounded(x, 'e', precision, r))
                    << x << " %." << precision << "e";
                ASSERT_EQ(ours(x, std::chars_format::general, precision, r),
                          printfRounded(x, 'g', precision, r))
                    << x << " %." << precision << "g";
            }
}

TEST(DirectedText, ExactValuesAndNonFiniteStayAsTheyAre) {
    EXPECT_EQ(ours(1.5, std::chars_format::scientific, 3, rounding::down), "1.500e+00");
    EXPECT_EQ(ours(-2.0, std::chars_format::scientific, 3, rounding::up), "-2.000e+00");
    EXPECT_EQ(ours(0.0, std::chars_format::general, 4, rounding::up), "0");
    EXPECT_EQ(ours(-kInf, std::chars_format::general, 4, rounding::up), "-inf");
    EXPECT_EQ(ours(kNaN, std::chars_format::scientific, 3, rounding::down), "nan");
}

TEST(DirectedText, IntervalsFollowTheStreamFormat) {
    std::ostringstream os;
    os.precision(3);
    os.setf(std::ios::scientific, std::ios::floatfield);
    writeInterval(os, ivalDb::exact(117.49812, 117.49812), kOutward);
    os << ' ';
    writeInterval(os, ivalDb::exact(117.49812, 117.49812), kInward);
    EXPECT_EQ(os.str(), "[1.174e+02, 1.175e+02] [1.175e+02, 1.174e+02]");

    // Regions: an improper component's inf is the upper end of its region.
    const ivalDb improper = ivalDb::exact(0.12345, -0.12345);
    std::ostringstream g;
    g.precision(3);
    writeInterval(g, improper, roundingFor(improper, regionText::grown));
    g << ' ';
    writeInterval(g, improper, roundingFor(improper, regionText::shrunk));
    EXPECT_EQ(g.str(), "[0.124, -0.124] [0.123, -0.123]");
}

} // namespace
} // namespace modal
