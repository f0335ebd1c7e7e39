// What one run of the solver works under: its clock, its memory limit and
// its cancel flag. Every object of a run (the F* solver, and the constraint
// solvers of each thread that classifies boxes) refers to the run's context;
// nothing here is shared between two runs, so runs in one process do not
// count each other's time or stop each other.
#pragma once

#include <time.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <vector>

namespace modal {

// Resident memory of the process in megabytes; 0 when it cannot be read.
double residentMegabytes() noexcept;
// Half of the machine's physical memory in megabytes.
double halfPhysicalMegabytes() noexcept;

class run_context {
public:
    // `memoryLimitMegabytes` <= 0 (or NaN) is half of the physical memory;
    // more than the physical memory is the physical memory.
    // `cancel`, when given, is a flag another thread may raise: the run then
    // stops at its next check, as at a time limit.
    explicit run_context(double memoryLimitMegabytes = 0,
                         const std::atomic<bool>* cancel = nullptr);
    run_context(const run_context&) = delete;
    run_context& operator=(const run_context&) = delete;

    // The calling thread works for the run while this object lives: its
    // processor time counts for the run from the worker's creation.
    class worker {
    public:
        explicit worker(run_context& c);
        ~worker();
        worker(const worker&) = delete;
        worker& operator=(const worker&) = delete;

    private:
        run_context& context_;
        clockid_t clock_;
    };

    // Processor seconds of the run's threads, each counted from the moment
    // it began to work for the run (those that finished included).
    double seconds() const;

    bool cancelled() const noexcept {
        return cancel_ != nullptr && cancel_->load(std::memory_order_relaxed);
    }

    double memoryLimitMegabytes() const noexcept { return memoryLimit_; }
    // True once the resident memory has been found above the limit; from
    // then on every call says so. A caller reads the memory once in 256 of
    // its own calls, counted in `calls` (one counter per thread or per
    // solver, so that threads do not share a counter's cache line).
    bool memoryPassed(unsigned& calls) noexcept;
    bool memoryRanOut() const noexcept { return ranOut_.load(std::memory_order_relaxed); }
    // Another process working for the run found its own memory above the
    // limit: the run stops as if this one had.
    void noteMemoryRanOut() noexcept { ranOut_.store(true, std::memory_order_relaxed); }

private:
    struct clockStart {
        clockid_t clock;
        double start;
    };
    double memoryLimit_;
    const std::atomic<bool>* cancel_;
    std::atomic<bool> ranOut_{false};
    mutable std::mutex mutex_;
    std::vector<clockStart> working_;
    double finished_ = 0.0; // seconds of the workers gone
};

// Points a solver's context at one of its own while it lives, when the
// solver was given none: a solver run on its own is a run of its own.
class own_context {
public:
    own_context(run_context*& slot, double memoryLimitMegabytes = 0) : slot_(slot), given_(slot) {
        if (given_ != nullptr) return;
        own_.emplace(memoryLimitMegabytes);
        working_.emplace(*own_);
        slot_ = &*own_;
    }
    ~own_context() { slot_ = given_; }
    own_context(const own_context&) = delete;
    own_context& operator=(const own_context&) = delete;

private:
    run_context*& slot_;
    run_context* given_;
    std::optional<run_context> own_;
    std::optional<run_context::worker> working_;
};

} // namespace modal
