// The batch command line of glucosim: the options, the help and the exit
// status of a batch run, whose work the core does.
#pragma once

#include "glucosim/core/batch.h"

namespace glucosim {

// True when the command line asks for the batch mode, its help or the
// version ("--batch", "--help", "-h" or "--version" among the arguments).
bool isBatchInvocation(int argc, const char* const* argv);

// Runs the batch mode. Exit status: 0 success, 1 a data or file error, 2 a
// usage error, 3 a simulation that is not finite (the tables are written). Progress goes to
// standard error, the results caption to standard output.
// `plots` draws the pictures of --plots (without it, --plots is refused).
int runBatch(int argc, const char* const* argv, const PlotRenderer& plots = {});

} // namespace glucosim
