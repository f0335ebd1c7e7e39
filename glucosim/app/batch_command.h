// The command line of glucosim: the options, the help and the exit status of
// a batch run, whose work the core does, and the options of the window program.
#pragma once

#include "glucosim/core/batch.h"

#include <optional>
#include <string>

namespace glucosim {

// True when the command line asks for the batch mode, its help or the
// version ("--batch", "--help", "-h" or "--version" among the arguments).
bool isBatchInvocation(int argc, const char* const* argv);

// The usage error of a command line of the window program, which takes Qt's
// own options (-platform NAME, -style NAME, -reverse, ...) and nothing else:
// an unknown option, an argument, or a batch option without --batch. Empty
// when there is none.
std::optional<std::string> windowUsageError(int argc, const char* const* argv);
// Writes a usage error to standard error, with the advice to read the help;
// returns the exit status of a usage error, 2.
int usageError(const std::string& text);

// Runs the batch mode. Exit status: 0 success, 1 a data or file error, 2 a
// usage error, 3 a simulation that is not finite (the tables are written). Progress goes to
// standard error, the results caption to standard output.
// `plots` draws the pictures of --plots (without it, --plots is refused).
int runBatch(int argc, const char* const* argv, const PlotRenderer& plots = {});

} // namespace glucosim
