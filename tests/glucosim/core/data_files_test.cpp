#include "glucosim/core/data_files.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <sstream>

namespace glucosim {
namespace {

using test::TempDir;

// An experiment file: header, then 24 rows; row r has number r, the given
// patient, meal class "A" or "B,5", and recognisable values elsewhere.
std::string experimentText(const std::string& patient = "3") {
    std::ostringstream s;
    s << "Exp Pac Classe Bolus CHO Ub Gb Hipo A1 A2 X Y\n";
    for (int r = 1; r <= kExperiments; ++r)
        s << r << ' ' << (r == 1 ? patient : "9") << ' ' << (r % 2 ? "A" : "B,5") << ' ' << r * 0.5
          << ' ' << 10 * r << " 12.5 " << 100 + r << ' ' << r % 2 << " 1.25 " << r << " 0 0\n";
    return s.str();
}

// A parameter file whose parameter i of patient k is k * 100 + i.
std::string parameterText() {
    std::ostringstream s;
    s << "Param";
    for (int k = 1; k <= kPatients; ++k)
        s << " P" << k;
    s << "\n";
    for (int i = 1; i < kParameterRows; ++i) {
        s << "label" << i;
        for (int k = 1; k <= kPatients; ++k)
            s << ' ' << k * 100 + i;
        s << "\n";
    }
    return s.str();
}

std::string glucoseText() {
    std::ostringstream s;
    for (int m = 0; m < kSamples; ++m) {
        for (int j = 0; j < kExperiments; ++j)
            s << (j ? " " : "") << m + j * 0.5;
        s << "\r\n"; // files written on Windows read the same
    }
    return s.str();
}

TEST(ExperimentFile, Layout) {
    TempDir dir;
    ExperimentTable t;
    DataError e;
    ASSERT_TRUE(readExperimentFile(dir.write("exp.txt", experimentText()), t, e)) << e.message();
    EXPECT_EQ(t.patient, 3);
    const ExperimentRow& r0 = t.rows[0];
    EXPECT_EQ(r0.number(), 1);
    EXPECT_EQ(r0.mealClass, "A");
    EXPECT_EQ(t.rows[1].mealClass, "B,5"); // kept as text, comma and all
    EXPECT_EQ(r0.bolus(), 0.5);
    EXPECT_EQ(r0.carbohydrates(), 10);
    EXPECT_EQ(r0.basalInsulin(), 12.5);
    EXPECT_EQ(r0.basalGlucose(), 101);
    EXPECT_EQ(r0.hypo(), 1);
    EXPECT_EQ(r0.realHypoArea(), 1.25 + 1);
    EXPECT_EQ(t.rows[23].number(), 24);
    EXPECT_EQ(t.rows[23].realHypoArea(), 1.25 + 24);
    EXPECT_EQ(t.rows[5].values[1], 9); // only the first row's patient counts
}

TEST(ExperimentFile, PatientNumberIsTruncatedAndMustBeOneToTen) {
    TempDir dir;
    ExperimentTable t;
    DataError e;
    ASSERT_TRUE(readExperimentFile(dir.write("a.txt", experimentText("10.9")), t, e));
    EXPECT_EQ(t.patient, 10);
    for (const char* bad : {"0", "11", "-1", "0.5", "1e300"}) {
        ExperimentTable u;
        u.patient = 77;
        EXPECT_FALSE(readExperimentFile(dir.write("b.txt", experimentText(bad)), u, e)) << bad;
        EXPECT_EQ(e.kind, DataError::Kind::PatientOutOfRange);
        EXPECT_EQ(e.row, 2);
        EXPECT_EQ(e.column, 2);
        EXPECT_EQ(u.patient, 77); // untouched
        EXPECT_NE(e.message().find("b.txt"), std::string::npos);
    }
}

TEST(ExperimentFile, NonNumericTokenNamesFileRowAndColumn) {
    TempDir dir;
    std::string text = experimentText();
    const auto pos = text.find("\n5 9 A ");
    ASSERT_NE(pos, std::string::npos);
    text.replace(pos + 1, 1, "5x"); // row of experiment 5 is line 6
    ExperimentTable t;
    DataError e;
    const std::string path = dir.write("exp.txt", text);
    ASSERT_FALSE(readExperimentFile(path, t, e));
    EXPECT_EQ(e.kind, DataError::Kind::NotANumber);
    EXPECT_EQ(e.row, 6);
    EXPECT_EQ(e.column, 1);
    EXPECT_EQ(e.token, "5x");
    EXPECT_EQ(e.message(), "Error de dades al fitxer \"" + path +
                               "\", fila 6, columna 1: \"5x\" no és un nombre");
}

TEST(ExperimentFile, ShortAndMissingFiles) {
    TempDir dir;
    std::string text = experimentText();
    text.resize(text.rfind(" 0 0\n")); // the last row lacks two tokens
    ExperimentTable t;
    DataError e;
    ASSERT_FALSE(readExperimentFile(dir.write("short.txt", text), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::TooShort);
    EXPECT_EQ(e.row, 25);
    EXPECT_EQ(e.column, 11);
    EXPECT_NE(e.message().find("short.txt"), std::string::npos);

    ASSERT_FALSE(readExperimentFile(dir.write("empty.txt", ""), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::TooShort);
    EXPECT_EQ(e.row, 1);

    ASSERT_FALSE(readExperimentFile(dir.file("none.txt"), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::Missing);
    EXPECT_EQ(e.message().rfind("No s'ha trobat arxiu de dades de l'experiment", 0), 0u);
    ASSERT_FALSE(readExperimentFile(dir.file(""), t, e)); // a directory
    EXPECT_EQ(e.kind, DataError::Kind::Missing);
}

TEST(ParameterFile, ChosenPatientColumnOnly) {
    TempDir dir;
    const std::string path = dir.write("p.txt", parameterText());
    PatientParameters p;
    DataError e;
    ASSERT_TRUE(readParameterFile(path, 3, p, e)) << e.message();
    EXPECT_EQ(p.p[0], 0);
    for (int i = 1; i < kParameterRows; ++i)
        EXPECT_EQ(p.p[static_cast<std::size_t>(i)], 300 + i);
    EXPECT_EQ(p.sg(), 301);
    EXPECT_EQ(p.p2(), 302);
    EXPECT_EQ(p.insulinGain(), 304);
    EXPECT_EQ(p.clearance(), 305);
    EXPECT_EQ(p.siNominal(), 306);
    EXPECT_EQ(p.vg(), 307);
    ASSERT_TRUE(readParameterFile(path, 10, p, e));
    EXPECT_EQ(p.vg(), 1007);

    // A word in another patient's column does not matter; in the chosen one
    // it is an error and the parameters stay as they were.
    std::string text = parameterText();
    text.replace(text.find(" 507"), 4, " n/a");
    const std::string bad = dir.write("bad.txt", text);
    ASSERT_TRUE(readParameterFile(bad, 4, p, e));
    EXPECT_EQ(p.vg(), 407);
    ASSERT_FALSE(readParameterFile(bad, 5, p, e));
    EXPECT_EQ(p.vg(), 407);
    EXPECT_EQ(e.row, 8);
    EXPECT_EQ(e.column, 6);
    EXPECT_EQ(e.token, "n/a");

    ASSERT_FALSE(readParameterFile(path, 0, p, e));
    EXPECT_EQ(e.kind, DataError::Kind::PatientOutOfRange);
    ASSERT_FALSE(readParameterFile(path, 11, p, e));
    ASSERT_FALSE(readParameterFile(dir.file("none.txt"), 1, p, e));
    EXPECT_EQ(e.message().rfind("No s'ha trobat l'arxiu de dades de pacients", 0), 0u);
}

TEST(GlucoseFile, MinutesByExperimentsAndErrors) {
    TempDir dir;
    auto g = std::make_unique<GlucoseTable>();
    DataError e;
    ASSERT_TRUE(readGlucoseFile(dir.write("g.txt", "\xEF\xBB\xBF" + glucoseText()), *g, e))
        << e.message();
    EXPECT_EQ(g->at(0, 0), 0);
    EXPECT_EQ(g->at(0, 23), 11.5);
    EXPECT_EQ(g->at(299, 1), 299.5);

    std::string text = glucoseText();
    text.resize(text.size() - 10);
    ASSERT_FALSE(readGlucoseFile(dir.write("short.txt", text), *g, e));
    EXPECT_EQ(e.kind, DataError::Kind::TooShort);
    EXPECT_EQ(e.row, 300);
    EXPECT_EQ(g->at(299, 1), 299.5); // untouched

    text = glucoseText();
    text.replace(text.find("\n3 3.5 4"), 4, "\n3 x");
    ASSERT_FALSE(readGlucoseFile(dir.write("bad.txt", text), *g, e));
    EXPECT_EQ(e.row, 4);
    EXPECT_EQ(e.column, 2);
    ASSERT_FALSE(readGlucoseFile(dir.file("none.txt"), *g, e));
    EXPECT_EQ(e.message().rfind("No s'ha trobat arxiu de dades de glucosa", 0), 0u);
}

TEST(DataSet, LoadingIsAllOrNothingAndStatusFollowsTheFlags) {
    TempDir dir;
    auto data = std::make_unique<DataSet>();
    EXPECT_EQ(statusText(*data), "NO HI HA DADES CARREGADES");
    DataError e;
    const std::string params = dir.write("p.txt", parameterText());
    ASSERT_TRUE(
        loadExperimentAndParameters(*data, dir.write("e.txt", experimentText()), params, e));
    EXPECT_EQ(data->patient, 3);
    EXPECT_EQ(data->parameters.vg(), 307);
    EXPECT_EQ(statusText(*data), "NO HI HA DADES CARREGADES");
    ASSERT_TRUE(loadGlucose(*data, dir.write("g.txt", glucoseText()), e));
    EXPECT_EQ(statusText(*data), "CARREGADES DADES DEL PACIENT 3");

    // An experiment of patient 5 whose parameters cannot be read changes
    // nothing: neither the experiment nor the parameters nor the patient.
    std::string text = parameterText();
    text.replace(text.find(" 503"), 4, " ?");
    const std::string badParams = dir.write("bad.txt", text);
    ASSERT_FALSE(
        loadExperimentAndParameters(*data, dir.write("e5.txt", experimentText("5")), badParams, e));
    EXPECT_EQ(data->patient, 3);
    EXPECT_EQ(data->experiment.patient, 3);
    EXPECT_EQ(data->parameters.vg(), 307);
    EXPECT_EQ(statusText(*data), "CARREGADES DADES DEL PACIENT 3");

    ASSERT_FALSE(loadGlucose(*data, dir.file("none.txt"), e));
    EXPECT_TRUE(data->glucoseLoaded);
    EXPECT_EQ(data->glucose.at(299, 1), 299.5);
}

} // namespace
} // namespace glucosim
