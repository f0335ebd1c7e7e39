#include "../core/test_support.h"
#include "glucosim/app/batch_command.h"
#include "glucosim/core/computation.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/tables.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <regex>
#include <sstream>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace glucosim {
namespace {

using test::TempDir;

// The lines of a saved grid split into their tab-separated cells.
std::vector<std::vector<std::string>> cells(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        const std::string line = text.substr(start, end - start);
        std::vector<std::string> row;
        std::size_t a = 0;
        for (;;) {
            const auto tab = line.find('\t', a);
            row.push_back(line.substr(a, tab - a));
            if (tab == std::string::npos) break;
            a = tab + 1;
        }
        rows.push_back(row);
        if (end == std::string::npos) break;
        start = end + 1;
    }
    return rows;
}

void expectShape(const std::vector<std::vector<std::string>>& rows, std::size_t nRows,
                 std::size_t nColumns) {
    ASSERT_EQ(rows.size(), nRows);
    for (const auto& r : rows)
        ASSERT_EQ(r.size(), nColumns);
}

class Batch : public ::testing::Test {
protected:
    int run(std::vector<std::string> args) {
        args.insert(args.begin(), "glucosim");
        std::vector<const char*> argv;
        for (const auto& a : args)
            argv.push_back(a.c_str());
        std::ostringstream err, out;
        auto* oldErr = std::cerr.rdbuf(err.rdbuf());
        auto* oldOut = std::cout.rdbuf(out.rdbuf());
        const int status = runBatch(static_cast<int>(argv.size()), argv.data());
        std::cerr.rdbuf(oldErr);
        std::cout.rdbuf(oldOut);
        stderrText = err.str();
        stdoutText = out.str();
        return status;
    }

    std::vector<std::string> inputs() const {
        const std::string d = test::sampleDir();
        return {"--batch",
                "--experiment",
                d + "experiment_pacient3.txt",
                "--glucose",
                d + "glucosa_pacient3.txt",
                "--params",
                d + kParameterFileName};
    }

    std::vector<std::string> with(std::vector<std::string> extra) const {
        auto a = inputs();
        a.insert(a.end(), extra.begin(), extra.end());
        return a;
    }

    TempDir dir;
    std::string stderrText, stdoutText;
};

TEST_F(Batch, OptimisationWritesTheThreeGrids) {
    const std::string out = dir.file("out");
    ASSERT_EQ(run(with({"--optimise", "0", "--out", out})), 0) << stderrText;
    const auto results = cells(test::readText(out + "/resultats.txt"));
    expectShape(results, 61, 31);
    const auto glucose = cells(test::readText(out + "/glucosa.txt"));
    expectShape(glucose, 301, 163);
    EXPECT_EQ(glucose[0][72], "Glucosa pacient exp.24");
    for (const auto& row : glucose)
        for (std::size_t c = 73; c < 163; ++c)
            EXPECT_EQ(row[c], "");
    const auto opt = cells(test::readText(out + "/optimitzacio.txt"));
    expectShape(opt, 392, 4);
    EXPECT_EQ(opt[0][2], "J Esp.");
    EXPECT_EQ(opt[1][0], "30");
    EXPECT_EQ(opt[391][0], "110");
    EXPECT_EQ(stdoutText.rfind("Resultats experiments pacient 3 amb Si=", 0), 0u);
    EXPECT_NE(stderrText.find("391 de 391"), std::string::npos);

    // The same run in the library gives the same files.
    const auto data = test::loadSample();
    const Results r = computeWithOptimisation(*data, Criterion::WeightedQualitative);
    std::ostringstream expected;
    writeTable(expected, resultsTable(r));
    EXPECT_EQ(test::readText(out + "/resultats.txt"), expected.str());
    EXPECT_EQ(stdoutText, resultsCaption(r) + "\n");
}

