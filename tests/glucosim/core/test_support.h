// Shared helpers of the glucosim core tests: temporary directories, file
// writing and the sample data set.
#pragma once

#include "glucosim/core/data_files.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace glucosim::test {

// A fresh directory under the system's temporary folder, removed at the end.
class TempDir {
public:
    TempDir() {
        std::string pattern = (std::filesystem::temp_directory_path() / "glucosimXXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return (path_ / name).string(); }
    std::string write(const std::string& name, const std::string& text) const {
        std::ofstream(file(name), std::ios::binary) << text;
        return file(name);
    }

private:
    std::filesystem::path path_;
};

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

inline std::string sampleDir() {
    return MODAL_SOURCE_DIR "/examples/glucosim/";
}

inline std::unique_ptr<DataSet> loadSample() {
    auto d = std::make_unique<DataSet>();
    DataError e;
    const bool ok = loadExperimentAndParameters(*d, sampleDir() + "experiment_pacient3.txt",
                                                sampleDir() + kParameterFileName, e) &&
                    loadGlucose(*d, sampleDir() + "glucosa_pacient3.txt", e);
    if (!ok) ADD_FAILURE() << e.message();
    return d;
}

} // namespace glucosim::test
