#include "glucosim/core/data_files.h"

#include "glucosim/core/float_text.h"
#include "glucosim/core/safe_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glucosim {

namespace {

struct Line {
    int number = 0; // 1-based line of the file
    std::vector<std::string> tokens;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::vector<std::string> split(const std::string& text) {
    std::vector<std::string> tokens;
    std::size_t i = 0;
    while (i < text.size()) {
        while (i < text.size() && isBlank(text[i]))
            ++i;
        std::size_t j = i;
        while (j < text.size() && !isBlank(text[j]))
            ++j;
        if (j > i) tokens.emplace_back(text, i, j - i);
        i = j;
    }
    return tokens;
}

enum class ReadFailure { None, Missing, TooLarge, LineTooLong };

// The lines of a file that hold anything, with their numbers. Reading stops
// past kMaxDataFileBytes, so that a device or a pipe that never ends is
// refused as promptly as a large regular file. `longLine` is set for
// LineTooLong.
ReadFailure readLines(const std::string& path, std::vector<Line>& lines, int& longLine) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return ReadFailure::Missing;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return ReadFailure::Missing;
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > kMaxDataFileBytes) {
        ::close(fd);
        return ReadFailure::TooLarge;
    }
    std::string text;
    const auto cap = static_cast<std::size_t>(kMaxDataFileBytes) + 1;
    char buffer[65536];
    bool failed = false;
    while (text.size() < cap) {
        const ssize_t n = ::read(fd, buffer, std::min(sizeof buffer, cap - text.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            failed = n < 0;
            break;
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (failed) return ReadFailure::Missing;
    if (text.size() >= cap) return ReadFailure::TooLarge;
    lines.clear();
    std::size_t start = 0;
    for (int number = 1; start < text.size(); ++number) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        if (end - start > kMaxDataLineBytes) {
            longLine = number;
            return ReadFailure::LineTooLong;
        }
        std::string line(text, start, end - start);
        // A UTF-8 byte order mark before the first value is not part of it.
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        auto tokens = split(line);
        if (!tokens.empty()) lines.push_back({number, std::move(tokens)});
        start = end + 1;
    }
    return ReadFailure::None;
}

DataError makeError(DataError::Kind kind, FileKind fileKind, const std::string& path, int row = 0,
                    int column = 0, std::string token = {}) {
    DataError e;
    e.kind = kind;
    e.fileKind = fileKind;
    e.file = path;
    e.row = row;
    e.column = column;
    e.token = std::move(token);
    return e;
}

struct Layout {
    FileKind kind;
    int rows;            // data rows used
    int columns;         // values in each of them
    bool header;         // the first row is a header
    bool optionalHeader; // the first row is a header when it does not start with a number
};

constexpr Layout kExperimentLayout{FileKind::Experiment, kExperiments, kExperimentColumns, true,
                                   false};
constexpr Layout kParameterLayout{FileKind::Parameters, kParameterRows - 1, kPatients + 1, true,
                                  false};
constexpr Layout kGlucoseLayout{FileKind::Glucose, kSamples, kExperiments, false, true};

// The data rows of a file: exactly `layout.rows` rows of `layout.columns`
// values, or the error of a file that is missing, has a row of another length
// or too few rows. Rows after them are reported in `warnings`.
bool readRows(const std::string& path, const Layout& layout, std::vector<Line>& rows,
              DataError& error, Warnings* warnings) {
    std::vector<Line> lines;
    int longLine = 0;
    switch (readLines(path, lines, longLine)) {
    case ReadFailure::None:
        break;
    case ReadFailure::Missing:
        error = makeError(DataError::Kind::Missing, layout.kind, path);
        error.searched = {path};
        return false;
    case ReadFailure::TooLarge:
        error = makeError(DataError::Kind::TooLarge, layout.kind, path);
        return false;
    case ReadFailure::LineTooLong:
        error = makeError(DataError::Kind::LineTooLong, layout.kind, path, longLine);
        return false;
    }
    // A first row that starts with a number, even one written with a decimal
    // comma, is data: its numbers are then checked (and a comma reported)
    // like those of every other row.
    std::size_t first = 0;
    const auto startsWithNumber = [](const Line& line) {
        const std::string& token = line.tokens.front();
        return parseDataNumber(token) || parseUserNumber(token);
    };
    if (!lines.empty() &&
        (layout.header || (layout.optionalHeader && !startsWithNumber(lines.front()))))
        first = 1;
    const std::size_t available = lines.size() - first;
    const auto wanted = static_cast<std::size_t>(layout.rows);
    for (std::size_t i = first; i < lines.size() && i < first + wanted; ++i) {
        const Line& line = lines[i];
        if (line.tokens.size() != static_cast<std::size_t>(layout.columns)) {
            error = makeError(DataError::Kind::WrongCount, layout.kind, path, line.number);
            error.count = static_cast<int>(line.tokens.size());
            error.expected = layout.columns;
            return false;
        }
    }
    if (available < wanted) {
        error = makeError(DataError::Kind::TooShort, layout.kind, path);
        error.count = static_cast<int>(available);
        error.expected = layout.rows;
        // A header that was only guessed is named, in case it was data.
        if (first == 1 && layout.optionalHeader) error.row = lines.front().number;
        return false;
    }
    if (available > wanted && warnings)
        warnings->push_back("Avís: el fitxer \"" + printable(path, 200) + "\" té " +
                            std::to_string(available) +
                            " files de dades; només es fan servir les " + std::to_string(wanted) +
                            " primeres (a partir de la fila " +
                            std::to_string(lines[first + wanted].number) + " no es llegeix)");
    rows.assign(lines.begin() + static_cast<std::ptrdiff_t>(first),
                lines.begin() + static_cast<std::ptrdiff_t>(first + wanted));
    return true;
}

std::optional<double> number(const Line& line, int column, FileKind kind, const std::string& path,
                             DataError& error) {
    const std::string& token = line.tokens[static_cast<std::size_t>(column)];
    const auto v = parseDataNumber(token);
    if (!v)
        error = makeError(DataError::Kind::NotANumber, kind, path, line.number, column + 1, token);
    return v;
}

DataError badValue(FileKind kind, const std::string& path, const Line& line, int column,
                   std::string what) {
    DataError e = makeError(DataError::Kind::BadValue, kind, path, line.number, column + 1,
                            line.tokens[static_cast<std::size_t>(column)]);
    e.what = std::move(what);
    return e;
}

// The plausible range of a column's values, with the name of the column in
// messages. Generous on purpose: they refuse values that no measurement or
// fitted model has (a glucose of 1e308, a negative clearance), not unusual
// ones.
struct Range {
    const char* name;
    double low;
    double high;
};

// Experiment file, by column (column 2 is the meal class, text).
constexpr std::array<Range, kExperimentColumns> kExperimentRanges{{
    {"el número d'experiment", -1e6, 1e6},
    {"el pacient", 1, kPatients},
    {"", 0, 0},
    {"el bolus d'insulina (U)", 0, 1000},
    {"els hidrats de carboni de l'àpat (g)", 0, 10000},
    {"la insulina basal (mU/min)", 0, 10000},
    {"la glucosa basal (mg/dl)", 0, 10000},
    {"la hipoglucèmia real", 0, 1e6},
    {"l'àrea d'hipoglucèmia moderada", -1e9, 1e9},
    {"l'àrea d'hipoglucèmia severa", -1e9, 1e9},
    {"l'àrea d'hiperglucèmia moderada", -1e9, 1e9},
    {"l'àrea d'hiperglucèmia severa", -1e9, 1e9},
}};

// Parameter file, by row (index 0 unused).
constexpr std::array<Range, kParameterRows> kParameterRanges{{
    {"", 0, 0},
    {"l'efectivitat de la glucosa (Sg, 1/min)", -100, 100},
    {"el ritme d'acció de la insulina (p2, 1/min)", -100, 100},
    {"el paràmetre p3", -100, 100},
    {"el guany d'aparició de la insulina (Ka)", -1e4, 1e4},
    {"el ritme d'eliminació de la insulina (n, 1/min)", 0, 100},
    {"la sensibilitat a la insulina (Si)", -100, 100},
    {"el volum de distribució de la glucosa (Vg, dl)", 0, 1e5},
    {"la insulina basal (Ub, mU/min)", 0, 1e4},
    {"la glucosa basal (Gb, mg/dl)", 0, 1e4},
    {"el pes (kg)", 0, 1e4},
    {"la ràtio insulina/hidrats (ICR)", 0, 1e4},
}};

// Measured glucose, mg/dl.
constexpr Range kGlucoseRange{"la glucosa mesurada (mg/dl)", 0, 10000};

std::string rangeText(const Range& range) {
    return std::string(range.name) + " ha de ser entre " + FloatToStr(range.low) + " i " +
           FloatToStr(range.high);
}

// `v` read at (line, column) in range, or the error that says it is not.
bool inRange(double v, const Range& range, FileKind kind, const std::string& path, const Line& line,
             int column, DataError& error) {
    if (v >= range.low && v <= range.high) return true;
    error = badValue(kind, path, line, column, rangeText(range));
    return false;
}

// The first value of an experiment row that the simulation cannot use.
std::optional<int> senselessExperimentColumn(const ExperimentRow& row, std::string& what) {
    if (row.bolus() < 0) {
        what = "el bolus d'insulina (\"I Bolus\") no pot ser negatiu";
        return 3;
    }
    if (row.carbohydrates() < 0) {
        what = "els hidrats de carboni de l'àpat (\"CHO\") no poden ser negatius";
        return 4;
    }
    if (row.basalInsulin() < 0) {
        what = "la insulina basal no pot ser negativa";
        return 5;
    }
    if (!(row.basalGlucose() > 0)) {
        what = "la glucosa basal ha de ser positiva";
        return 6;
    }
    return std::nullopt;
}

const char* missingText(FileKind kind) {
    switch (kind) {
    case FileKind::Parameters:
        return "No s'ha trobat l'arxiu de dades de pacients";
    case FileKind::Experiment:
        return "No s'ha trobat arxiu de dades de l'experiment";
    case FileKind::Glucose:
        break;
    }
    return "No s'ha trobat arxiu de dades de glucosa";
}

std::string quoted(const std::string& text) {
    return "\"" + printable(text) + "\"";
}

} // namespace

std::string DataError::message() const {
    const std::string file = "\"" + printable(this->file, 200) + "\"";
    const std::string inFile = "Error de dades al fitxer " + file;
    const std::string where =
        inFile + ", fila " + std::to_string(row) + ", columna " + std::to_string(column) + ": ";
    switch (kind) {
    case Kind::Missing: {
        if (searched.size() < 2) return std::string(missingText(fileKind)) + ": " + file;
        std::string places;
        for (std::size_t i = 0; i < searched.size(); ++i)
            places += (i == 0 ? " a \"" : (i + 1 == searched.size() ? " i a \"" : ", a \"")) +
                      printable(searched[i], 200) + "\"";
        return std::string(missingText(fileKind)) + ": s'ha buscat" + places;
    }
    case Kind::TooShort: {
        std::string text = inFile + ": el fitxer té " + std::to_string(count) +
                           " files de dades i se n'esperaven " + std::to_string(expected);
        if (fileKind != FileKind::Glucose)
            text += ", després d'una fila de capçalera";
        else if (row > 0)
            text += " (la fila " + std::to_string(row) +
                    ", que no comença amb un nombre, s'ha pres com a capçalera)";
        return text;
    }
    case Kind::WrongCount:
        return inFile + ", fila " + std::to_string(row) + ": la fila té " + std::to_string(count) +
               (count == 1 ? " valor" : " valors") + " i se n'esperaven " +
               std::to_string(expected);
    case Kind::NotANumber: {
        std::string text = where + quoted(token) + " no és un nombre";
        if (token.find(',') != std::string::npos && parseUserNumber(token))
            text += " (els fitxers de dades fan servir '.' com a separador decimal)";
        return text;
    }
    case Kind::PatientOutOfRange:
        return where + "el pacient " + quoted(token) + " no és entre 1 i " +
               std::to_string(kPatients);
    case Kind::BadValue:
        return where + what + " (" + quoted(token) + ")";
    case Kind::TooLarge:
        return inFile + ": el fitxer passa de " + std::to_string(kMaxDataFileBytes >> 20) +
               " MB, la mida màxima d'un fitxer de dades";
    case Kind::LineTooLong:
        return inFile + ", fila " + std::to_string(row) + ": la fila passa de " +
               std::to_string(kMaxDataLineBytes) + " caràcters, la llargada màxima d'una fila";
    }
    return where;
}

bool readExperimentFile(const std::string& path, ExperimentTable& table, DataError& error,
                        Warnings* warnings) {
    std::vector<Line> rows;
    if (!readRows(path, kExperimentLayout, rows, error, warnings)) return false;
    ExperimentTable read;
    for (int r = 0; r < kExperiments; ++r) {
        const Line& line = rows[static_cast<std::size_t>(r)];
        ExperimentRow& row = read.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < kExperimentColumns; ++c) {
            if (c == 2) {
                row.mealClass = line.tokens[2];
                continue;
            }
            const auto v = number(line, c, FileKind::Experiment, path, error);
            if (!v) return false;
            row.values[static_cast<std::size_t>(c)] = *v;
        }
        const double patient = row.values[1];
        if (!(patient >= 1.0 && patient <= kPatients)) {
            error = makeError(DataError::Kind::PatientOutOfRange, FileKind::Experiment, path,
                              line.number, 2, line.tokens[1]);
            return false;
        }
        if (patient != std::trunc(patient)) {
            error = badValue(FileKind::Experiment, path, line, 1,
                             "el pacient ha de ser un nombre enter entre 1 i " +
                                 std::to_string(kPatients));
            return false;
        }
        if (r == 0) read.patient = static_cast<int>(patient);
        std::string what;
        if (const auto c = senselessExperimentColumn(row, what)) {
            error = badValue(FileKind::Experiment, path, line, *c, what);
            return false;
        }
        for (int c = 0; c < kExperimentColumns; ++c)
            if (c != 2 && !inRange(row.values[static_cast<std::size_t>(c)],
                                   kExperimentRanges[static_cast<std::size_t>(c)],
                                   FileKind::Experiment, path, line, c, error))
                return false;
    }
    table = std::move(read);
    return true;
}