TEST_F(Batch, CriteriaWithOneSumHaveThreeColumns) {
    const std::string out = dir.file("o");
    ASSERT_EQ(run(with({"--optimise=3", "--out=" + out})), 0) << stderrText;
    const auto opt = cells(test::readText(out + "/optimitzacio.txt"));
    expectShape(opt, 392, 3);
    EXPECT_EQ(opt[0][2], "Sumatori d'àrees");
}

TEST_F(Batch, ConcreteValuesAcceptCommaOrPointAndWriteTwoGrids) {
    const std::string a = dir.file("a"), b = dir.file("b");
    ASSERT_EQ(run(with({"--si", "10,5", "--tmax", "42.5", "--out", a})), 0) << stderrText;
    EXPECT_EQ(
        stdoutText,
        "Resultats experiments pacient 3 amb Si=" +
            FloatToStr(concreteSensitivity(10.5).inf() +
                       (concreteSensitivity(10.5).sup() - concreteSensitivity(10.5).inf()) * 0.5) +
            " i TmaxG=42,5\n");
    ASSERT_EQ(run(with({"--si", "10.5", "--tmax", "42,5", "--out", b})), 0);
    EXPECT_EQ(test::readText(a + "/glucosa.txt"), test::readText(b + "/glucosa.txt"));
    expectShape(cells(test::readText(a + "/resultats.txt")), 61, 31);
    EXPECT_FALSE(std::filesystem::exists(a + "/optimitzacio.txt"));
}

