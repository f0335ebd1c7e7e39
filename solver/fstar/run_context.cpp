#include "solver/fstar/run_context.h"

#include <pthread.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace modal {

namespace {

// The resident memory is read once in this many calls of a counter: reading
// it opens a file, and the loops that ask make a call per step or per box.
constexpr unsigned kCallsPerReading = 256;

double pageMegabytes() noexcept {
    const long page = sysconf(_SC_PAGESIZE);
    return page > 0 ? static_cast<double>(page) / (1024.0 * 1024.0) : 0.0;
}

double secondsOf(clockid_t clock) noexcept {
    timespec t{};
    if (clock_gettime(clock, &t) != 0) return 0.0;
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

clockid_t ownClock() noexcept {
    clockid_t c = CLOCK_THREAD_CPUTIME_ID;
    if (pthread_getcpuclockid(pthread_self(), &c) != 0) c = CLOCK_THREAD_CPUTIME_ID;
    return c;
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

run_context::run_context(double memoryLimitMegabytes, const std::atomic<bool>* cancel)
    : memoryLimit_(memoryLimitMegabytes > 0.0
                       ? std::min(memoryLimitMegabytes, 2.0 * halfPhysicalMegabytes())
                       : halfPhysicalMegabytes()),
      cancel_(cancel) {}

run_context::worker::worker(run_context& c) : context_(c), clock_(ownClock()) {
    const std::lock_guard<std::mutex> lock(c.mutex_);
    c.working_.push_back({clock_, secondsOf(clock_)});
}

run_context::worker::~worker() {
    const double now = secondsOf(clock_);
    const std::lock_guard<std::mutex> lock(context_.mutex_);
    auto& w = context_.working_;
    const auto it =
        std::find_if(w.begin(), w.end(), [this](const clockStart& s) { return s.clock == clock_; });
    if (it == w.end()) return;
    context_.finished_ += now - it->start;
    w.erase(it);
}

double run_context::seconds() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    double total = finished_;
    for (const clockStart& s : working_)
        total += secondsOf(s.clock) - s.start;
    return total;
}

bool run_context::memoryPassed(unsigned& calls) noexcept {
    if (ranOut_.load(std::memory_order_relaxed)) return true;
    if (calls++ % kCallsPerReading != 0) return false;
    if (residentMegabytes() <= memoryLimit_) return false;
    ranOut_.store(true, std::memory_order_relaxed);
    return true;
}

} // namespace modal
