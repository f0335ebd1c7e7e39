// What rank 0 and the other ranks of solver-mpi send each other. Rank 0
// sends a worker the problem's text (a QSI problem), then roots: boxes of
// the run's queue to pave whole; the worker sends back each root's
// sub-paving with the processor seconds it has spent for the run. Rank 0
// ends every worker with a quit message.
#pragma once

#include <mpi.h>
#include <time.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "solver/sets/sub_paving.h"

namespace modal::mpi {

enum tag : int {
    problem_text = 1, // the problem file's text (chars)
    root = 2,         // a root_header, then the root box's bounds (bytes)
    paving = 3,       // a root's sub-paving (see sub_paving_message)
    stop = 4,         // a limit was reached: stop paving, send what is left (empty)
    quit = 5,         // no more work: the worker ends (empty)
    seconds = 6,      // a worker's processor seconds for the run so far (one double)
};

struct root_header {
    std::uint64_t index = 0; // the root's place among the run's roots
};

struct paving_header {
    std::uint64_t index = 0;          // the root paved
    double seconds = 0;               // the worker's processor seconds for the run so far
    std::uint64_t decided = 0;        // decided boxes
    std::uint64_t levels = 0;         // levels of decided boxes
    std::uint64_t waiting = 0;        // boxes left waiting by a stop
    std::uint64_t memory_ran_out = 0; // 1: the worker passed its memory limit and stopped
    std::uint64_t trace = 0;          // codes of a traced paving (one byte each)
};

// Processor seconds of this process.
inline double process_seconds() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + 1e-9 * static_cast<double>(t.tv_nsec);
}

// Waits for a message from `source` (any tag) without holding a core: looks
// for a while, then sleeps between looks, longer and longer up to
// `longest_ns` (by default a millisecond: a rank waits long only while rank
// 0 solves alone).
inline void wait_for_message(int source, MPI_Status& status, long longest_ns = 1'000'000) {
    int flag = 0;
    long pause_ns = std::min(20'000L, longest_ns);
    for (long looks = 0;; ++looks) {
        MPI_Iprobe(source, MPI_ANY_TAG, MPI_COMM_WORLD, &flag, &status);
        if (flag != 0) return;
        if (looks > 200) {
            const timespec pause{0, pause_ns};
            nanosleep(&pause, nullptr);
            pause_ns = std::min(2 * pause_ns, longest_ns);
        }
    }
}

// A sub-paving as one message: its header, the bounds of its decided boxes
// and of its waiting boxes, its level starts, its kinds and its trace (a
// traced paving sends its trace alone, a byte a box instead of the bounds).
std::vector<unsigned char> sub_paving_message(const sub_paving& p, std::uint64_t index,
                                              double seconds, bool memory_ran_out);
// The sub-paving of such a message (its waiting boxes' depths are not
// sent), and the header; false when the message is not one.
bool read_sub_paving(const std::vector<unsigned char>& message, std::size_t box_doubles,
                     paving_header& header, sub_paving& p);

} // namespace modal::mpi
