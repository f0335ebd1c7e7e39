#include "glucosim/core/computation.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/tables.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace glucosim {
namespace {

TEST(Tables, SavedFormatIsTabsBetweenCellsAndNewlineAfterTheLast) {
    std::ostringstream out;
    writeTable(out, {{"a", "", "c"}, {"", "", ""}});
    EXPECT_EQ(out.str(), "a\t\tc\n\t\t\n");
}

TEST(Tables, ResultsTableLayout) {
    const auto data = test::loadSample();
    const Results r = computeWithValues(*data, 10.0, 40.0);
    const Table t = resultsTable(r);
    ASSERT_EQ(t.size(), 61u);
    EXPECT_EQ(t[0][0], "Nº experiment");
    EXPECT_EQ(t[0][6], "Àrea hipo simulada");
    EXPECT_EQ(t[0][7], "Threshold 1,000");
    EXPECT_EQ(t[0][26], "Threshold " + formatFixed3(r.roc.maximum));
    EXPECT_EQ(t[0][30], "Àrea hiper s.");
    const ExperimentResult& e = r.experiments[4];
    EXPECT_EQ(t[5][0], "5");
    EXPECT_EQ(t[5][1], e.row.mealClass);
    EXPECT_EQ(t[5][4], FloatToStr(e.row.hypo()));
    EXPECT_EQ(t[5][5], FloatToStr(e.row.values[8] + e.row.values[9]));
    EXPECT_EQ(t[5][6], FloatToStr(e.areas.moderateHypo + e.areas.severeHypo));
    EXPECT_EQ(t[5][29], FloatToStr(e.areas.moderateHyper * 0.0625));
    EXPECT_EQ(t[5][30], FloatToStr(e.areas.severeHyper * 0.25));
    for (std::size_t k = 0; k < 20; ++k)
        EXPECT_EQ(t[5][7 + k], r.roc.predictions[4][k] ? "1" : "0");
    for (std::size_t row = 25; row < 55; ++row)
        for (const auto& c : t[row])
            EXPECT_EQ(c, "");
    EXPECT_EQ(t[55][6], "VN");
    EXPECT_EQ(t[60][6], "1-Espec.");
    EXPECT_EQ(t[58][7], FloatToStr(r.roc.rows[RocTable::VP][0]));
    EXPECT_EQ(t[55][5], "");

    // The sample has hypoglycaemia both in the data and in the simulation.
    int positives = 0, simulated = 0;
    for (const auto& x : r.experiments) {
        positives += x.row.hypo() != 0;
        simulated += x.simulatedHypoArea > 0;
    }
    EXPECT_GE(positives, 3);
    EXPECT_GE(simulated, 3);
    EXPECT_TRUE(optimisationTable(r).empty());
}

} // namespace
} // namespace glucosim