bool readParameterFile(const std::string& path, int patient, PatientParameters& params,
                       DataError& error, Warnings* warnings) {
    if (patient < 1 || patient > kPatients) {
        error = makeError(DataError::Kind::PatientOutOfRange, FileKind::Parameters, path, 1,
                          patient + 1, std::to_string(patient));
        return false;
    }
    std::vector<Line> rows;
    if (!readRows(path, kParameterLayout, rows, error, warnings)) return false;
    // Every patient's column is checked, not only the one used: a file with
    // garbage in it is not a file to trust.
    PatientParameters read;
    for (int i = 1; i < kParameterRows; ++i) {
        const Line& line = rows[static_cast<std::size_t>(i - 1)];
        const Range& range = kParameterRanges[static_cast<std::size_t>(i)];
        for (int k = 1; k <= kPatients; ++k) {
            const auto v = number(line, k, FileKind::Parameters, path, error);
            if (!v) return false;
            // The simulation divides by the clearance (5) and the volume (7).
            if ((i == 5 || i == 7) && !(*v > 0)) {
                error = badValue(FileKind::Parameters, path, line, k,
                                 (i == 5 ? "el ritme d'eliminació de la insulina (n)"
                                         : "el volum de distribució de la glucosa (Vg)") +
                                     std::string(" del pacient ") + std::to_string(k) +
                                     " ha de ser positiu");
                return false;
            }
            if (!inRange(*v, range, FileKind::Parameters, path, line, k, error)) return false;
            if (k == patient) read.p[static_cast<std::size_t>(i)] = *v;
        }
    }
    params = read;
    return true;
}

