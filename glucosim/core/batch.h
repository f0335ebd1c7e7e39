// The batch run of glucosim: loads the data files, computes, and writes the
// result grids (and the pictures asked for) as files of one folder.
#pragma once

#include <functional>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "glucosim/core/criteria.h"

namespace glucosim {

struct Results;

// One picture of the batch mode: its file name and its PNG bytes.
struct PlotFile {
    std::string name;
    std::string bytes;
};
// Draws the pictures named by plotFileNames for a run's results; false with
// `error` set when it cannot.
using PlotRenderer =
    std::function<bool(const Results& results, std::vector<PlotFile>& files, std::string& error)>;

// experiment_01.png .. experiment_24.png, overview.png, roc.png and, after an
// optimisation, criterion.png.
std::vector<std::string> plotFileNames(bool optimisation);

// What one batch run computes and where it writes.
struct BatchJob {
    std::string experiment;
    std::string glucose;
    // The parameter file; empty: beside the experiment file, else the
    // current folder.
    std::string params;
    std::string out;
    // With a criterion, an optimisation; otherwise the concrete values.
    std::optional<Criterion> criterion;
    double sensitivity = 0.0;
    double tmax = 0.0;
    bool csv = false;
    bool plots = false; // needs a renderer
};

struct BatchOutcome {
    enum class Status {
        Done,
        NotFinite, // a simulation left the finite numbers; the files are written
        Failed     // a data or file error; `error` says which and where
    };
    Status status = Status::Done;
    std::string error;
    std::string caption; // the results caption, when the files are written
};

// Runs the job, writing its progress, warnings and saved files to `log`.
BatchOutcome runBatchJob(const BatchJob& job, const PlotRenderer& plots, std::ostream& log);

} // namespace glucosim
