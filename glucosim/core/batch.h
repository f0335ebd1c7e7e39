// The batch mode of glucosim: the whole computation from the command line,
// without a display, writing the result grids as text files.
#pragma once

#include <functional>
#include <string>
#include <vector>

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

// True when the command line asks for the batch mode, its help or the
// version ("--batch", "--help", "-h" or "--version" among the arguments).
bool isBatchInvocation(int argc, const char* const* argv);

// Runs the batch mode. Exit status: 0 success, 1 a data or file error, 2 a
// usage error, 3 a simulation that is not finite (the tables are written). Progress goes to
// standard error, the results caption to standard output.
// `plots` draws the pictures of --plots (without it, --plots is refused).
int runBatch(int argc, const char* const* argv, const PlotRenderer& plots = {});

} // namespace glucosim
