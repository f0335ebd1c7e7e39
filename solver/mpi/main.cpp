// mpirun -n N solver-mpi BASENAME: solves the problem in BASENAME.txt as
// solver does, with the paving of set inversion and the branch and bound
// of F* shared by every rank.
// Rank 0 reads the problem and alone writes the output and the result files.
#include <mpi.h>

#include "solver/driver/program.h"
#include "solver/mpi/coordinator.h"
#include "solver/mpi/worker.h"

int main(int argc, char** argv) {
    int provided = 0;
    MPI_Init_thread(&argc, &argv, MPI_THREAD_FUNNELED, &provided);
    int rank = 0, ranks = 1;
    MPI_Comm_rank(MPI_COMM_WORLD, &rank);
    MPI_Comm_size(MPI_COMM_WORLD, &ranks);
    int status = 0;
    if (rank == 0) {
        modal::mpi::coordinator c(ranks);
        status = modal::solver_program(
            argc, argv,
            [&c](const modal::problem& p, std::string_view text, const modal::run_options& o) {
                return c.solve(p, text, o);
            });
        c.finish();
    } else {
        status = modal::mpi::serve_rank_0();
    }
    MPI_Finalize();
    return status;
}
