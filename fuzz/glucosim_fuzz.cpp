// libFuzzer target: the three data file readers of glucosim and one
// simulation. The input holds the three files one after the other, separated
// by lines that read "%%": experiment file, parameter file, glucose file. The
// parameters are read for the experiment file's patient (patient 1 when the
// experiment file does not read), and when both read, the first experiment is
// simulated with the patient's sensitivity interval.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "glucosim/core/data_files.h"
#include "glucosim/core/simulation.h"

namespace {

// The part of `text` before the next "\n%%\n" (or its end); `text` moves past it.
std::string_view nextPart(std::string_view& text) {
    constexpr std::string_view kSeparator = "\n%%\n";
    const std::size_t at = text.find(kSeparator);
    const std::string_view part = text.substr(0, at);
    text = at == std::string_view::npos ? std::string_view{} : text.substr(at + kSeparator.size());
    return part;
}

std::string writeFile(const std::string& name, std::string_view contents) {
    static const std::filesystem::path dir =
        std::filesystem::temp_directory_path() / ("glucosim-fuzz-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const std::string path = (dir / name).string();
    std::ofstream(path, std::ios::binary | std::ios::trunc)
        .write(contents.data(), static_cast<std::streamsize>(contents.size()));
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string experimentPath = writeFile("experiment.txt", nextPart(text));
    const std::string parameterPath = writeFile("parameters.txt", nextPart(text));
    const std::string glucosePath = writeFile("glucose.txt", nextPart(text));

    glucosim::DataError error;
    glucosim::ExperimentTable experiments;
    const bool haveExperiments = glucosim::readExperimentFile(experimentPath, experiments, error);
    (void)error.message();
    const int patient = haveExperiments ? experiments.patient : 1;
    glucosim::PatientParameters parameters;
    const bool haveParameters =
        glucosim::readParameterFile(parameterPath, patient, parameters, error);
    (void)error.message();
    glucosim::GlucoseTable glucose;
    if (!glucosim::readGlucoseFile(glucosePath, glucose, error)) (void)error.message();

    if (haveExperiments && haveParameters) {
        glucosim::Trajectory trajectory;
        glucosim::simulateExperiment(parameters, glucosim::ExperimentInput::of(experiments.rows[0]),
                                     glucosim::sensitivityInterval(parameters.siNominal()), 40.0,
                                     trajectory);
    }
    return 0;
}
