#include "solver/fstar/memory_limit.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>

namespace modal {

namespace {

double limitSetting = 0.0;
bool ranOut = false;
bool checkedOnce = false;
std::clock_t lastCheck = 0;

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
    return limitSetting > 0.0 ? limitSetting : halfPhysicalMegabytes();
}

void setMemoryLimit(double megabytes) noexcept {
    limitSetting = megabytes;
}

bool memoryRanOut() noexcept {
    return ranOut;
}

void resetMemoryRanOut() noexcept {
    ranOut = false;
    checkedOnce = false;
}

bool memoryLimitPassed() noexcept {
    if (ranOut) return true;
    const std::clock_t now = std::clock();
    if (checkedOnce && now - lastCheck < CLOCKS_PER_SEC / 100) return false;
    checkedOnce = true;
    lastCheck = now;
    ranOut = residentMegabytes() > memoryLimitMegabytes();
    return ranOut;
}

} // namespace modal
