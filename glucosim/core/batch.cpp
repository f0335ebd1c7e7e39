#include "glucosim/core/batch.h"

#include "glucosim/core/computation.h"
#include "glucosim/core/data_files.h"
#include "glucosim/core/float_text.h"
#include "glucosim/core/metrics.h"
#include "glucosim/core/output_files.h"
#include "glucosim/core/provenance.h"
#include "glucosim/core/safe_text.h"
#include "glucosim/core/tables.h"

#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace glucosim {

namespace {

using Status = BatchOutcome::Status;

BatchOutcome failed(std::string error) {
    return {Status::Failed, std::move(error), {}};
}

// The names of every file the job writes, in the order it writes them.
std::vector<std::string> outputNames(const BatchJob& job) {
    const bool optimise = job.criterion.has_value();
    std::vector<std::string> names{"resultats.txt", "glucosa.txt"};
    if (optimise) names.emplace_back("optimitzacio.txt");
    names.insert(names.end(), {"metrics.csv", "run.json"});
    if (job.csv) {
        const auto csvNames = csvFileNames(optimise);
        names.insert(names.end(), csvNames.begin(), csvNames.end());
    }
    if (job.plots) {
        const auto plotNames = plotFileNames(optimise);
        names.insert(names.end(), plotNames.begin(), plotNames.end());
    }
    return names;
}

Results compute(const DataSet& data, const BatchJob& job, std::ostream& log) {
    const std::clock_t start = std::clock();
    Results results;
    if (job.criterion) {
        log << "Optimització amb el criteri \"" << criterionName(*job.criterion) << "\"\n";
        results = computeWithOptimisation(data, *job.criterion, [&log](int index) {
            const int done = index + 1;
            if (done % kSensSteps == 0)
                log << "  parelles calculades: " << done << " de " << kGridPairs << "\n";
        });
        const GridPair& best = results.grid[static_cast<std::size_t>(results.chosenPair)];
        log << "Parella escollida: " << results.chosenPair << " (Tmax=" << FloatToStr(best.tmax)
            << ", Si=" << FloatToStr(best.siMidpoint) << ", valor=" << FloatToStr(best.value)
            << ")\n";
    } else {
        results = computeWithValues(data, job.sensitivity, job.tmax);
    }
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    log << "Temps de càlcul: " << FloatToStr(seconds) << " s\n";
    return results;
}

// The grids, tables and provenance of the results, as files of `dir`.
std::vector<OutputFile> resultFiles(const Results& results, const BatchJob& job,
                                    const std::filesystem::path& dir) {
    const bool optimise = job.criterion.has_value();
    std::vector<OutputFile> outputs;
    const auto path = [&dir](const char* name) { return (dir / name).string(); };
    outputs.push_back(gridFile(path("resultats.txt"), resultsTable(results)));
    outputs.push_back(gridFile(path("glucosa.txt"), glucoseTable(results)));
    if (optimise) outputs.push_back(gridFile(path("optimitzacio.txt"), optimisationTable(results)));
    outputs.push_back(csvFile(path("metrics.csv"), metricsTable(results)));
    outputs.push_back({path("run.json"), runJson(results, std::time(nullptr))});
    if (job.csv) {
        const auto names = csvFileNames(optimise);
        const auto tables = csvTables(results);
        for (std::size_t i = 0; i < names.size(); ++i)
            outputs.push_back(csvFile((dir / names[i]).string(), tables[i]));
    }
    return outputs;
}

} // namespace

BatchOutcome runBatchJob(const BatchJob& job, const PlotRenderer& plots, std::ostream& log) {
    const std::filesystem::path dir(job.out);
    auto data = std::make_unique<DataSet>();
    DataError error;
    Warnings warnings;
    const std::vector<std::string> parameterPaths =
        job.params.empty() ? parameterFileCandidates(job.experiment) : std::vector{job.params};
    if (!loadExperimentAndParameters(*data, job.experiment, parameterPaths, error, &warnings) ||
        !loadGlucose(*data, job.glucose, error, &warnings))
        return failed(error.message());
    for (const std::string& w : warnings)
        log << "glucosim: " << w << "\n";
    log << statusText(*data) << "\n";

    // Refused before any work: an output that would replace an input.
    const std::vector<std::string> inputs{data->experimentPath, data->parameterPath,
                                          data->glucosePath};
    {
        std::vector<OutputFile> planned;
        for (const std::string& name : outputNames(job))
            planned.push_back({(dir / name).string(), {}});
        if (const auto refused = outputReplacingInput(planned, inputs)) return failed(*refused);
    }

    const Results results = compute(*data, job, log);
    const std::vector<std::string> notFinite = nonFiniteWarnings(results);
    for (const std::string& w : notFinite)
        log << "glucosim: avís: " << w << "\n";

    std::vector<OutputFile> outputs = resultFiles(results, job, dir);
    if (job.plots) {
        std::vector<PlotFile> pictures;
        std::string plotError;
        if (!plots(results, pictures, plotError))
            return failed("no s'han pogut dibuixar els gràfics: " + plotError);
        for (PlotFile& p : pictures)
            outputs.push_back({(dir / p.name).string(), std::move(p.bytes)});
    }

    std::error_code ec;
    std::filesystem::create_directories(job.out, ec);
    if (!std::filesystem::is_directory(job.out, ec))
        return failed("no es pot crear el directori de sortida \"" + printable(job.out, 200) +
                      "\"");
    if (const auto saveError = saveTables(outputs, inputs)) return failed(*saveError);
    for (const OutputFile& out : outputs)
        log << "Guardat \"" << printable(out.path, 200) << "\"\n";

    return {notFinite.empty() ? Status::Done : Status::NotFinite, {}, resultsCaption(results)};
}

std::vector<std::string> plotFileNames(bool optimisation) {
    std::vector<std::string> names;
    for (int j = 1; j <= kExperiments; ++j)
        names.push_back((j < 10 ? "experiment_0" : "experiment_") + std::to_string(j) + ".png");
    names.insert(names.end(), {"overview.png", "roc.png"});
    if (optimisation) names.emplace_back("criterion.png");
    return names;
}

} // namespace glucosim