TEST_F(Batch, UsageErrorsExitWithTwo) {
    const std::string out = dir.file("u");
    EXPECT_EQ(run({}), 2);
    EXPECT_EQ(run(with({"--optimise", "1"})), 2); // no --out
    EXPECT_NE(stderrText.find("--out"), std::string::npos);
    EXPECT_EQ(run(with({"--optimise", "5", "--out", out})), 2);
    EXPECT_EQ(run(with({"--optimise", "1", "--si", "1", "--tmax", "3", "--out", out})), 2);
    EXPECT_EQ(run(with({"--si", "1", "--out", out})), 2);
    EXPECT_EQ(run(with({"--si", "abc", "--tmax", "40", "--out", out})), 2);
    EXPECT_EQ(run(with({"--si", "1", "--tmax", "0", "--out", out})), 2);
    EXPECT_EQ(run(with({"--optimise", "1", "--out", out, "--frobnicate"})), 2);
    EXPECT_EQ(run(with({"--optimise", "1", "--out", out, "--out", out})), 2);
    EXPECT_EQ(run(with({"--optimise", "1", "--out"})), 2);
    auto noBatch = with({"--optimise", "1", "--out", out});
    noBatch.erase(noBatch.begin());
    EXPECT_EQ(run(noBatch), 2);
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST_F(Batch, HelpIsCatalanAndSucceeds) {
    EXPECT_EQ(run({"--help"}), 0);
    EXPECT_NE(stdoutText.find("Ús: glucosim --batch"), std::string::npos);
    EXPECT_NE(stdoutText.find("Codis de sortida"), std::string::npos);
    const char* help[] = {"glucosim", "--help"};
    const char* window[] = {"glucosim", "file.txt"};
    EXPECT_TRUE(isBatchInvocation(2, help));
    EXPECT_FALSE(isBatchInvocation(2, window));
}

TEST_F(Batch, DataErrorsExitWithOneAndNameThePlace) {
    const std::string out = dir.file("d");
    std::string glucose = test::readText(test::sampleDir() + "glucosa_pacient3.txt");
    // Line 3, third value becomes a word.
    std::size_t pos = 0;
    for (int line = 1; line < 3; ++line)
        pos = glucose.find('\n', pos) + 1;
    pos = glucose.find(' ', pos) + 1;
    pos = glucose.find(' ', pos) + 1;
    glucose.replace(pos, glucose.find(' ', pos) - pos, "alt");
    const std::string bad = dir.write("glucosa.txt", glucose);
    auto args = inputs();
    args[4] = bad;
    args.insert(args.end(), {"--optimise", "2", "--out", out});
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(stderrText.find(bad), std::string::npos) << stderrText;
    EXPECT_NE(stderrText.find("fila 3, columna 3"), std::string::npos) << stderrText;
    EXPECT_FALSE(std::filesystem::exists(out + "/resultats.txt"));

    args = with({"--optimise", "2", "--out", out});
    args[6] = dir.file("missing.txt"); // the parameter file
    EXPECT_EQ(run(args), 1);
    EXPECT_NE(stderrText.find("No s'ha trobat l'arxiu de dades de pacients"), std::string::npos);

    // An output directory that cannot be made is a file error too.
    const std::string blocker = dir.write("plain", "x");
    EXPECT_EQ(run(with({"--si", "1", "--tmax", "40", "--out", blocker + "/sub"})), 1);
}

// The files that good data gave before the readers and the writers were
// rebuilt, compared whole.
TEST_F(Batch, GoodDataGiveTheSameFilesAsBefore) {
    const std::string saved = MODAL_SOURCE_DIR "/tests/glucosim/data/outputs/";
    const struct {
        std::vector<std::string> args;
        const char* dir;
    } runs[] = {{{"--optimise", "0"}, "opt0"},
                {{"--optimise", "1"}, "opt1"},
                {{"--optimise", "2"}, "opt2"},
                {{"--si", "1", "--tmax", "35"}, "values"}};
    for (const auto& r : runs) {
        const std::string out = dir.file(r.dir);
        auto args = with(r.args);
        args.insert(args.end(), {"--out", out});
        ASSERT_EQ(run(args), 0) << stderrText;
        for (const auto& entry : std::filesystem::directory_iterator(saved + r.dir)) {
            const std::string name = entry.path().filename().string();
            EXPECT_TRUE(test::readText(out + "/" + name) == test::readText(entry.path().string()))
                << r.dir << "/" << name;
        }
    }
}

// Sample files copied into the test's directory, with an optional change of
// one value: `value` replaces the value at 1-based (line, column) of `file`.
std::string copySample(const TempDir& dir, const std::string& file, int line = 0, int column = 0,
                       const std::string& value = {}) {
    std::istringstream in(test::readText(test::sampleDir() + file));
    std::string text, row;
    for (int n = 1; std::getline(in, row); ++n) {
        if (n == line) {
            std::istringstream values(row);
            std::string v, rebuilt;
            for (int c = 1; values >> v; ++c)
                rebuilt += (c > 1 ? " " : "") + (c == column ? value : v);
            row = rebuilt;
        }
        text += row + "\n";
    }
    return dir.write(file, text);
}

TEST_F(Batch, OutputsThatWouldReplaceAnInputAreRefusedBeforeAnythingIsWritten) {
    const std::string experiment = copySample(dir, "experiment_pacient3.txt");
    const std::string glucose = copySample(dir, "glucosa_pacient3.txt");
    copySample(dir, kParameterFileName);
    // The glucose input is named like the glucose output of --out.
    const std::string input = dir.write("glucosa.txt", test::readText(glucose));
    EXPECT_EQ(run({"--batch", "--experiment", experiment, "--glucose", input, "--si", "1", "--tmax",
                   "40", "--out", dir.file(".")}),
              1);
    EXPECT_NE(stderrText.find("és un dels fitxers de dades"), std::string::npos) << stderrText;
    EXPECT_EQ(test::readText(input), test::readText(glucose));
    EXPECT_FALSE(std::filesystem::exists(dir.file("resultats.txt")));
}

TEST_F(Batch, AFailedTableLeavesEveryEarlierOutputAsItWas) {
    const std::string out = dir.file("out");
    std::filesystem::create_directories(out);
    const std::string oldResults = dir.write("out/resultats.txt", "old results\n");
    const std::string oldGlucose = dir.write("out/glucosa.txt", "old glucose\n");

    // The second table cannot be written: a folder has the name of the third.
    std::filesystem::create_directories(out + "/optimitzacio.txt");
    EXPECT_EQ(run(with({"--optimise", "1", "--out", out})), 1);
    EXPECT_NE(stderrText.find("optimitzacio.txt"), std::string::npos) << stderrText;
    std::filesystem::remove(out + "/optimitzacio.txt");

    // A disk that fills up while the glucose table is written.
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit small = saved;
    small.rlim_cur = 100000; // the results table fits, the glucose table does not
    setrlimit(RLIMIT_FSIZE, &small);
    const int status = run(with({"--si", "1", "--tmax", "40", "--out", out}));
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(status, 1);
    EXPECT_NE(stderrText.find("glucosa.txt"), std::string::npos) << stderrText;

    EXPECT_EQ(test::readText(oldResults), "old results\n");
    EXPECT_EQ(test::readText(oldGlucose), "old glucose\n");
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(out))
        ++files;
    EXPECT_EQ(files, 2u); // no temporary file left behind

    // Once it can be written, the run replaces both.
    ASSERT_EQ(run(with({"--si", "1", "--tmax", "40", "--out", out})), 0) << stderrText;
    EXPECT_NE(test::readText(oldResults), "old results\n");
}

