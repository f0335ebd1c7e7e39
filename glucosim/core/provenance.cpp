#include "glucosim/core/provenance.h"

#include "glucosim/core/float_text.h"

#include <QCryptographicHash>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace glucosim {

const char* const kGlucosimVersion = MODAL_VERSION;

namespace {

// The roles of the three input files in run.json and in the window's text.
const char* kInputRoles[] = {"experiment", "parameters", "glucose"};
const char* kInputRoleCaptions[] = {"experiment", "paràmetres", "glucosa"};

QString text(const std::string& s) {
    return QString::fromStdString(s);
}

std::string utcDate(std::time_t when) {
    std::tm tm{};
    gmtime_r(&when, &tm);
    char buf[32];
    std::strftime(buf, sizeof buf, "%Y-%m-%dT%H:%M:%SZ", &tm);
    return buf;
}

const GridPair* chosen(const Results& r) {
    if (r.mode != Mode::Optimisation || r.chosenPair < 0 ||
        static_cast<std::size_t>(r.chosenPair) >= r.grid.size())
        return nullptr;
    return &r.grid[static_cast<std::size_t>(r.chosenPair)];
}

} // namespace

std::string fileSha256(const std::string& path) {
    QFile f(text(path));
    if (!f.open(QIODevice::ReadOnly)) return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!hash.addData(&f)) return {};
    return hash.result().toHex().toStdString();
}

std::string runJson(const Results& r, std::time_t when) {
    QJsonObject o;
    o["program"] = "glucosim";
    o["version"] = kGlucosimVersion;
    o["date"] = text(utcDate(when));
    QJsonArray inputs;
    for (std::size_t i = 0; i < r.inputFiles.size() && i < 3; ++i)
        inputs.append(QJsonObject{{"role", kInputRoles[i]},
                                  {"path", text(r.inputFiles[i])},
                                  {"sha256", text(fileSha256(r.inputFiles[i]))}});
    o["inputs"] = inputs;
    o["patient"] = r.patient;
    const bool optimise = r.mode == Mode::Optimisation;
    o["mode"] = optimise ? "optimisation" : "concrete_values";
    if (optimise) {
        o["criterion"] = static_cast<int>(r.criterion);
        o["criterion_name"] = text(criterionName(r.criterion));
    }
    QJsonObject pair{{"tmax_min", r.tmax},
                     {"si_inf", r.si.inf()},
                     {"si_sup", r.si.sup()},
                     {"si_midpoint", r.siMidpoint()}};
    if (const GridPair* p = chosen(r)) {
        pair["index"] = r.chosenPair;
        pair["value"] = p->value;
        o["tied_pairs"] = tiedPairs(r.grid, r.chosenPair);
        o["non_finite_pairs"] = r.nonFinitePairs;
    }
    o["pair"] = pair;
    return QJsonDocument(o).toJson(QJsonDocument::Indented).toStdString();
}

std::string provenanceText(const Results& r) {
    std::string t = "glucosim " + std::string(kGlucosimVersion) + "\n";
    for (std::size_t i = 0; i < r.inputFiles.size() && i < 3; ++i)
        t += std::string("Fitxer (") + kInputRoleCaptions[i] + "): " + r.inputFiles[i] +
             "\n  SHA-256 " + fileSha256(r.inputFiles[i]) + "\n";
    t += "Pacient " + std::to_string(r.patient) + "\n";
    if (const GridPair* p = chosen(r)) {
        t += "Càlcul amb optimització, criteri \"" + criterionName(r.criterion) + "\"\n";
        t += "Parella escollida: " + std::to_string(r.chosenPair) + " (valor " +
             FloatToStr(p->value) + "; " + std::to_string(tiedPairs(r.grid, r.chosenPair)) +
             " parelles amb el mateix valor)\n";
    } else {
        t += "Càlcul amb Si i TmaxG concrets\n";
    }
    t += "Si=[" + FloatToStr(r.si.inf()) + ", " + FloatToStr(r.si.sup()) +
         "], TmaxG=" + FloatToStr(r.tmax) + "\n";
    return t;
}

} // namespace glucosim
