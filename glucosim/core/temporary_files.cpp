#include "glucosim/core/temporary_files.h"

#include <cerrno>
#include <charconv>
#include <filesystem>
#include <string_view>

#include <signal.h>
#include <sys/types.h>
#include <unistd.h>

namespace glucosim {

namespace fs = std::filesystem;

namespace {

// The process id in a temporary file's name, or 0 when the name is not one.
pid_t ownerOf(std::string_view name) {
    const std::string_view prefix = kTemporaryPrefix;
    if (name.substr(0, prefix.size()) != prefix) return 0;
    name.remove_prefix(prefix.size());
    long pid = 0;
    const auto [end, ec] = std::from_chars(name.data(), name.data() + name.size(), pid);
    if (ec != std::errc() || end == name.data() || end == name.data() + name.size() ||
        *end != '-' || pid <= 0)
        return 0;
    return static_cast<pid_t>(pid);
}

bool alive(pid_t pid) {
    return ::kill(pid, 0) == 0 || errno != ESRCH;
}

} // namespace

std::string temporaryPattern(const std::string& destination) {
    const fs::path dest(destination);
    const fs::path dir = dest.has_parent_path() ? dest.parent_path() : fs::path(".");
    return (dir / (std::string(kTemporaryPrefix) + std::to_string(::getpid()) + "-" +
                   dest.filename().string() + ".XXXXXX"))
        .string();
}

int removeStaleTemporaries(const std::string& folder) {
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        const pid_t pid = ownerOf(it->path().filename().string());
        std::error_code kindError;
        if (pid == 0 || alive(pid) || !it->is_regular_file(kindError)) continue;
        std::error_code removeError;
        if (fs::remove(it->path(), removeError)) ++removed;
    }
    return removed;
}

} // namespace glucosim
