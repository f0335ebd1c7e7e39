// Whole files written and read back by the driver's tests.
#pragma once

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace modal::testing {

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
