// Result files written whole or not at all. Each file of a run is written
// into a temporary file beside it (named after the file and the process)
// and takes the file's place only when every file of the run is complete:
// at any instant a result file is the whole result of one run, the old one
// or the new one. The files of a run replace the old ones together, under a
// lock that runs on the same problem file share, so that the report and the
// pictures a user reads together come from one run.
#pragma once

#include <atomic>
#include <functional>
#include <iosfwd>
#include <mutex>
#include <string>
#include <vector>

namespace modal {

class result_files {
public:
    // `lock_path`: a file every run on the same problem opens (the problem
    // file itself); `stop`: when raised, no staged file replaces anything.
    result_files(std::string lock_path, const std::atomic<int>* stop = nullptr);
    ~result_files();
    result_files(const result_files&) = delete;
    result_files& operator=(const result_files&) = delete;

    // Writes the file `path` as `write` writes it, into its temporary file.
    // False, with `reason` saying why in the system's words, when it could
    // not be written whole (the write, the flush and the close checked).
    bool stage(const std::string& path, const std::function<void(std::ostream&)>& write,
               std::string& reason);
    // Whether `path` may be replaced (not a file made read-only); else
    // `reason` says why not.
    static bool replaceable(const std::string& path, std::string& reason);
    // A file that a caller writes at `temporary_for(path)` and then stages
    // with `adopt`.
    std::string temporary_for(const std::string& path) const;
    void adopt(const std::string& path);

    // Every staged file replaces its destination, in the order staged.
    // Returns the files that could not replace theirs, with the reasons.
    std::vector<std::pair<std::string, std::string>> commit();
    // Removes the temporary files not yet committed.
    void discard() noexcept;

private:
    std::string lock_;
    const std::atomic<int>* stop_;
    // Destinations (their temporaries by temporary_for); files are staged
    // from two threads at once.
    std::mutex mutex_;
    std::vector<std::string> staged_;
};

} // namespace modal
