// The temporary files that stand for outputs while they are written. Their
// names say whose they are: ".glucosim-<pid>-<destination name>.<6 characters>"
// in the destination's folder, so that a run killed before it renamed them
// leaves files that a later run recognises and removes.
#pragma once

#include <string>

namespace glucosim {

inline constexpr const char* kTemporaryPrefix = ".glucosim-";

// The mkstemp pattern of the temporary file of `destination` for this process.
std::string temporaryPattern(const std::string& destination);

// Removes from `folder` the temporary files of glucosim processes that no
// longer exist; those of live processes (this one included) stay. Returns
// how many were removed.
int removeStaleTemporaries(const std::string& folder);

} // namespace glucosim
