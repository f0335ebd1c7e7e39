#include "glucosim/core/output_files.h"

#include "glucosim/core/csv.h"
#include "glucosim/core/safe_text.h"
#include "glucosim/core/system_error_text.h"
#include "glucosim/core/temporary_files.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <sstream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace glucosim {

namespace fs = std::filesystem;

namespace {

std::string quotedPath(const std::string& path) {
    return "\"" + printable(path, 200) + "\"";
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    if (fs::exists(a, ec) && fs::exists(b, ec)) return fs::equivalent(a, b, ec) && !ec;
    const fs::path ca = fs::weakly_canonical(fs::absolute(a, ec), ec);
    const fs::path cb = fs::weakly_canonical(fs::absolute(b, ec), ec);
    return ca == cb;
}

// Mode of a new file: that of the file it replaces, else 0666 less the umask.
mode_t modeFor(const std::string& destination) {
    struct stat st {};
    if (::stat(destination.c_str(), &st) == 0) return st.st_mode & 07777;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return 0666 & ~mask;
}

bool writeAll(int fd, const std::string& text) {
    const char* p = text.data();
    std::size_t left = text.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        p += n;
        left -= static_cast<std::size_t>(n);
    }
    return true;
}

struct TempFile {
    std::string path;
    std::string destination;
};

void removeAll(const std::vector<TempFile>& temps) {
    for (const TempFile& t : temps)
        ::unlink(t.path.c_str());
}

// Writes one table to a new temporary file in the destination's folder.
std::optional<std::string> writeTemp(const OutputFile& out, std::vector<TempFile>& temps) {
    std::string pattern = temporaryPattern(out.path);
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0)
        return "no es pot escriure el fitxer " + quotedPath(out.path) + ": " +
               systemErrorText(errno);
    temps.push_back({pattern, out.path});
    bool ok = writeAll(fd, out.bytes) && ::fchmod(fd, modeFor(out.path)) == 0 && ::fsync(fd) == 0;
    const int error = errno;
    ok = (::close(fd) == 0) && ok;
    if (!ok)
        return "no es pot escriure el fitxer " + quotedPath(out.path) + ": " +
               systemErrorText(error ? error : errno);
    return std::nullopt;
}

// Why an existing destination may not be replaced, or nothing. A file that
// its owner made read-only is kept, although the folder would let a new file
// take its place; a file nobody may write counts as read-only for the
// superuser too.
std::optional<std::string> notReplaceable(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
    int error = 0;
    if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        error = EACCES;
    else if (::access(path.c_str(), W_OK) != 0)
        error = errno;
    if (error == 0) return std::nullopt;
    return "no es pot escriure el fitxer " + quotedPath(path) + ": " + systemErrorText(error);
}

std::string folderOf(const std::string& path) {
    const fs::path p(path);
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

} // namespace

std::string gridText(const Table& table) {
    std::ostringstream text;
    writeTable(text, table);
    return text.str();
}

std::string csvText(const Table& table) {
    std::ostringstream text;
    writeCsv(text, table);
    return text.str();
}

std::optional<std::string> outputReplacingInput(const std::vector<OutputFile>& outputs,
                                                const std::vector<std::string>& inputs) {
    for (const OutputFile& out : outputs)
        for (const std::string& in : inputs)
            if (!in.empty() && sameFile(out.path, in))
                return "el fitxer de sortida " + quotedPath(out.path) +
                       " és un dels fitxers de dades (" + quotedPath(in) +
                       "): no s'ha guardat res; trieu un altre nom o un altre directori";
    return std::nullopt;
}

std::optional<std::string> saveTables(const std::vector<OutputFile>& outputs,
                                      const std::vector<std::string>& inputs) {
    if (auto refused = outputReplacingInput(outputs, inputs)) return refused;
    for (const OutputFile& out : outputs)
        if (auto refused = notReplaceable(out.path)) return refused;
    // Temporary files that killed runs left in these folders.
    std::vector<std::string> folders;
    for (const OutputFile& out : outputs)
        if (std::find(folders.begin(), folders.end(), folderOf(out.path)) == folders.end())
            folders.push_back(folderOf(out.path));
    for (const std::string& folder : folders)
        removeStaleTemporaries(folder);
    std::vector<TempFile> temps;
    for (const OutputFile& out : outputs) {
        std::error_code ec;
        if (fs::is_directory(out.path, ec)) {
            removeAll(temps);
            return "no es pot escriure el fitxer " + quotedPath(out.path) + ": és un directori";
        }
        if (auto error = writeTemp(out, temps)) {
            removeAll(temps);
            return error;
        }
    }
    for (std::size_t i = 0; i < temps.size(); ++i) {
        if (std::rename(temps[i].path.c_str(), temps[i].destination.c_str()) != 0) {
            const std::string error = systemErrorText(errno);
            removeAll({temps.begin() + static_cast<std::ptrdiff_t>(i), temps.end()});
            return "no es pot guardar el fitxer " + quotedPath(temps[i].destination) + ": " + error;
        }
    }
    return std::nullopt;
}

} // namespace glucosim
