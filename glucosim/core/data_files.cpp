#include "glucosim/core/data_files.h"

#include "glucosim/core/float_text.h"

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <optional>
#include <vector>

namespace glucosim {

namespace {

struct Token {
    std::string text;
    int line = 0;
    int column = 0;
};

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Reads the first `wanted` tokens of a file with their places, and nothing
// after them. Returns false when the file cannot be opened or read.
bool readTokens(const std::string& path, std::size_t wanted, std::vector<Token>& tokens) {
    std::error_code ec;
    if (std::filesystem::is_directory(path, ec)) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;

    tokens.clear();
    std::istreambuf_iterator<char> it(in), end;
    // A UTF-8 byte order mark before the first token is not part of it.
    static constexpr char kBom[] = "\xEF\xBB\xBF";
    std::string current;
    std::size_t bomMatched = 0;
    while (it != end && bomMatched < 3 && *it == kBom[bomMatched]) {
        current += *it;
        ++it;
        ++bomMatched;
    }
    if (bomMatched == 3) current.clear();

    int line = 1, column = 0;
    for (; it != end && tokens.size() < wanted; ++it) {
        const char c = *it;
        if (!isBlank(c)) {
            current += c;
            continue;
        }
        if (!current.empty()) {
            tokens.push_back({std::move(current), line, ++column});
            current.clear();
        }
        if (c == '\n') {
            ++line;
            column = 0;
        }
    }
    if (!current.empty() && tokens.size() < wanted)
        tokens.push_back({std::move(current), line, ++column});
    return !in.bad();
}

DataError makeError(DataError::Kind kind, FileKind fileKind, const std::string& path, int row,
                    int column, std::string token = {}) {
    DataError e;
    e.kind = kind;
    e.fileKind = fileKind;
    e.file = path;
    e.row = row;
    e.column = column;
    e.token = std::move(token);
    return e;
}

// Tokens of a file laid out in `rows` x `columns`, or the error of a file that
// is missing or too short.
bool readLayout(const std::string& path, FileKind kind, int rows, int columns,
                std::vector<Token>& tokens, DataError& error) {
    const auto wanted = static_cast<std::size_t>(rows) * static_cast<std::size_t>(columns);
    if (!readTokens(path, wanted, tokens)) {
        error = makeError(DataError::Kind::Missing, kind, path, 0, 0);
        return false;
    }
    if (tokens.size() < wanted) {
        const int missing = static_cast<int>(tokens.size());
        error = makeError(DataError::Kind::TooShort, kind, path, missing / columns + 1,
                          missing % columns + 1);
        return false;
    }
    return true;
}

std::optional<double> number(const Token& t, FileKind kind, const std::string& path,
                             DataError& error) {
    const auto v = parseDataNumber(t.text);
    if (!v) error = makeError(DataError::Kind::NotANumber, kind, path, t.line, t.column, t.text);
    return v;
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

int layoutRows(FileKind kind) {
    switch (kind) {
    case FileKind::Experiment:
        return kExperiments + 1;
    case FileKind::Parameters:
        return kParameterRows;
    case FileKind::Glucose:
        break;
    }
    return kSamples;
}

int layoutColumns(FileKind kind) {
    switch (kind) {
    case FileKind::Experiment:
        return kExperimentColumns;
    case FileKind::Parameters:
        return kPatients + 1;
    case FileKind::Glucose:
        break;
    }
    return kExperiments;
}

} // namespace

std::string DataError::message() const {
    const std::string where = "Error de dades al fitxer \"" + file + "\", fila " +
                              std::to_string(row) + ", columna " + std::to_string(column) + ": ";
    switch (kind) {
    case Kind::Missing:
        return std::string(missingText(fileKind)) + ": \"" + file + "\"";
    case Kind::TooShort:
        return "Error de dades al fitxer \"" + file + "\": el fitxer s'acaba abans de la fila " +
               std::to_string(row) + ", columna " + std::to_string(column) + " (s'esperaven " +
               std::to_string(layoutRows(fileKind)) + " files de " +
               std::to_string(layoutColumns(fileKind)) + " valors)";
    case Kind::NotANumber:
        return where + "\"" + token + "\" no és un nombre";
    case Kind::PatientOutOfRange:
        return where + "el pacient \"" + token + "\" no és entre 1 i " + std::to_string(kPatients);
    }
    return where;
}

bool readExperimentFile(const std::string& path, ExperimentTable& table, DataError& error) {
    std::vector<Token> tokens;
    if (!readLayout(path, FileKind::Experiment, kExperiments + 1, kExperimentColumns, tokens,
                    error))
        return false;
    ExperimentTable read;
    for (int r = 0; r < kExperiments; ++r) {
        ExperimentRow& row = read.rows[static_cast<std::size_t>(r)];
        for (int c = 0; c < kExperimentColumns; ++c) {
            const Token& t = tokens[static_cast<std::size_t>((r + 1) * kExperimentColumns + c)];
            if (c == 2) {
                row.mealClass = t.text;
                continue;
            }
            const auto v = number(t, FileKind::Experiment, path, error);
            if (!v) return false;
            row.values[static_cast<std::size_t>(c)] = *v;
        }
    }
    const double patient = std::trunc(read.rows[0].values[1]);
    if (!(patient >= 1.0 && patient <= kPatients)) {
        const Token& t = tokens[kExperimentColumns + 1];
        error = makeError(DataError::Kind::PatientOutOfRange, FileKind::Experiment, path, t.line,
                          t.column, t.text);
        return false;
    }
    read.patient = static_cast<int>(patient);
    table = std::move(read);
    return true;
}

bool readParameterFile(const std::string& path, int patient, PatientParameters& params,
                       DataError& error) {
    if (patient < 1 || patient > kPatients) {
        error = makeError(DataError::Kind::PatientOutOfRange, FileKind::Parameters, path, 1,
                          patient + 1, std::to_string(patient));
        return false;
    }
    std::vector<Token> tokens;
    if (!readLayout(path, FileKind::Parameters, kParameterRows, kPatients + 1, tokens, error))
        return false;
    PatientParameters read;
    for (int i = 1; i < kParameterRows; ++i) {
        const auto v = number(tokens[static_cast<std::size_t>(i * (kPatients + 1) + patient)],
                              FileKind::Parameters, path, error);
        if (!v) return false;
        read.p[static_cast<std::size_t>(i)] = *v;
    }
    params = read;
    return true;
}

bool readGlucoseFile(const std::string& path, GlucoseTable& table, DataError& error) {
    std::vector<Token> tokens;
    if (!readLayout(path, FileKind::Glucose, kSamples, kExperiments, tokens, error)) return false;
    auto read = std::make_unique<GlucoseTable>();
    for (std::size_t i = 0; i < tokens.size(); ++i) {
        const auto v = number(tokens[i], FileKind::Glucose, path, error);
        if (!v) return false;
        read->values[i / kExperiments][i % kExperiments] = *v;
    }
    table = *read;
    return true;
}

bool loadExperimentAndParameters(DataSet& data, const std::string& experimentPath,
                                 const std::string& parameterPath, DataError& error) {
    ExperimentTable experiment;
    PatientParameters parameters;
    if (!readExperimentFile(experimentPath, experiment, error)) return false;
    if (!readParameterFile(parameterPath, experiment.patient, parameters, error)) return false;
    data.patient = experiment.patient;
    data.experiment = std::move(experiment);
    data.parameters = parameters;
    data.experimentLoaded = true;
    data.parametersLoaded = true;
    return true;
}

bool loadGlucose(DataSet& data, const std::string& path, DataError& error) {
    if (!readGlucoseFile(path, data.glucose, error)) return false;
    data.glucoseLoaded = true;
    return true;
}

std::string statusText(const DataSet& data) {
    if (!data.complete()) return "NO HI HA DADES CARREGADES";
    return "CARREGADES DADES DEL PACIENT " + std::to_string(data.patient);
}

} // namespace glucosim
