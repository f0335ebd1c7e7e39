#include "glucosim/core/data_files.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
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
    text.resize(text.rfind(" 0 0\n")); // the last row lacks two values
    ExperimentTable t;
    DataError e;
    const std::string shortPath = dir.write("short.txt", text);
    ASSERT_FALSE(readExperimentFile(shortPath, t, e));
    EXPECT_EQ(e.kind, DataError::Kind::WrongCount);
    EXPECT_EQ(e.message(), "Error de dades al fitxer \"" + shortPath +
                               "\", fila 25: la fila té 10 valors i se n'esperaven 12");

    ASSERT_FALSE(readExperimentFile(dir.write("empty.txt", "\n \n"), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::TooShort);
    EXPECT_EQ(e.count, 0);
    EXPECT_NE(e.message().find("té 0 files de dades i se n'esperaven 24"), std::string::npos);

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
    EXPECT_EQ(e.kind, DataError::Kind::WrongCount);
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

// Files of another shape than expected are errors that name the row and the
// two counts; rows after those used are read with a warning.
TEST(DataFileShape, RowsHoldExactlyTheExpectedValues) {
    TempDir dir;
    ExperimentTable t;
    DataError e;
    Warnings w;

    // A thirteenth column, and a header whose names have spaces: the header
    // is taken as it is, the first data row is wrong.
    std::string wide;
    std::istringstream lines(experimentText());
    std::string line;
    for (int n = 0; std::getline(lines, line); ++n)
        wide += line + (n == 0 ? " Area Hiper Sev\n" : " 7\n");
    ASSERT_FALSE(readExperimentFile(dir.write("wide.txt", wide), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::WrongCount);
    EXPECT_EQ(e.row, 2);
    EXPECT_EQ(e.count, 13);
    EXPECT_EQ(e.expected, 12);

    // A header with a space in a name is still one header row.
    std::string spaced = experimentText();
    spaced.replace(0, 3, "Nº experiment");
    ASSERT_TRUE(readExperimentFile(dir.write("spaced.txt", spaced), t, e)) << e.message();

    // Without its header row the first experiment would be lost: too short.
    const std::string body = experimentText().substr(experimentText().find('\n') + 1);
    ASSERT_FALSE(readExperimentFile(dir.write("nohead.txt", body), t, e));
    EXPECT_EQ(e.kind, DataError::Kind::TooShort);
    EXPECT_EQ(e.count, 23);

    // A 25th row is not read, and says so.
    const std::string longer =
        dir.write("25.txt", experimentText() + "25 3 A 1 1 12 100 0 0 0 0 0\n\n");
    ASSERT_TRUE(readExperimentFile(longer, t, e, &w)) << e.message();
    ASSERT_EQ(w.size(), 1u);
    EXPECT_NE(w[0].find(longer), std::string::npos);
    EXPECT_NE(w[0].find("té 25 files de dades"), std::string::npos) << w[0];
    EXPECT_NE(w[0].find("fila 26"), std::string::npos) << w[0];
    EXPECT_EQ(t.rows[23].number(), 24);

    // Glucose with a leading minute column: row 1 has 25 values.
    auto g = std::make_unique<GlucoseTable>();
    std::string minutes;
    std::istringstream glucose(glucoseText());
    for (int m = 0; std::getline(glucose, line); ++m)
        minutes += std::to_string(m) + " " + line + "\n";
    ASSERT_FALSE(readGlucoseFile(dir.write("min.txt", minutes), *g, e));
    EXPECT_EQ(e.kind, DataError::Kind::WrongCount);
    EXPECT_EQ(e.row, 1);
    EXPECT_EQ(e.count, 25);
    EXPECT_EQ(e.expected, 24);

    // A header row of names is recognised; values are read as without it.
    std::string header;
    for (int j = 1; j <= kExperiments; ++j)
        header += "exp" + std::to_string(j) + (j < kExperiments ? " " : "\n");
    w.clear();
    ASSERT_TRUE(readGlucoseFile(dir.write("head.txt", header + glucoseText() + "1 2\n"), *g, e, &w))
        << e.message();
    EXPECT_EQ(g->at(0, 23), 11.5);
    EXPECT_EQ(g->at(299, 1), 299.5);
    EXPECT_EQ(w.size(), 1u); // the row after minute 299
}

TEST(DataFileShape, MessagesHintAtDecimalCommasAndQuoteBytesSafely) {
    TempDir dir;
    auto g = std::make_unique<GlucoseTable>();
    DataError e;
    std::string text = glucoseText();
    text.replace(text.find("\n3 3.5"), 6, "\n3 3,5");
    ASSERT_FALSE(readGlucoseFile(dir.write("comma.txt", text), *g, e));
    EXPECT_NE(e.message().find("\"3,5\" no és un nombre (els fitxers de dades fan servir '.'"),
              std::string::npos)
        << e.message();

    // Every value with a comma, the first one too: the first row is data,
    // not a header.
    text = "70.5" + glucoseText().substr(1);
    std::replace(text.begin(), text.end(), '.', ',');
    ASSERT_FALSE(readGlucoseFile(dir.write("commas.txt", text), *g, e));
    EXPECT_EQ(e.kind, DataError::Kind::NotANumber) << e.message();
    EXPECT_EQ(e.row, 1);
    EXPECT_EQ(e.column, 1);
    EXPECT_NE(e.message().find("(els fitxers de dades fan servir '.'"), std::string::npos)
        << e.message();

    text = glucoseText();
    text.replace(text.find("\n3 3.5"), 6, std::string("\n3 \x01\xff\xc3\xa9", 7));
    ASSERT_FALSE(readGlucoseFile(dir.write("bin.txt", text), *g, e));
    EXPECT_NE(e.message().find("\"\\x01\\xFFé\" no és un nombre"), std::string::npos)
        << e.message();
    EXPECT_EQ(e.message().find('\x01'), std::string::npos);

    text = glucoseText();
    text.replace(text.find("\n3 3.5"), 6, "\n3 " + std::string(500, 'x'));
    ASSERT_FALSE(readGlucoseFile(dir.write("long.txt", text), *g, e));
    EXPECT_LT(e.message().size(), 200u);
}

// Values the model cannot use are refused at loading, naming the place.
TEST(DataFileSense, NegativeAmountsAndNonPositiveDivisorsAreErrors) {
    TempDir dir;
    ExperimentTable t;
    DataError e;
    // Experiment 3 (line 4): columns 4..7 are bolus, CHO, basal insulin and
    // basal glucose.
    const struct {
        int column;
        const char* value;
        const char* words;
    } cases[] = {{4, "-0.5", "\"I Bolus\""},
                 {5, "-1", "\"CHO\""},
                 {6, "-12", "insulina basal"},
                 {7, "0", "glucosa basal"}};
    for (const auto& c : cases) {
        std::istringstream lines(experimentText());
        std::string text, line;
        for (int n = 1; std::getline(lines, line); ++n) {
            if (n == 4) {
                std::istringstream values(line);
                std::string v, rebuilt;
                for (int col = 1; values >> v; ++col)
                    rebuilt += (col > 1 ? " " : "") + (col == c.column ? std::string(c.value) : v);
                line = rebuilt;
            }
            text += line + "\n";
        }
        ASSERT_FALSE(readExperimentFile(dir.write("s.txt", text), t, e)) << c.value;
        EXPECT_EQ(e.kind, DataError::Kind::BadValue);
        EXPECT_EQ(e.row, 4);
        EXPECT_EQ(e.column, c.column);
        EXPECT_NE(e.message().find(c.words), std::string::npos) << e.message();
    }
    PatientParameters p;
    for (const char* row : {" 307", " 305"}) { // Vg, then the insulin clearance
        std::string text = parameterText();
        text.replace(text.find(row), 4, " 0");
        ASSERT_FALSE(readParameterFile(dir.write("p.txt", text), 3, p, e));
        EXPECT_EQ(e.kind, DataError::Kind::BadValue);
        EXPECT_EQ(e.column, 4);
        EXPECT_NE(e.message().find("pacient 3 ha de ser positiu"), std::string::npos);
    }
}

TEST(DataSet, ParameterFileBesideTheExperimentThenInTheCurrentFolder) {
    TempDir dir, other;
    const std::string experiment = dir.write("e.txt", experimentText());
    const auto places = parameterFileCandidates(experiment);
    ASSERT_EQ(places.size(), 2u);
    EXPECT_EQ(places[0], dir.file(kParameterFileName));
    EXPECT_EQ(places[1],
              (std::filesystem::current_path() / kParameterFileName).lexically_normal().string());

    auto data = std::make_unique<DataSet>();
    DataError e;
    ASSERT_FALSE(loadExperimentAndParameters(*data, experiment, places, e));
    EXPECT_EQ(e.message(), "No s'ha trobat l'arxiu de dades de pacients: s'ha buscat a \"" +
                               places[0] + "\" i a \"" + places[1] + "\"");
    dir.write(kParameterFileName, parameterText());
    ASSERT_TRUE(loadExperimentAndParameters(*data, experiment, places, e)) << e.message();
    EXPECT_EQ(data->parameterPath, places[0]);
}

} // namespace
} // namespace glucosim
