// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace modal::testing {

class temp_dir {
public:
    temp_dir() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "solver-test-XXXXXX").string();
        if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
        path_ = pattern;
    }
    ~temp_dir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    temp_dir(const temp_dir&) = delete;
    temp_dir& operator=(const temp_dir&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

private:
    std::filesystem::path path_;
};

inline void write_file(const std::string& name, const std::string& contents) {
    std::ofstream(name, std::ios::binary) << contents;
}

// The file's contents, or "<none>" when it does not exist.
inline std::string read_file(const std::string& name) {
    if (std::filesystem::is_directory(name)) return "<directory>";
    std::ifstream in(name, std::ios::binary);
    if (!in) return "<none>";
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace modal::testing
