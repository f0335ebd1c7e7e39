#include "glucosim/core/data_files.h"

#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <sstream>
#include <tuple>

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

// A parameter file whose parameter i of patient k is (k * 100 + i) / 100.
std::string parameterText() {
    std::ostringstream s;
    s << "Param";
    for (int k = 1; k <= kPatients; ++k)
        s << " P" << k;
    s << "\n";
    for (int i = 1; i < kParameterRows; ++i) {
        s << "label" << i;
        for (int k = 1; k <= kPatients; ++k)
            s << ' ' << k * 100 + i << "e-2";
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

TEST(ExperimentFile, PatientNumberIsAWholeNumberOneToTen) {
    TempDir dir;
    ExperimentTable t;
    DataError e;
    ASSERT_TRUE(readExperimentFile(dir.write("a.txt", experimentText("10")), t, e));
    EXPECT_EQ(t.patient, 10);
    for (const char* bad : {"9.99", "3.5"}) {
        EXPECT_FALSE(readExperimentFile(dir.write("b.txt", experimentText(bad)), t, e)) << bad;
        EXPECT_EQ(e.kind, DataError::Kind::BadValue);
        EXPECT_NE(e.message().find("fila 2, columna 2: el pacient ha de ser un nombre enter"),
                  std::string::npos)
            << e.message();
    }
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
        EXPECT_EQ(p.p[static_cast<std::size_t>(i)], (300 + i) / 100.0);
    EXPECT_EQ(p.sg(), 301 / 100.0);
    EXPECT_EQ(p.p2(), 302 / 100.0);
    EXPECT_EQ(p.insulinGain(), 304 / 100.0);
    EXPECT_EQ(p.clearance(), 305 / 100.0);
    EXPECT_EQ(p.siNominal(), 306 / 100.0);
    EXPECT_EQ(p.vg(), 307 / 100.0);
    ASSERT_TRUE(readParameterFile(path, 10, p, e));
    EXPECT_EQ(p.vg(), 1007 / 100.0);

    // A word in any patient's column is an error, and the parameters stay as
    // they were.
    std::string text = parameterText();
    text.replace(text.find(" 507e-2"), 7, " n/a");
    const std::string bad = dir.write("bad.txt", text);
    ASSERT_FALSE(readParameterFile(bad, 4, p, e));
    EXPECT_EQ(p.vg(), 1007 / 100.0);
    ASSERT_FALSE(readParameterFile(bad, 5, p, e));
    EXPECT_EQ(p.vg(), 1007 / 100.0);
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
    EXPECT_EQ(data->parameters.vg(), 307 / 100.0);
    EXPECT_EQ(statusText(*data), "NO HI HA DADES CARREGADES");
    ASSERT_TRUE(loadGlucose(*data, dir.write("g.txt", glucoseText()), e));
    EXPECT_EQ(statusText(*data), "CARREGADES DADES DEL PACIENT 3");

    // An experiment of patient 5 whose parameters cannot be read changes
    // nothing: neither the experiment nor the parameters nor the patient.
    std::string text = parameterText();
    text.replace(text.find(" 503e-2"), 7, " ?");
    const std::string badParams = dir.write("bad.txt", text);
    ASSERT_FALSE(
        loadExperimentAndParameters(*data, dir.write("e5.txt", experimentText("5")), badParams, e));
    EXPECT_EQ(data->patient, 3);
    EXPECT_EQ(data->experiment.patient, 3);
    EXPECT_EQ(data->parameters.vg(), 307 / 100.0);
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

namespace glucosim {
namespace {

// Files no one should feed the simulation: each is refused with a message
// naming the file (and the place, where there is one), never read at length.
TEST(HostileDataFiles, OversizedAndImplausibleValuesAreRefused) {
    test::TempDir dir;
    auto glucose = std::make_unique<GlucoseTable>();
    DataError e;

    // A file past the size limit is refused without being read: its size is
    // known at once (a sparse file of 1 GB), and a device that never ends is
    // read no further than the limit.
    const std::string huge = dir.file("huge.txt");
    std::filesystem::resize_file(dir.write("huge.txt", glucoseText()), 1LL << 30);
    for (const std::string& path : {huge, std::string("/dev/zero")}) {
        ASSERT_FALSE(readGlucoseFile(path, *glucose, e)) << path;
        EXPECT_EQ(e.kind, DataError::Kind::TooLarge);
        EXPECT_NE(e.message().find("\"" + path + "\": el fitxer passa de 16 MB"), std::string::npos)
            << e.message();
    }
    const std::string longLine =
        dir.write("long.txt", "1 2 3\n" + std::string(kMaxDataLineBytes + 1, '7') + "\n");
    ASSERT_FALSE(readGlucoseFile(longLine, *glucose, e));
    EXPECT_EQ(e.kind, DataError::Kind::LineTooLong);
    EXPECT_NE(e.message().find("long.txt\", fila 2: la fila passa de 65536"), std::string::npos)
        << e.message();

    // A measured glucose out of range anywhere in the file.
    for (const char* value : {"1e308", "-1e308", "-5", "20000"}) {
        std::string text = glucoseText();
        const auto at = text.find("\r\n", text.find("\r\n") + 2) + 2; // third row
        text.replace(at, text.find(' ', at) - at, value);
        ASSERT_FALSE(readGlucoseFile(dir.write("g.txt", text), *glucose, e)) << value;
        EXPECT_EQ(e.kind, DataError::Kind::BadValue);
        EXPECT_NE(e.message().find("g.txt\", fila 3, columna 1: la glucosa mesurada"),
                  std::string::npos)
            << e.message();
    }

    // The patient number of a row other than the first, implausible amounts
    // and garbage in any patient's parameters.
    ExperimentTable t;
    for (const auto& [from, to, column] :
         std::vector<std::tuple<std::string, std::string, int>>{{"\n7 9 A", "\n7 3.5 A", 2},
                                                                {"\n7 9 A", "\n7 12 A", 2},
                                                                {" 3.5 70 ", " 3.5 1e9 ", 5}}) {
        std::string text = experimentText();
        text.replace(text.find(from), from.size(), to);
        ASSERT_FALSE(readExperimentFile(dir.write("x.txt", text), t, e)) << to;
        EXPECT_EQ(e.row, 8) << to;
        EXPECT_EQ(e.column, column) << to;
    }
    PatientParameters p;
    for (const char* value : {" 1e308", " -300", " nan", " 0x10"}) {
        std::string text = parameterText();
        text.replace(text.find(" 802e-2"), 7, value); // p2 of patient 8
        ASSERT_FALSE(readParameterFile(dir.write("p.txt", text), 3, p, e)) << value;
        EXPECT_EQ(e.row, 3) << value;
        EXPECT_EQ(e.column, 9) << value;
        EXPECT_NE(e.message().find("p.txt"), std::string::npos);
    }
    // The sample data loads.
    const std::string d = test::sampleDir();
    ASSERT_TRUE(readExperimentFile(d + "experiment_pacient3.txt", t, e)) << e.message();
    ASSERT_TRUE(readParameterFile(d + kParameterFileName, 3, p, e)) << e.message();
    ASSERT_TRUE(readGlucoseFile(d + "glucosa_pacient3.txt", *glucose, e)) << e.message();
}

} // namespace
} // namespace glucosim
