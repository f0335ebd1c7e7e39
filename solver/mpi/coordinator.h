// Rank 0 of solver-mpi: it reads the problem and writes every result as
// the solver program does; a QSI run also has its boxes paved by the other
// ranks, and an FSTAR, MINMAX or LOGIC run its strips shared with them.
// CONTRACTOR (and QSI with contraction) runs on rank 0 alone.
#pragma once

#include <atomic>
#include <string_view>

#include "modal/problem.h"
#include "modal/result.h"
#include "modal/solve.h"

namespace modal::mpi {

class coordinator {
public:
    // `ranks`: every rank of the job, rank 0 included.
    explicit coordinator(int ranks) : ranks_(ranks) {}

    // Solves `p` (whose file text is `text`) as modal::solve does.
    result solve(const problem& p, std::string_view text, const run_options& options);
    // Tells every other rank to end.
    void finish();

private:
    int ranks_;
};

} // namespace modal::mpi
