// What the ranks of solver-mpi send each other in a distributed F* branch
// and bound (FSTAR, MINMAX, LOGIC). Every rank runs the solver on strips of
// its own; rank 0 also brokers: it shares the best inner approximation any
// rank has proven, has a busy rank hand strips to an idle one, and ends the
// run once every rank is idle (or a limit is reached), gathering what each
// holds.
//
// A strip crosses as its Xp box alone (its cells are made anew where it
// lands); the fixed messages are arrays of doubles.
#pragma once

#include <mpi.h>

#include <array>
#include <cstdint>
#include <vector>

namespace modal::mpi::bnb {

enum tag : int {
    problem = 10, // 0 -> w: the problem file's text (chars): a run starts
    report = 11,  // w -> 0: a report (below)
    bounds = 12,  // 0 -> w: the run's inner approximation (two doubles)
    give = 13,    // 0 -> w: hand rank 0 up to this many strips (one double)
    strips = 14,  // w -> 0: the strips handed over (a strip list, maybe empty)
    grant = 15,   // 0 -> w: strips to work on (a strip list)
    collect = 16, // 0 -> w: the run ends: say what you hold (empty)
    held = 17,    // w -> 0: what a rank holds at the end (below)
    end = 18,     // 0 -> w: the run's twin (four doubles): finish
    cells = 19,   // w -> 0: the rank's last figures and gathered cells (below)
};

// A worker's report: its inner approximation, its processor seconds for the
// run, its agenda's size, the grants it has taken, whether it is idle (its
// run would end by its own tests: 1, or 2 when it gave up on a statement
// whose twin stopped moving) and whether it passed its memory limit.
struct report_message {
    double inn_inf = 0, inn_sup = 0;
    double seconds = 0;
    double agenda = 0;
    double grants = 0;
    double idle = 0;
    double memory = 0;
};

// Why a rank's run would end, as far as the whole computation cares.
enum class local_end : int {
    busy = 0,
    tolerance = 1,
    matching = 2,
    floor = 3,
    empty = 4,
    stalled = 5,
    memory = 6,
    other = 7, // a verdict, undefined points, or a step limit
};

// What a rank holds when the run ends: its own twin (inner then outer), its
// seconds, its agenda's size, whether its objective met undefined points,
// and why its run would have ended.
struct held_message {
    double inn_inf = 0, inn_sup = 0, out_inf = 0, out_sup = 0;
    double seconds = 0;
    double agenda = 0;
    double undefined = 0;
    double end = 0;
};

// After the end: steps, seconds, whether the constraints ruled out all the
// rank held, whether it gathered cells for the MinMax post-processing (of
// the minimum, of the maximum), and the count of the boxes it joined them
// into and of doubles in each (the inf and sup of each Xp then Xi variable,
// the twin: inner inf, sup, outer inf, sup, and 1 for a box of the minimum,
// 0 of the maximum); the boxes follow.
struct cells_header {
    double steps = 0;
    double seconds = 0;
    double no_solution = 0;
    double gathered_min = 0;
    double gathered_max = 0;
    double count = 0;
    double doubles = 0;
};
inline constexpr std::size_t kCellsHeader = 7;

template <class T> void send_struct(const T& m, int to, int t) {
    MPI_Send(&m, static_cast<int>(sizeof m), MPI_BYTE, to, t, MPI_COMM_WORLD);
}

// Receives the message `status` announced as doubles.
inline std::vector<double> receive_doubles(const MPI_Status& status) {
    int bytes = 0;
    MPI_Get_count(&status, MPI_BYTE, &bytes);
    std::vector<double> v(static_cast<std::size_t>(bytes) / sizeof(double));
    MPI_Recv(v.data(), bytes, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    return v;
}

// Receives the message `status` announced into `m` (false when its size is
// not the struct's: the message is dropped).
template <class T> bool receive_struct(const MPI_Status& status, T& m) {
    int bytes = 0;
    MPI_Get_count(&status, MPI_BYTE, &bytes);
    if (bytes != static_cast<int>(sizeof m)) {
        std::vector<char> dropped(static_cast<std::size_t>(bytes));
        MPI_Recv(dropped.data(), bytes, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
                 MPI_STATUS_IGNORE);
        return false;
    }
    MPI_Recv(&m, bytes, MPI_BYTE, status.MPI_SOURCE, status.MPI_TAG, MPI_COMM_WORLD,
             MPI_STATUS_IGNORE);
    return true;
}

inline void send_doubles(const std::vector<double>& v, int to, int t) {
    MPI_Send(v.data(), static_cast<int>(v.size() * sizeof(double)), MPI_BYTE, to, t,
             MPI_COMM_WORLD);
}

} // namespace modal::mpi::bnb
