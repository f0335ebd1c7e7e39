// The ranks of solver-mpi other than 0: they pave the roots rank 0 hands
// them, or work on the strips of an F* run, and write nothing.
#pragma once

namespace modal::mpi {

// Serves rank 0 until it says quit; returns the exit status.
int serve_rank_0();

} // namespace modal::mpi
