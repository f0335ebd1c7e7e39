// Writing the outputs of a run so that nothing is lost: every file goes to a
// temporary file beside its destination, and the temporary files replace the
// destinations only when all of them were written in full. A destination that
// is one of the input files is refused before anything is written.
#pragma once

#include "glucosim/core/tables.h"

#include <optional>
#include <string>
#include <vector>

namespace glucosim {

struct OutputFile {
    std::string path;
    std::string bytes; // the whole content
};

// A table in the saved-grid format (tabs and newlines), or as CSV.
std::string gridText(const Table& table);
std::string csvText(const Table& table);
inline OutputFile gridFile(const std::string& path, const Table& table) {
    return {path, gridText(table)};
}
inline OutputFile csvFile(const std::string& path, const Table& table) {
    return {path, csvText(table)};
}

// The first of `outputs` that is the same file as one of `inputs` (by file
// identity when both exist, else by path), with a message; nothing when none.
std::optional<std::string> outputReplacingInput(const std::vector<OutputFile>& outputs,
                                                const std::vector<std::string>& inputs);

// Writes the files. Returns nothing on success, or a Catalan message; on failure every destination
// keeps its earlier content (or stays absent) and no temporary file is left. A destination that
// the user made read-only is refused before anything is written; temporary files that killed
// runs left in the destinations' folders are removed first (see temporary_files.h).
std::optional<std::string> saveTables(const std::vector<OutputFile>& outputs,
                                      const std::vector<std::string>& inputs);

} // namespace glucosim
