// What rank 0 and the other ranks of solver-mpi send each other. Rank 0
// sends a worker the problem's text (a QSI problem), then pieces of work:
// boxes of the run's queue by their numbers; the worker sends back their
// verdicts with the processor seconds it has spent for the run. Rank 0 ends
// every worker with a quit message.
#pragma once

#include <mpi.h>
#include <time.h>

#include <cstdint>

namespace modal::mpi {

enum tag : int {
    problem_text = 1, // the problem file's text (chars)
    boxes = 2,        // a boxes_header, then the bounds of its boxes (bytes)
    verdicts = 3,     // a verdicts_header, then one verdict code per box (bytes)
    quit = 4,         // no more work: the worker ends (empty)
};

struct boxes_header {
    std::uint64_t first = 0; // number of the first box in the run
    std::uint64_t count = 0; // boxes that follow
};

struct verdicts_header {
    std::uint64_t first = 0;
    std::uint64_t count = 0;
    double seconds = 0; // the worker's processor seconds for the run so far
};

// Processor seconds of this process.
inline double process_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Waits for a message from `source` (any tag) without holding a core: looks
// for a while, then sleeps between looks. False, without a message, once
// `stop` says so (checked between looks).
template <class Stop> bool wait_for_message(int source, MPI_Status& status, Stop stop) {
    int flag = 0;
    for (long looks = 0;; ++looks) {
        MPI_Iprobe(source, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &status);
        if (flag != 0) return true;
        if (stop()) return false;
        if (looks > 200) {
            const timespec pause{0, 20'000};
            nanosleep(&pause, nullptr);
        }
    }
}

} // namespace modal::mpi