// A process id that no process has: a child that has ended and been reaped.
pid_t deadPid() {
    const pid_t child = fork();
    if (child == 0) _exit(0);
    waitpid(child, nullptr, 0);
    return child;
}

TEST_F(Batch, ReadOnlyResultsAreKeptAndKilledRunsTemporariesRemoved) {
    const std::string out = dir.file("out");
    std::filesystem::create_directories(out);
    const std::string results = dir.write("out/resultats.txt", "old results\n");
    const std::string glucose = dir.write("out/glucosa.txt", "old glucose\n");
    std::filesystem::permissions(glucose, std::filesystem::perms::owner_read |
                                              std::filesystem::perms::group_read);
    EXPECT_EQ(run(with({"--si", "1", "--tmax", "40", "--out", out})), 1);
    EXPECT_NE(stderrText.find("\"" + glucose + "\": permís denegat"), std::string::npos)
        << stderrText;
    EXPECT_EQ(test::readText(results), "old results\n");
    EXPECT_EQ(test::readText(glucose), "old glucose\n");

    // Left by a killed run; a live process's own (this test's) is not touched,
    // nor a file that only looks alike.
    std::filesystem::permissions(glucose, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    const std::string stale =
        dir.write("out/.glucosim-" + std::to_string(deadPid()) + "-glucosa.txt.Ab12Cd", "cut");
    const std::string live =
        dir.write("out/.glucosim-" + std::to_string(getpid()) + "-roc.txt.Ab12Cd", "writing");
    const std::string other = dir.write("out/.glucosim-notes.txt", "mine");
    ASSERT_EQ(run(with({"--si", "1", "--tmax", "40", "--out", out})), 0) << stderrText;
    EXPECT_FALSE(std::filesystem::exists(stale));
    EXPECT_TRUE(std::filesystem::exists(live));
    EXPECT_TRUE(std::filesystem::exists(other));
    std::filesystem::remove(live);
    std::filesystem::remove(other);
    // The same results as a run in a clean folder, and no temporary file of its own.
    const std::string clean = dir.file("clean");
    ASSERT_EQ(run(with({"--si", "1", "--tmax", "40", "--out", clean})), 0) << stderrText;
    // (run.json's date is the second each run ended in.)
    const auto undated = [](const std::string& text) {
        return std::regex_replace(text, std::regex("\"date\": \"[^\"]*\""), "\"date\"");
    };
    std::size_t files = 0;
    for (const auto& e : std::filesystem::directory_iterator(out)) {
        ++files;
        EXPECT_EQ(undated(test::readText(e.path().string())),
                  undated(test::readText(clean + "/" + e.path().filename().string())))
            << e.path();
    }
    std::size_t cleanFiles = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(clean))
        ++cleanFiles;
    EXPECT_EQ(files, cleanFiles);
}

