// Solving a problem: the algorithm it names, under the limits of a run.
#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <optional>

#include "modal/problem.h"
#include "modal/result.h"

namespace modal {

// Where a run stands, for a progress display.
struct progress {
    modal::algorithm algorithm = modal::algorithm::none;
    long steps = 0; // F* steps so far
    double tol = 0; // the current Tol of an F* run
    // QSI: boxes decided of each kind so far, and boxes still to decide.
    std::size_t solution = 0, non_solution = 0, undefined = 0, waiting = 0;
    double seconds = 0; // processor seconds so far
};

// What belongs to a run rather than to its problem. A limit left unset is
// the problem's own (Time, QSITime, MemoryLimit, Threads).
struct run_options {
    std::optional<double> time_limit;      // seconds of processor time
    std::optional<double> memory_limit_mb; // resident megabytes of the process
    std::optional<int> threads;            // QSI: threads that classify boxes (0: every core)
    // Raised by another thread, the run stops where it checks its time
    // limit (at once, within a step or a box), as it does at a time limit.
    const std::atomic<bool>* cancel = nullptr;
    // Called on the run's thread at most every `progress_every` seconds of
    // wall time.
    std::function<void(const progress&)> on_progress;
    double progress_every = 0.1;
    // Where an F* run with ScreenOut=1 writes its step lines (nowhere when
    // null).
    std::ostream* step_lines = nullptr;
};

// Runs the algorithm the problem names on a copy of it. Runs share nothing:
// several may go on in several threads at once, each counting only its own
// threads' time.
result solve(const problem& p, const run_options& options = {});

} // namespace modal