bool readGlucoseFile(const std::string& path, GlucoseTable& table, DataError& error,
                     Warnings* warnings) {
    std::vector<Line> rows;
    if (!readRows(path, kGlucoseLayout, rows, error, warnings)) return false;
    auto read = std::make_unique<GlucoseTable>();
    for (std::size_t m = 0; m < rows.size(); ++m)
        for (int j = 0; j < kExperiments; ++j) {
            const auto v = number(rows[m], j, FileKind::Glucose, path, error);
            if (!v || !inRange(*v, kGlucoseRange, FileKind::Glucose, path, rows[m], j, error))
                return false;
            read->values[m][static_cast<std::size_t>(j)] = *v;
        }
    table = *read;
    return true;
}

std::vector<std::string> parameterFileCandidates(const std::string& experimentPath) {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::path dir = fs::path(experimentPath).parent_path();
    if (dir.empty()) dir = ".";
    const fs::path beside = dir / kParameterFileName;
    const fs::path current = fs::current_path(ec) / kParameterFileName;
    std::vector<std::string> places{beside.lexically_normal().string()};
    const fs::path a = fs::weakly_canonical(fs::absolute(beside, ec), ec);
    const fs::path b = fs::weakly_canonical(current, ec);
    if (ec || a != b) places.push_back(current.lexically_normal().string());
    return places;
}

