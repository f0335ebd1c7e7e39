// The F* report: problem_name + "Solution.txt".
#include <cmath>
#include <fstream>
#include <ios>
#include <ostream>

#include "interval/directed_text.h"
#include "solver/fstar/fstar.h"

namespace modal {

int reportDecimals(double tolerance) noexcept {
    double x = tolerance;
    for (int k = 0; k <= 16; ++k) {
        if (std::trunc(x) != 0.0 && !std::isnan(x)) return k;
        x *= 10.0;
    }
    return 16;
}

void fstar::writeReport(double elapsedSeconds) {
    std::ofstream f(settings.problem_name + "Solution.txt", std::ios::out | std::ios::trunc);
    reportWritten = false;
    if (!f) return;
    writeReport(f, elapsedSeconds);
    f.close();
    reportWritten = !f.fail();
}

void fstar::writeReport(std::ostream& os, double elapsedSeconds) {
    const twin& g = globalTwin;
    os.precision(3);
    os.unsetf(std::ios::floatfield);
    // A run stopped by the memory limit is as partial as one stopped by time.
    if (settings.time_limit >= elapsedSeconds && settings.stop_reason != "Memory")
        os << "Computation Time (s):" << elapsedSeconds << "\n\n";
    else
        os << "WARNING: TimeOut => Partial solution provided"
           << "\n\n";

    os.precision(reportDecimals(settings.tolerance));
    os.setf(std::ios::scientific, std::ios::floatfield);

    if (settings.logic_mode == inclusionStop::withVerdict) {
        static constexpr const char* kVerdicts[] = {"False", "True", "Perhaps"};
        os << "Consistency: " << kVerdicts[logicVerdict()] << "\n\n";
    }

    // Every number below claims what the computed one does: the bounds of
    // the extreme and the outer bounds are rounded outward to the printed
    // digits, the inner bounds inward, Tol upward.
    auto tol = [&os](double t) {
        os << "Tol: ";
        writeDirected(os, t, rounding::up);
        os << "\n\n";
    };
    const bool proper = allProper();
    const bool improper = !proper && allImproper();
    switch (settings.optim) {
    case optimBound::lower:
        os << (proper     ? "Min Approximation:"
               : improper ? "Max Approximation:"
                          : "MinMax Approximation:");
        writeInterval(os, g.minTwin(), kOutward);
        os << "\n";
        tol(g.lowerDistance());
        break;
    case optimBound::upper:
        os << (proper     ? "Max Approximation:"
               : improper ? "Min Approximation:"
                          : "MaxMin Approximation:");
        writeInterval(os, g.maxTwin(), kOutward);
        os << "\n";
        tol(g.upperDistance());
        break;
    default:
        os << "Inner Approximation:";
        writeInterval(os, g.getInn(), kInward);
        os << "\n"
           << "Outer Approximation:";
        writeInterval(os, g.getOut(), kOutward);
        os << "\n";
        tol(g.getTol());
        break;
    }

    if (settings.optim != optimBound::both) writeJoinedBoxes(os, proper, improper);
    if (noSolution) os << "No Solution\n";
}

void fstar::writeJoinedBoxes(std::ostream& os, bool proper, bool improper) {
    if (settings.optim != optimBound::upper && !joinedMinCells.empty()) {
        if (proper)
            os << "Joined Boxes Min List:"
               << "\n\n";
        else if (improper)
            os << "Joined Boxes Max List:"
               << "\n\n";
        else
            os << "\n"
               << "Joined Boxes MinMax List:"
               << "\n";
        // The boxes hold the points where the extreme can be: grown.
        for (const cell& c : joinedMinBoxes)
            c.printBox(os, 1, regionText::grown);
    }
    if (settings.optim != optimBound::lower && !joinedMaxCells.empty()) {
        if (proper)
            os << "Joined Boxes Max List:"
               << "\n\n";
        else if (improper)
            os << "Joined Boxes Min List:"
               << "\n\n";
        else
            os << "\n"
               << "Joined Boxes MaxMin Cells:"
               << "\n";
        for (const cell& c : joinedMaxBoxes)
            c.printBox(os, 1, regionText::grown);
    }
}

} // namespace modal
