// The memory ceiling of a run. The solvers' loops ask memoryLimitPassed at
// their time test; once the process's resident memory has passed the limit they stop
// as they do when the time runs out, so that a run ends with its partial
// report instead of failing to allocate or being killed by the system.
#pragma once

namespace modal {

// Resident memory of the process in megabytes; 0 when it cannot be read.
double residentMegabytes() noexcept;

// Half of the machine's physical memory in megabytes.
double halfPhysicalMegabytes() noexcept;

// The limit of the process in megabytes: what setMemoryLimit last set when it
// was positive, otherwise half of the physical memory.
double memoryLimitMegabytes() noexcept;
void setMemoryLimit(double megabytes) noexcept;

// True once the resident memory has been found above the limit; from then on
// every call says so until resetMemoryRanOut. Each thread reads the memory
// once every 256 of its calls (safe from any thread), so asking at every step
// of every loop (the many short constraint runs of QSI included) costs an
// increment of a counter of the thread's own.
bool memoryLimitPassed() noexcept;
// True when memoryLimitPassed has said so since the last reset.
bool memoryRanOut() noexcept;
// Forgets that the memory ran out (for a new run in the same process).
void resetMemoryRanOut() noexcept;

} // namespace modal
