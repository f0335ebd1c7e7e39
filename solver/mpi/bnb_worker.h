// A rank other than 0 in a distributed F* run: it works on the strips rank 0
// has it given, shares what it proves, and at the end sends what it holds.
#pragma once

#include <string_view>

namespace modal::mpi::bnb {

// Runs the F* problem of `text` (a file rank 0 parsed) with rank 0 until
// the run ends; false when rank 0 said quit instead.
bool serve_run(std::string_view text);

} // namespace modal::mpi::bnb
