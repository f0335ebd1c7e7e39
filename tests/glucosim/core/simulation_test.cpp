#include "glucosim/core/simulation.h"

#include "glucosim/core/computation.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/model_steps.h"
#include "glucosim/core/tables.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace glucosim {
namespace {

using modal::dual;
using modal::ivalDb;
using modal::sameBounds;

PatientParameters patient() {
    PatientParameters p;
    p.p[1] = 0.02;  // Sg
    p.p[2] = 0.025; // p2
    p.p[4] = 0.1;   // insulin gain
    p.p[5] = 0.11;  // clearance
    p.p[6] = 8e-4;  // nominal Si
    p.p[7] = 120.0; // Vg
    return p;
}

ExperimentInput meal() {
    return {5.0, 50.0, 12.0, 120.0};
}

::testing::AssertionResult same(const ivalDb& a, const ivalDb& b) {
    if (sameBounds(a, b)) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "[" << a.inf() << ", " << a.sup() << "] vs [" << b.inf() << ", " << b.sup() << "]";
}

// The first two minutes written out operation by operation.
TEST(Simulation, FirstMinutesFollowTheBracketedFormulas) {
    const PatientParameters p = patient();
    const ExperimentInput in = meal();
    const ivalDb si(8e-4 * 0.7, 8e-4 * 1.3);
    const double tmax = 40.0;
    auto tr = std::make_unique<Trajectory>();
    simulateExperiment(p, in, si, tmax, *tr);

    const ivalDb K(55.0, 55.0), h(1.0), one(1.0);
    ivalDb s1 = ivalDb(12.0) * K, s2 = s1;
    const ivalDb ib(12.0 * 0.1 / 0.11);
    const ivalDb gb(120.0 * (1 - 7.0 / 100), 120.0 * (1 + 7.0 / 100));
    const ivalDb sg(0.02 * 0.88, 0.02 * 1.12);
    const ivalDb d(50.0 * 1000 * 0.95, 50.0 * 1000 * 1.05);
    ivalDb g = gb, x(0.0), ins = ib;
    EXPECT_TRUE(same(tr->glucose[0], gb));
    EXPECT_TRUE(same(tr->insulin[0], ib));
    EXPECT_TRUE(same(tr->remoteInsulin[0], ivalDb::exact(0, 0)));

    for (int n = 0; n < 2; ++n) {
        const double u = 5.0 * 1000 / 20.0 + 12.0; // bolus minutes
        const ivalDb rai = s2 / K;
        const ivalDb s1n = s1 + h * (ivalDb(u) - dual(s1) / K);
        const ivalDb s2n = s2 + (h / K) * (s1 - dual(s2));
        s1 = s1n;
        s2 = s2n;
        const ivalDb ra =
            (((d * ivalDb(0.9)) * ivalDb(static_cast<double>(n))) * ivalDb(std::exp(-n / tmax))) /
            ivalDb(tmax * tmax);
        const ivalDb gn =
            ((sg * h) * (gb - dual(g)) + g * (one - x * h)) + (h * ra) / ivalDb(120.0);
        const ivalDb xn = x * ivalDb(1 - 0.025) + (((ivalDb(0.025) * si) * h) * (ins - ib));
        const ivalDb in1 = ins * ivalDb(1 - 0.11) + ((ivalDb(0.1) * rai) * h);
        g = gn;
        x = xn;
        ins = in1;
        const auto k = static_cast<std::size_t>(n);
        EXPECT_TRUE(same(tr->insulinAppearance[k], rai)) << n;
        EXPECT_TRUE(same(tr->mealAppearance[k], ra)) << n;
        EXPECT_TRUE(same(tr->glucoseAt(n), g)) << n;
        EXPECT_TRUE(same(tr->remoteInsulin[k + 1], x)) << n;
        EXPECT_TRUE(same(tr->insulin[k + 1], ins)) << n;
    }
    // Plausible values: glucose still near the basal band; plasma insulin
    // rises only once the bolus has passed both compartments.
    EXPECT_NEAR(tr->glucoseAt(1).mid(), 120.0, 2.0);
    EXPECT_NEAR(tr->insulin[2].mid(), ib.mid(), 1e-9);
    EXPECT_GT(tr->insulin[10].mid(), ib.mid() + 0.1);
}

// Plasma insulin of a plain double simulation with the bolus delivered on
// minutes 0..last.
std::array<double, kSamples> pointInsulin(int lastBolusMinute) {
    const PatientParameters p = patient();
    const ExperimentInput in = meal();
    double s1 = in.basalInsulin * 55, s2 = s1;
    double ins = in.basalInsulin * p.insulinGain() / p.clearance();
    std::array<double, kSamples> out{};
    for (int n = 0; n < kSamples; ++n) {
        const double u = in.basalInsulin + (n <= lastBolusMinute ? in.bolus * 1000 / 20 : 0.0);
        const double rai = s2 / 55;
        const double s1n = s1 + (u - s1 / 55);
        s2 = s2 + (s1 - s2) / 55;
        s1 = s1n;
        ins = ins * (1 - p.clearance()) + p.insulinGain() * rai;
        out[static_cast<std::size_t>(n)] = ins;
    }
    return out;
}

TEST(Simulation, BolusOnMinutesZeroToTwentyBothIncluded) {
    EXPECT_EQ(insulinDelivery(0, 5.0, 12.0), 262.0);
    EXPECT_EQ(insulinDelivery(20, 5.0, 12.0), 262.0);
    EXPECT_EQ(insulinDelivery(21, 5.0, 12.0), 12.0);
    EXPECT_EQ(insulinDelivery(-1, 5.0, 12.0), 12.0);

    auto tr = std::make_unique<Trajectory>();
    simulateExperiment(patient(), meal(), sensitivityInterval(8e-4), 40.0, *tr);
    const auto with21 = pointInsulin(20);
    const auto with20 = pointInsulin(19);
    double worst21 = 0, worst20 = 0;
    for (std::size_t n = 0; n < kSamples; ++n) {
        const ivalDb& i = tr->insulin[n + 1];
        worst21 = std::max(worst21, std::fabs(i.mid() - with21[n]) / with21[n]);
        worst20 = std::max(worst20, std::fabs(i.mid() - with20[n]) / with20[n]);
    }
    EXPECT_LT(worst21, 1e-9);
    EXPECT_GT(worst20, 1e-3);
}

TEST(Simulation, MealAppearanceIsZeroAtStartAndPeaksAtTmax) {
    auto tr = std::make_unique<Trajectory>();
    simulateExperiment(patient(), meal(), sensitivityInterval(8e-4), 45.0, *tr);
    EXPECT_TRUE(same(tr->mealAppearance[0], ivalDb::exact(0, 0)));
    const auto mid = [&](int n) { return tr->mealAppearance[static_cast<std::size_t>(n)].mid(); };
    EXPECT_GT(mid(45), mid(44));
    EXPECT_GT(mid(45), mid(46));
    // 50 g x 0.9 x t e^(-t/T) / T^2 at t = T = 45.
    EXPECT_NEAR(mid(45), 50000 * 0.9 * 45 * std::exp(-1.0) / (45.0 * 45.0), 1e-6);
}

TEST(Simulation, WithoutBolusAndMealInsulinStaysBasalAndGlucoseNearBasal) {
    auto tr = std::make_unique<Trajectory>();
    const ExperimentInput quiet{0.0, 0.0, 12.0, 120.0};
    simulateExperiment(patient(), quiet, sensitivityInterval(8e-4), 40.0, *tr);
    const double ib = 12.0 * 0.1 / 0.11;
    for (std::size_t n = 0; n <= kSamples; ++n) {
        EXPECT_NEAR(tr->insulin[n].mid(), ib, 1e-9);
        EXPECT_NEAR(tr->glucose[n].mid(), 120.0, 1.0);
        EXPECT_LT(tr->glucose[n].width(), 30.0);
    }
    EXPECT_EQ(tr->areas.simulatedHypo(), 0.0);
    EXPECT_EQ(tr->areas.moderateHyper, 0.0);
}

TEST(Simulation, GlucoseTableRowOfMinuteNShowsTheBandOfMinuteNMinusOne) {
    const auto data = test::loadSample();
    const Results r = computeWithValues(*data, 10.0, 40.0);
    const Table t = glucoseTable(r);
    auto tr = std::make_unique<Trajectory>();
    for (const int exp : {0, 14, 23}) {
        simulateExperiment(data->parameters, ExperimentInput::of(data->experiment.rows[exp]),
                           concreteSensitivity(10.0), 40.0, *tr);
        const auto col = static_cast<std::size_t>(3 * exp + 1);
        const double gb = data->experiment.rows[exp].basalGlucose();
        EXPECT_EQ(t[1][0], "0");
        EXPECT_EQ(t[1][col], FloatToStr(std::nextafter(gb * (1 - 7.0 / 100), 0.0)));
        EXPECT_EQ(t[1][col + 1], FloatToStr(std::nextafter(gb * (1 + 7.0 / 100), 1e9)));
        for (const int m : {1, 2, 150, 299}) {
            const auto row = static_cast<std::size_t>(m + 1);
            EXPECT_EQ(t[row][0], std::to_string(m));
            EXPECT_EQ(t[row][col], FloatToStr(tr->glucoseAt(m - 1).inf()));
            EXPECT_EQ(t[row][col + 1], FloatToStr(tr->glucoseAt(m - 1).sup()));
            EXPECT_EQ(t[row][col + 2], FloatToStr(data->glucose.at(m, exp)));
        }
    }
}

} // namespace
} // namespace glucosim
