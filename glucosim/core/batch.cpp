#include "glucosim/core/batch.h"

#include "glucosim/core/computation.h"
#include "glucosim/core/data_files.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/tables.h"

#include <ctime>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace glucosim {

namespace {

constexpr const char* kHelp =
    R"(Ús: glucosim --batch --experiment EXP --glucose GLU [--params PARAMS]
               (--optimise N | --si S --tmax T) --out DIR
     glucosim --help

Mode per lots: simula tots els experiments sense finestra i desa les taules de
resultats com a fitxers de text (cel·les separades per tabuladors, una fila per
línia), les mateixes que mostra el programa de finestres.

Opcions:
  --batch            activa el mode per lots.
  --experiment EXP   fitxer de l'experiment: una fila de capçalera i 24 files
                     de 12 valors; la columna 2 del primer experiment tria el
                     pacient (1 a 10).
  --glucose GLU      fitxer de glucosa: 300 files (minuts) de 24 valors.
  --params PARAMS    fitxer de paràmetres dels pacients (per defecte
                     "parametros_bergman_ajustados.txt" del directori actual).
  --optimise N       càlcul amb optimització amb el criteri N:
                       0  Pr.Qualitatiu amb pes
                       1  sqrt (| X^2-Y^2 |)
                       2  Qualitatiu
                       3  log[sqrt (| X^2-Y^2 |)]
  --si S             càlcul amb Si i TmaxG concrets: sensibilitat a la
                     insulina en unitats de 10^-4 (S >= 0),
  --tmax T           i temps d'absorció de l'àpat TmaxG en minuts (T > 0).
                     S i T admeten '.' o ',' com a separador decimal.
  --out DIR          directori on es desen "resultats.txt", "glucosa.txt" i,
                     amb --optimise, "optimitzacio.txt" (es crea si no hi és).
  --help, -h         mostra aquesta ajuda.

Cada opció amb valor també s'accepta com a --opció=valor.
El progrés s'escriu a la sortida d'error; la línia de resultats
("Resultats experiments pacient ...") a la sortida estàndard.

Codis de sortida:
  0  correcte
  1  error de dades (el missatge indica el fitxer, la fila i la columna) o
     fitxer que no es pot llegir o escriure
  2  error d'ús (opcions que falten, sobren o no són vàlides)
)";

struct Options {
    std::string experiment;
    std::string glucose;
    std::string params = kParameterFileName;
    std::string out;
    std::optional<int> criterion;
    std::optional<std::string> si;
    std::optional<std::string> tmax;
};

struct UsageError {
    std::string text;
};

// Parses the arguments after the program name; returns the error text of a
// usage error.
std::optional<UsageError> parseOptions(int argc, const char* const* argv, Options& o) {
    bool batch = false, haveExperiment = false, haveGlucose = false, haveParams = false,
         haveOut = false;
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = arg.find('='); arg.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = arg.substr(eq + 1);
            arg.resize(eq);
        }
        if (arg == "--batch") {
            if (inlineValue) return UsageError{"l'opció --batch no porta valor"};
            batch = true;
            continue;
        }
        const auto takeValue = [&](std::string& into, bool& seen) -> std::optional<UsageError> {
            if (seen) return UsageError{"l'opció " + arg + " apareix més d'una vegada"};
            seen = true;
            if (inlineValue) {
                into = *inlineValue;
            } else {
                if (i + 1 >= argc) return UsageError{"falta el valor de l'opció " + arg};
                into = argv[++i];
            }
            if (into.empty()) return UsageError{"el valor de l'opció " + arg + " és buit"};
            return std::nullopt;
        };
        std::optional<UsageError> err;
        if (arg == "--experiment") {
            err = takeValue(o.experiment, haveExperiment);
        } else if (arg == "--glucose") {
            err = takeValue(o.glucose, haveGlucose);
        } else if (arg == "--params") {
            err = takeValue(o.params, haveParams);
        } else if (arg == "--out") {
            err = takeValue(o.out, haveOut);
        } else if (arg == "--optimise" || arg == "--si" || arg == "--tmax") {
            std::string value;
            bool seen = arg == "--optimise"
                            ? o.criterion.has_value()
                            : (arg == "--si" ? o.si.has_value() : o.tmax.has_value());
            err = takeValue(value, seen);
            if (!err) {
                if (arg == "--optimise") {
                    if (value.size() != 1 || value[0] < '0' || value[0] > '3')
                        return UsageError{"el criteri de --optimise ha de ser 0, 1, 2 o 3, no \"" +
                                          value + "\""};
                    o.criterion = value[0] - '0';
                } else if (arg == "--si") {
                    o.si = value;
                } else {
                    o.tmax = value;
                }
            }
        } else {
            return UsageError{"opció desconeguda \"" + std::string(argv[i]) + "\""};
        }
        if (err) return err;
    }
    if (!batch) return UsageError{"falta l'opció --batch"};
    if (!haveExperiment) return UsageError{"falta l'opció --experiment"};
    if (!haveGlucose) return UsageError{"falta l'opció --glucose"};
    if (!haveOut) return UsageError{"falta l'opció --out"};
    if (o.criterion && (o.si || o.tmax))
        return UsageError{"--optimise no es pot combinar amb --si ni --tmax"};
    if (!o.criterion && !(o.si && o.tmax))
        return UsageError{"cal --optimise N, o bé --si S i --tmax T"};
    return std::nullopt;
}