TEST_F(Batch, ParameterFileIsFoundBesideTheExperiment) {
    const std::string experiment = copySample(dir, "experiment_pacient3.txt");
    const std::string glucose = copySample(dir, "glucosa_pacient3.txt");
    const std::vector<std::string> args{"--batch", "--experiment", experiment,   "--glucose",
                                        glucose,   "--si",         "1",          "--tmax",
                                        "35",      "--out",        dir.file("o")};
    TempDir elsewhere;
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.file("."));
    const int missing = run(args);
    const std::string missingText = stderrText;
    copySample(dir, kParameterFileName);
    const int found = run(args);
    std::filesystem::current_path(cwd);
    EXPECT_EQ(missing, 1);
    EXPECT_NE(missingText.find("s'ha buscat a \"" + dir.file(kParameterFileName) + "\" i a"),
              std::string::npos)
        << missingText;
    ASSERT_EQ(found, 0) << stderrText;
    EXPECT_TRUE(test::readText(dir.file("o/glucosa.txt")) ==
                test::readText(MODAL_SOURCE_DIR "/tests/glucosim/data/outputs/values/glucosa.txt"));
}

TEST_F(Batch, SimulationsThatLeaveTheNumbersAreReportedWithStatusThree) {
    // A glucose effectiveness of -100/min, the edge of its range, lets the
    // glucose grow until it overflows.
    const std::string experiment = copySample(dir, "experiment_pacient3.txt");
    const std::string params = copySample(dir, kParameterFileName, 2, 4, "-100");
    auto args = with({"--si", "1", "--tmax", "35", "--out", dir.file("a")});
    args[2] = experiment;
    args[6] = params;
    EXPECT_EQ(run(args), 3);
    EXPECT_NE(
        stderrText.find("l'experiment 5 dóna valors no finits (NAN o INF) a partir del minut"),
        std::string::npos)
        << stderrText;
    const auto results = cells(test::readText(dir.file("a/resultats.txt")));
    EXPECT_EQ(results[5][6], "NAN"); // not a zero area

    // Every pair of the grid fails: none is chosen silently.
    EXPECT_EQ(run(with({"--optimise", "1", "--out", dir.file("b")})), 0);
    args = with({"--optimise", "1", "--out", dir.file("b")});
    args[2] = experiment;
    args[6] = params;
    EXPECT_EQ(run(args), 3);
    EXPECT_NE(stderrText.find("cap parella"), std::string::npos) << stderrText;

    EXPECT_EQ(run(with({"--si", "1", "--tmax", "1e-300", "--out", dir.file("c")})), 3);
    EXPECT_NE(stderrText.find("a partir del minut 0"), std::string::npos) << stderrText;

    // A negative bolus, or one of 1e300 units, is refused when the file is read.
    args[6] = dir.write("p.txt", test::readText(test::sampleDir() + kParameterFileName));
    for (const char* bolus : {"-1", "1e300"}) {
        args[2] = copySample(dir, "experiment_pacient3.txt", 6, 4, bolus);
        EXPECT_EQ(run(args), 1);
        EXPECT_NE(stderrText.find("fila 6, columna 4"), std::string::npos) << stderrText;
    }
}

