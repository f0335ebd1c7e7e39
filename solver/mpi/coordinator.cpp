#include "solver/mpi/coordinator.h"

#include "solver/api/distributed.h"
#include "solver/mpi/bnb_broker.h"
#include "solver/mpi/farm.h"
#include "solver/mpi/messages.h"

namespace modal::mpi {

result coordinator::solve(const problem& p, std::string_view text, const run_options& options) {
    if (ranks_ < 2) return modal::solve(p, options);
    const std::string& algorithm = p.algorithm();
    if (algorithm == "FSTAR" || algorithm == "MINMAX" || algorithm == "LOGIC") {
        // Every rank runs the problem, on the strips the run hands it.
        for (int r = 1; r < ranks_; ++r)
            MPI_Send(text.data(), static_cast<int>(text.size()), MPI_CHAR, r, bnb::tag::problem,
                     MPI_COMM_WORLD);
        bnb::broker exchange(ranks_ - 1);
        return modal::solve(p, options, exchange);
    }
    if (algorithm != "QSI") return modal::solve(p, options);
    // Each worker reads the text as rank 0 did and prepares the constraints
    // the same way, so that it paves a box as rank 0 would.
    for (int r = 1; r < ranks_; ++r)
        MPI_Send(text.data(), static_cast<int>(text.size()), MPI_CHAR, r, tag::problem_text,
                 MPI_COMM_WORLD);
    farm workers(ranks_ - 1, options.cancel);
    return modal::solve(p, options, workers);
}

void coordinator::finish() {
    for (int r = 1; r < ranks_; ++r)
        MPI_Send(nullptr, 0, MPI_BYTE, r, tag::quit, MPI_COMM_WORLD);
}

} // namespace modal::mpi
