#include "glucosim/app/batch_command.h"

#include "glucosim/core/float_text.h"
#include "glucosim/core/provenance.h"
#include "glucosim/core/safe_text.h"

#include <iostream>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

namespace glucosim {

namespace {

constexpr const char* kHelp =
    R"(Ús: glucosim --batch --experiment EXP --glucose GLU [--params PARAMS]
               (--optimise N | --si S --tmax T) --out DIR [--csv] [--plots]
     glucosim --help
     glucosim --version

Mode per lots: simula tots els experiments sense finestra i guarda les taules de
resultats com a fitxers de text (cel·les separades per tabuladors, una fila per
línia), les mateixes que mostra el programa de finestres.

Opcions:
  --batch            activa el mode per lots.
  --experiment EXP   fitxer de l'experiment: una fila de capçalera i 24 files
                     de 12 valors; la columna 2 del primer experiment tria el
                     pacient (1 a 10).
  --glucose GLU      fitxer de glucosa: 300 files (minuts) de 24 valors.
  --params PARAMS    fitxer de paràmetres dels pacients (per defecte
                     "parametros_bergman_ajustados.txt" al costat del fitxer
                     de l'experiment i, si no hi és, al directori actual,
                     com fa el programa de finestres).
  --optimise N       càlcul amb optimització amb el criteri N:
                       0  Pr.Qualitatiu amb pes
                       1  sqrt (| X^2-Y^2 |)
                       2  Qualitatiu
                       3  log[sqrt (| X^2-Y^2 |)]
                       4  Cobertura màxima: la parella amb més mostres
                          mesurades dins la banda simulada (en cas
                          d'empat, la de banda mitjana més estreta)
  --si S             càlcul amb Si i TmaxG concrets: sensibilitat a la
                     insulina en unitats de 10^-4 (S >= 0),
  --tmax T           i temps d'absorció de l'àpat TmaxG en minuts (T > 0).
                     S i T admeten '.' o ',' com a separador decimal.
  --out DIR          directori on es guarden "resultats.txt", "glucosa.txt" i,
                     amb --optimise, "optimitzacio.txt" (es crea si no hi és).
                     Sempre s'hi guarden també "metrics.csv" (mètriques de
                     glucosa per experiment i de tots junts) i "run.json"
                     (versió, fitxers d'entrada amb el seu SHA-256, pacient,
                     mode, criteri i parella escollida).
                     Els fitxers es reemplacen tots alhora, només quan tots
                     s'han pogut escriure; no es guarda res si una sortida
                     hauria de reemplaçar un dels fitxers de dades.
  --csv              guarda també "glucosa.csv" (forma llarga: experiment,
                     minut, banda i glucosa mesurada), "resultats.csv" (els
                     24 experiments), "roc.csv" (un llindar per fila, amb
                     VN, FP, FN, VP, Sens. i 1-Espec.) i, amb --optimise,
                     "optimitzacio.csv" (RFC 4180, '.' decimal, nombres
                     exactes; nan, inf i -inf).
  --plots            guarda també els gràfics PNG: experiment_01.png ...
                     experiment_24.png, overview.png, roc.png i, amb
                     --optimise, criterion.png (no cal pantalla).
  --help, -h         mostra aquesta ajuda.
  --version          mostra la versió del programa.

Cada opció amb valor també s'accepta com a --opció=valor.
El progrés s'escriu a la sortida d'error; la línia de resultats
("Resultats experiments pacient ...") a la sortida estàndard.

Codis de sortida:
  0  correcte
  1  error de dades (el missatge indica el fitxer, la fila i la columna) o
     fitxer que no es pot llegir o escriure
  2  error d'ús (opcions que falten, sobren o no són vàlides)
  3  la simulació dóna valors no finits (NAN o INF) en algun experiment; les
     taules es guarden igualment i els avisos diuen on
)";

struct Options {
    std::string experiment;
    std::string glucose;
    std::string params;
    std::string out;
    std::string optimise;
    std::string si;
    std::string tmax;
    std::set<std::string> given; // the options present, by name