int usage(const std::string& text) {
    std::cerr << "glucosim: " << text << "\nProveu \"glucosim --help\".\n";
    return 2;
}

int dataError(const std::string& text) {
    std::cerr << "glucosim: " << text << "\n";
    return 1;
}

} // namespace

bool isBatchInvocation(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--batch" || a == "--help" || a == "-h") return true;
    }
    return false;
}

int runBatch(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        }
    }

    Options o;
    if (const auto err = parseOptions(argc, argv, o)) return usage(err->text);

    double sensitivity = 0.0, tmax = 0.0;
    if (!o.criterion) {
        const auto s = parseUserNumber(*o.si);
        const auto t = parseUserNumber(*o.tmax);
        if (!s || *s < 0)
            return usage("el valor de --si ha de ser un nombre no negatiu, no \"" + *o.si + "\"");
        if (!t || *t <= 0)
            return usage("el valor de --tmax ha de ser un nombre positiu, no \"" + *o.tmax + "\"");
        sensitivity = *s;
        tmax = *t;
    }

    auto data = std::make_unique<DataSet>();
    DataError error;
    if (!loadExperimentAndParameters(*data, o.experiment, o.params, error) ||
        !loadGlucose(*data, o.glucose, error))
        return dataError(error.message());
    std::cerr << statusText(*data) << "\n";

    const std::clock_t start = std::clock();
    Results results;
    if (o.criterion) {
        const auto criterion = static_cast<Criterion>(*o.criterion);
        std::cerr << "Optimització amb el criteri \"" << criterionName(criterion) << "\"\n";
        results = computeWithOptimisation(*data, criterion, [](int index) {
            const int done = index + 1;
            if (done % kSensSteps == 0)
                std::cerr << "  parelles calculades: " << done << " de " << kGridPairs << "\n";
        });
        const GridPair& best = results.grid[static_cast<std::size_t>(results.chosenPair)];
        std::cerr << "Parella escollida: " << results.chosenPair
                  << " (Tmax=" << FloatToStr(best.tmax) << ", Si=" << FloatToStr(best.siMidpoint)
                  << ", valor=" << FloatToStr(best.value) << ")\n";
    } else {
        results = computeWithValues(*data, sensitivity, tmax);
    }
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    std::cerr << "Temps de càlcul: " << FloatToStr(seconds) << " s\n";

    std::error_code ec;
    std::filesystem::create_directories(o.out, ec);
    if (!std::filesystem::is_directory(o.out, ec))
        return dataError("no es pot crear el directori de sortida \"" + o.out + "\"");
    const std::filesystem::path dir(o.out);
    const auto save = [&](const char* name, const Table& table) {
        const std::string path = (dir / name).string();
        if (!saveTable(path, table)) {
            std::cerr << "glucosim: no es pot escriure el fitxer \"" << path << "\"\n";
            return false;
        }
        std::cerr << "Desat \"" << path << "\"\n";
        return true;
    };
    if (!save("resultats.txt", resultsTable(results))) return 1;
    if (!save("glucosa.txt", glucoseTable(results))) return 1;
    if (results.mode == Mode::Optimisation && !save("optimitzacio.txt", optimisationTable(results)))
        return 1;

    std::cout << resultsCaption(results) << "\n";
    return 0;
}

} // namespace glucosim
