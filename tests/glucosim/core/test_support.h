// Shared helpers of the glucosim tests: temporary folders, file reading and
// the sample data set.
#pragma once

#include "glucosim/core/data_files.h"
#include "tests/support/temp_dir.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>

namespace glucosim::test {

using test_support::TempDir;

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
