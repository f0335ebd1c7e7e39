// Helpers shared by the interval tests.
#pragma once

#include <cmath>
#include <gtest/gtest.h>

#include "interval/ivalDb.h"

namespace modal::test {

inline ::testing::AssertionResult boundsAre(const ivalDb& x, double lo, double hi) {
    auto same = [](double a, double b) { return a == b || (std::isnan(a) && std::isnan(b)); };
    if (same(x.inf(), lo) && same(x.sup(), hi)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << std::hexfloat << "got [" << x.inf() << ", " << x.sup()
                                         << "], expected [" << lo << ", " << hi << "]";
}

inline ivalDb I(double a, double b) {
    return ivalDb::exact(a, b);
}

} // namespace modal::test