bool loadExperimentAndParameters(DataSet& data, const std::string& experimentPath,
                                 const std::vector<std::string>& parameterPaths, DataError& error,
                                 Warnings* warnings) {
    auto experiment = std::make_unique<ExperimentTable>();
    PatientParameters parameters;
    Warnings notes;
    if (!readExperimentFile(experimentPath, *experiment, error, &notes)) return false;
    std::string parameterPath;
    for (const std::string& candidate : parameterPaths) {
        std::error_code ec;
        if (std::filesystem::is_regular_file(candidate, ec)) {
            parameterPath = candidate;
            break;
        }
    }
    if (parameterPath.empty()) {
        error = makeError(DataError::Kind::Missing, FileKind::Parameters,
                          parameterPaths.empty() ? std::string() : parameterPaths.front());
        error.searched = parameterPaths;
        return false;
    }
    if (!readParameterFile(parameterPath, experiment->patient, parameters, error, &notes))
        return false;
    data.patient = experiment->patient;
    data.experiment = std::move(*experiment);
    data.parameters = parameters;
    data.experimentLoaded = true;
    data.parametersLoaded = true;
    data.experimentPath = experimentPath;
    data.parameterPath = parameterPath;
    if (warnings) warnings->insert(warnings->end(), notes.begin(), notes.end());
    return true;
}

bool loadExperimentAndParameters(DataSet& data, const std::string& experimentPath,
                                 const std::string& parameterPath, DataError& error,
                                 Warnings* warnings) {
    return loadExperimentAndParameters(data, experimentPath, std::vector{parameterPath}, error,
                                       warnings);
}

bool loadGlucose(DataSet& data, const std::string& path, DataError& error, Warnings* warnings) {
    if (!readGlucoseFile(path, data.glucose, error, warnings)) return false;
    data.glucoseLoaded = true;
    data.glucosePath = path;
    return true;
}

std::string statusText(const DataSet& data) {
    if (!data.complete()) return "NO HI HA DADES CARREGADES";
    return "CARREGADES DADES DEL PACIENT " + std::to_string(data.patient);
}

} // namespace glucosim
