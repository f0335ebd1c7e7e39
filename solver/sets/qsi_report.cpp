#include <fstream>
#include <ostream>

#include "solver/sets/qsi.h"

namespace modal {

void qsi::writeReport(std::ostream& os, double elapsedSeconds) const {
    const std::streamsize oldPrecision = os.precision(4);
    os << "Solution File:"
       << "\n\n";
    os << "Computation Time:" << elapsedSeconds << "\n\n";
    os << "Solution Boxes:"
       << "\n\n";
    for (std::size_t i = 0; i < solutions_.size(); ++i)
        solutions_.print(os, i);
    os << "\n\n"
       << "Non Solution Boxes:"
       << "\n\n";
    for (std::size_t i = 0; i < nonSolutions_.size(); ++i)
        nonSolutions_.print(os, i);
    os << "\n\n"
       << "Undefined Boxes:"
       << "\n\n";
    for (std::size_t i = 0; i < undefined_.size(); ++i)
        undefined_.print(os, i);
    os.precision(oldPrecision);
}

bool qsi::writeReport(const std::string& prefix, double elapsedSeconds) const {
    std::ofstream file(prefix + "Solution.txt", std::ios::out | std::ios::trunc);
    if (!file) return false;
    writeReport(file, elapsedSeconds);
    file.close();
    return !file.fail();
}

} // namespace modal
