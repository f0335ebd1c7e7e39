// The memory ceiling of a run. The solvers' loops ask a memoryGuard at their
// time test; once the process's resident memory has passed the limit they stop
// as they do when the time runs out, so that a run ends with its partial
// report instead of failing to allocate or being killed by the system.
#pragma once

#include <ctime>

namespace modal {

// Resident memory of the process in megabytes; 0 when it cannot be read.
double residentMegabytes() noexcept;

// Half of the machine's physical memory in megabytes.
double halfPhysicalMegabytes() noexcept;

// The limit of the process in megabytes: what setMemoryLimit last set when it
// was positive, otherwise half of the physical memory.
double memoryLimitMegabytes() noexcept;
void setMemoryLimit(double megabytes) noexcept;

// True once a guard has found the memory above the limit in this process.
bool memoryRanOut() noexcept;
// Forgets that the memory ran out (for a new run in the same process).
void resetMemoryRanOut() noexcept;

// Reads the resident memory at most once per 10 ms of process time, so that
// asking at every step of a loop costs one clock reading.
class memoryGuard {
public:
    memoryGuard() noexcept;
    bool exceeded() noexcept;

private:
    std::clock_t lastCheck_;
    bool exceeded_ = false;
};

} // namespace modal
