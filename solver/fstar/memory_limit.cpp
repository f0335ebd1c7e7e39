#include "solver/fstar/memory_limit.h"

#include <unistd.h>

#include <atomic>
#include <cstdio>

namespace modal {

namespace {

// Read by every thread that runs a solver.
std::atomic<double> limitSetting{0.0};
std::atomic<bool> ranOut{false};

// The resident memory is read once in this many calls of a thread (reading
// it opens a file; the loops that ask make a call per step or per box). A
// count per thread: threads that classify boxes side by side would otherwise
// pass one counter's cache line to and fro at every step.
constexpr unsigned kCallsPerReading = 256;
thread_local unsigned calls = 0;

double pageMegabytes() noexcept {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<double>(page) / (1024.0 * 1024.0) : 0.0;
}

} // namespace

double residentMegabytes() noexcept {
    std::FILE* f = std::fopen("/proc/self/statm", "r");
    if (f == nullptr) return 0.0;
    long size = 0, resident = 0;
    const int read = std::fscanf(f, "%ld %ld", &size, &resident);
    std::fclose(f);
    return read == 2 ? static_cast<double>(resident) * pageMegabytes() : 0.0;
}

double halfPhysicalMegabytes() noexcept {
    const long pages = sysconf(_SC_PHYS_PAGES);
    return pages > 0 ? static_cast<double>(pages) * pageMegabytes() / 2.0 : 1e300;
}

double memoryLimitMegabytes() noexcept {
    const double m = limitSetting.load(std::memory_order_relaxed);
    return m > 0.0 ? m : halfPhysicalMegabytes();
}

void setMemoryLimit(double megabytes) noexcept {
    limitSetting.store(megabytes, std::memory_order_relaxed);
}

bool memoryRanOut() noexcept {
    return ranOut.load(std::memory_order_relaxed);
}

void resetMemoryRanOut() noexcept {
    ranOut.store(false, std::memory_order_relaxed);
    calls = 0;
}

bool memoryLimitPassed() noexcept {
    if (ranOut.load(std::memory_order_relaxed)) return true;
    if (calls++ % kCallsPerReading != 0) return false;
    if (residentMegabytes() <= memoryLimitMegabytes()) return false;
    ranOut.store(true, std::memory_order_relaxed);
    return true;
}

} // namespace modal
