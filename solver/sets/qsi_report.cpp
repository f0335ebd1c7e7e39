#include <fstream>
#include <locale>
#include <ostream>

#include "solver/sets/qsi.h"

namespace modal {

namespace {

// Boxes put into text this many at a time before they are written.
constexpr std::size_t kBoxesPerWrite = 4096;

// Every box of `boxes` in its text form, bounds with 4 significant digits.
void writeBoxes(std::ostream& os, const boxStore& boxes) {
    // A stream in the classic locale without format flags writes numbers
    // as the text form does; any other goes through the stream.
    const bool plain = os.getloc() == std::locale::classic() &&
                       (os.flags() & (std::ios::floatfield | std::ios::showpos |
                                      std::ios::uppercase | std::ios::showpoint)) == 0;
    if (!plain) {
        for (std::size_t i = 0; i < boxes.size(); ++i)
            boxes.print(os, i);
        return;
    }
    std::string text;
    for (std::size_t i = 0; i < boxes.size(); i += kBoxesPerWrite) {
        text.clear();
        boxes.appendText(text, i, i + kBoxesPerWrite, 4);
        os.write(text.data(), static_cast<std::streamsize>(text.size()));
    }
}

} // namespace

void qsi::writeReport(std::ostream& os, double elapsedSeconds) const {
    const std::streamsize oldPrecision = os.precision(4);
    os << "Solution File:"
       << "\n\n";
    os << "Computation Time:" << elapsedSeconds << "\n\n";
    os << "Solution Boxes:"
       << "\n\n";
    writeBoxes(os, solutions_);
    os << "\n\n"
       << "Non Solution Boxes:"
       << "\n\n";
    writeBoxes(os, nonSolutions_);
    os << "\n\n"
       << "Undefined Boxes:"
       << "\n\n";
    writeBoxes(os, undefined_);
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
