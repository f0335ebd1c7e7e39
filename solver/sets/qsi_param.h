// Settings of quantified set inversion and of the contractor that a problem
// file can change.
#pragma once

#include <limits>
#include <string>

namespace modal {

struct qsiParam {
    double epsilon = 0.1; // "CSPEps": relative precision of QSI, width tolerance of the contractor
    double time_limit = std::numeric_limits<double>::infinity(); // "QSITime", seconds
    std::string plot_x_name; // "PlotX": variable on the horizontal axis
    std::string plot_y_name; // "PlotY": variable on the vertical axis
    int threads = 0;         // "Threads": threads that classify boxes; 0 every core
    // "Contract": each box is contracted by the constraints and by their
    // complements before it is classified.
    bool contract = false;
};

} // namespace modal