    bool has(const char* name) const { return given.count(name) != 0; }
};

struct UsageError {
    std::string text;
};

// Parses the arguments after the program name, each value option as
// "--name value" or "--name=value"; returns the error of a usage error.
std::optional<UsageError> parseOptions(int argc, const char* const* argv, Options& o) {
    const std::map<std::string, std::string*> valueOptions{{"--experiment", &o.experiment},
                                                           {"--glucose", &o.glucose},
                                                           {"--params", &o.params},
                                                           {"--out", &o.out},
                                                           {"--optimise", &o.optimise},
                                                           {"--si", &o.si},
                                                           {"--tmax", &o.tmax}};
    for (int i = 1; i < argc; ++i) {
        std::string name = argv[i];
        std::optional<std::string> inlineValue;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            inlineValue = name.substr(eq + 1);
            name.resize(eq);
        }
        const auto option = valueOptions.find(name);
        const bool flag = name == "--batch" || name == "--csv" || name == "--plots";
        if (!flag && option == valueOptions.end())
            return UsageError{"opció desconeguda \"" + printable(argv[i]) + "\""};
        if (!o.given.insert(name).second)
            return UsageError{"l'opció " + printable(name) + " apareix més d'una vegada"};
        if (flag) {
            if (inlineValue) return UsageError{"l'opció " + name + " no porta valor"};
            continue;
        }
        if (!inlineValue) {
            if (i + 1 >= argc) return UsageError{"falta el valor de l'opció " + name};
            inlineValue = argv[++i];
        }
        if (inlineValue->empty()) return UsageError{"el valor de l'opció " + name + " és buit"};
        *option->second = *inlineValue;
    }
    for (const char* required : {"--batch", "--experiment", "--glucose", "--out"})
        if (!o.has(required)) return UsageError{std::string("falta l'opció ") + required};
    if (o.has("--optimise")) {
        if (o.has("--si") || o.has("--tmax"))
            return UsageError{"--optimise no es pot combinar amb --si ni --tmax"};
        if (o.optimise.size() != 1 || o.optimise[0] < '0' || o.optimise[0] > '4')
            return UsageError{"el criteri de --optimise ha de ser 0, 1, 2, 3 o 4, no \"" +
                              printable(o.optimise) + "\""};
    } else if (!o.has("--si") || !o.has("--tmax")) {
        return UsageError{"cal --optimise N, o bé --si S i --tmax T"};
    }
    return std::nullopt;
}

int dataError(const std::string& text) {
    std::cerr << "glucosim: " << text << "\n";
    return 1;
}

// Qt's own options of the window program, with and without a value.
const std::set<std::string_view> kQtValueOptions{
    "platform",        "platformpluginpath", "platformtheme", "plugin",
    "qwindowgeometry", "qwindowicon",        "qwindowtitle",  "session",
    "display",         "geometry",           "name",          "title",
    "style",           "stylesheet",         "qmljsdebugger"};
const std::set<std::string_view> kQtFlags{"reverse", "widgetcount", "sync", "nograb", "dograb"};

// The options of the batch mode.
const std::set<std::string_view> kBatchOptions{"--experiment", "--glucose",  "--params",
                                               "--out",        "--optimise", "--si",
                                               "--tmax",       "--csv",      "--plots"};

} // namespace

int usageError(const std::string& text) {
    std::cerr << "glucosim: " << text << "\nProveu \"glucosim --help\".\n";
    return 2;
}

std::optional<std::string> windowUsageError(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const std::string_view name = arg.substr(0, arg.find('='));
        if (kBatchOptions.count(name))
            return "l'opció " + std::string(name) + " només s'admet amb --batch";
        if (arg.size() < 2 || arg[0] != '-')
            return "argument inesperat \"" + printable(arg) +
                   "\": el programa de finestres no en pren cap";
        // Qt reads its options with one dash or two.
        const std::string_view qt = name.substr(name.rfind("--", 0) == 0 ? 2 : 1);
        if (kQtFlags.count(qt) && name == arg) continue;
        if (!kQtValueOptions.count(qt)) return "opció desconeguda \"" + printable(arg) + "\"";
        if (name == arg && ++i >= argc) return "falta el valor de l'opció " + std::string(name);
    }
    return std::nullopt;
}

bool isBatchInvocation(int argc, const char* const* argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--batch" || a == "--help" || a == "-h" || a == "--version") return true;
    }
    return false;
}

int runBatch(int argc, const char* const* argv, const PlotRenderer& plots) {
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        if (a == "--help" || a == "-h") {
            std::cout << kHelp;
            return 0;
        }
        if (a == "--version") {
            std::cout << "glucosim " << kGlucosimVersion << "\n";
            return 0;
        }
    }

    Options o;
    if (const auto err = parseOptions(argc, argv, o)) return usageError(err->text);

    BatchJob job;
    job.experiment = o.experiment;
    job.glucose = o.glucose;
    job.params = o.params;
    job.out = o.out;
    if (o.has("--optimise")) {
        job.criterion = static_cast<Criterion>(o.optimise[0] - '0');
    } else {
        const auto s = parseUserNumber(o.si);
        const auto t = parseUserNumber(o.tmax);
        if (!s || *s < 0)
            return usageError("el valor de --si ha de ser un nombre no negatiu, no \"" +
                              printable(o.si) + "\"");
        if (!t || *t <= 0)
            return usageError("el valor de --tmax ha de ser un nombre positiu, no \"" +
                              printable(o.tmax) + "\"");
        job.sensitivity = *s;
        job.tmax = *t;
    }
    job.csv = o.has("--csv");
    job.plots = o.has("--plots");
    if (job.plots && !plots) return usageError("aquest programa no pot dibuixar gràfics (--plots)");

    const BatchOutcome outcome = runBatchJob(job, plots, std::cerr);
    if (outcome.status == BatchOutcome::Status::Failed) return dataError(outcome.error);
    std::cout << outcome.caption << "\n";
    return outcome.status == BatchOutcome::Status::NotFinite ? 3 : 0;
}

} // namespace glucosim
