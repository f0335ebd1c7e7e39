// The batch mode of glucosim: the whole computation from the command line,
// without a display, writing the result grids as text files.
#pragma once

namespace glucosim {

// True when the command line asks for the batch mode or for its help
// ("--batch", "--help" or "-h" among the arguments).
bool isBatchInvocation(int argc, const char* const* argv);

// Runs the batch mode. Exit status: 0 success, 1 a data or file error, 2 a
// usage error, 3 a simulation that is not finite (the tables are written). Progress goes to
// standard error, the results caption to standard output.
int runBatch(int argc, const char* const* argv);

} // namespace glucosim