// The added outputs beside the specified ones, which stay as they were.
TEST_F(Batch, OpenFormatsAndProvenance) {
    const std::string out = dir.file("csv");
    ASSERT_EQ(run(with({"--optimise", "1", "--csv", "--out", out})), 0) << stderrText;
    const std::string saved = MODAL_SOURCE_DIR "/tests/glucosim/data/outputs/opt1/";
    for (const char* name : {"resultats.txt", "glucosa.txt", "optimitzacio.txt"})
        EXPECT_TRUE(test::readText(out + "/" + name) == test::readText(saved + name)) << name;
    EXPECT_EQ(test::readText(out + "/metrics.csv").rfind(std::string(kMetricsHeader) + "\r\n", 0),
              0u);
    EXPECT_EQ(test::readText(out + "/glucosa.csv")
                  .rfind("experiment,minute,lower_mg_dl,upper_mg_dl,measured_mg_dl\r\n", 0),
              0u);
    EXPECT_EQ(test::readText(out + "/optimitzacio.csv").rfind("Tmax,Mitjana Si,Sumatori", 0), 0u);
    // One table per CSV file: the 24 experiments, and the 20 thresholds.
    const std::string resultsCsv = test::readText(out + "/resultats.csv");
    EXPECT_EQ(resultsCsv.rfind("Nº experiment,Classe Menjar,", 0), 0u);
    EXPECT_EQ(std::count(resultsCsv.begin(), resultsCsv.end(), '\n'), 25);
    EXPECT_EQ(resultsCsv.find("\r\n,"), std::string::npos); // no row without a number
    const std::string roc = test::readText(out + "/roc.csv");
    EXPECT_EQ(roc.rfind("threshold,VN,FP,FN,VP,Sens.,1-Espec.\r\n1,", 0), 0u) << roc;
    EXPECT_EQ(std::count(roc.begin(), roc.end(), '\n'), 21);

    // run.json names each input with the hash that sha256sum gives.
    const std::string json = test::readText(out + "/run.json");
    const std::string experiment = test::sampleDir() + "experiment_pacient3.txt";
    std::string hash(64, ' ');
    if (FILE* p = popen(("sha256sum '" + experiment + "'").c_str(), "r")) {
        if (fread(hash.data(), 1, 64, p) != 64) hash.clear();
        pclose(p);
    }
    EXPECT_NE(json.find("\"sha256\": \"" + hash + "\""), std::string::npos) << json;
    for (const char* key : {"\"version\"", "\"patient\": 3", "\"mode\": \"optimisation\"",
                            "\"criterion\": 1", "\"tied_pairs\"", "\"index\"", "\"date\""})
        EXPECT_NE(json.find(key), std::string::npos) << key;

    // The fit criterion saves its two columns; --plots needs the window
    // program's renderer.
    ASSERT_EQ(run(with({"--optimise", "4", "--csv", "--out", dir.file("fit")})), 0) << stderrText;
    EXPECT_EQ(cells(test::readText(dir.file("fit/optimitzacio.txt")))[0][2], "Cobertura (%)");
    EXPECT_EQ(run(with({"--optimise", "4", "--plots", "--out", dir.file("p")})), 2);
    EXPECT_EQ(run({"--version"}), 0);
    EXPECT_EQ(stdoutText, "glucosim " MODAL_VERSION "\n");
}

// The window program takes Qt's options and nothing else.
TEST(WindowCommandLine, UnknownOptionsArgumentsAndBatchOptionsAreUsageErrors) {
    const auto error = [](std::vector<const char*> args) {
        args.insert(args.begin(), "glucosim");
        return windowUsageError(static_cast<int>(args.size()), args.data());
    };
    EXPECT_FALSE(error({}));
    EXPECT_FALSE(error({"-platform", "offscreen", "--style=fusion", "-reverse"}));
    EXPECT_NE(error({"--bogus"}).value_or("").find("\"--bogus\""), std::string::npos);
    EXPECT_NE(error({"dades.txt"}).value_or("").find("\"dades.txt\""), std::string::npos);
    EXPECT_NE(error({"--csv"}).value_or("").find("--batch"), std::string::npos);
    EXPECT_NE(error({"--out=x"}).value_or("").find("--batch"), std::string::npos);
    EXPECT_TRUE(error({"-platform"}));         // its value is missing
    EXPECT_TRUE(error({"-reverse=1"}));        // a flag takes no value
    EXPECT_TRUE(error({"-style", "x", "-q"})); // after a good option
}

} // namespace
} // namespace glucosim
