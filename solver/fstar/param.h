// Settings record of the F* solver: what the options of a problem file set,
// what the run driver forces per algorithm, and a few values the solver
// itself fills in while it runs.
#pragma once

#include <cstdint>
#include <string>

#include "solver/model/tree.h"

namespace modal {

// When the main loop stops as soon as the global twin decides something.
enum class inclusionStop : std::uint8_t {
    off = 0,
    // The relation holds on the thick outer approximation, or fails on the
    // thick inner one; with `withVerdict` the run then draws its LOGIC verdict.
    withVerdict = 1,
    withoutVerdict = 2,
    properOuter = 3,  // the outer approximation is proper
    improperOuter = 4 // the outer approximation is improper
};

struct param {
    double epsilon = 0;            // "Epsilon": no cut below this width
    double tolerance = 0;          // "Tolerance": stop once the global distance is not above it
    int debug = 0;                 // "Debug": log level
    int bisect = 2;                // "Bisect": pieces per cut (may be < 2 if the file says so)
    double time_limit = 1e301;     // "Time": seconds of process time
    std::string stop_reason = "?"; // why the main loop stopped
    bool screen_out = false;       // "ScreenOut": one line per step on standard output
    optimBound optim = optimBound::both;           // "Optim": 0 both bounds, 1 lower, 2 upper
    bool write_solution = false;                   // "Solution": write the report file
    bool plot = false;                             // "Plot": draw while solving
    inclusionStop logic_mode = inclusionStop::off; // stop by inclusion
    std::string plot_x_name;        // horizontal plot variable (no statement sets it)
    std::string plot_y_name;        // vertical plot variable (no statement sets it)
    int plot_x_index = 0;           // position of plot_x_name among the variables
    int plot_y_index = 0;           // position of plot_y_name among the variables
    std::uint8_t logic_result = 2;  // 0 false, 1 true, 2 undecided
    bool minmax_mode = false;       // gather the extreme cells after the loop
    std::string problem_name;       // prefix of the report file name
    double memory_limit = 0;        // "MemoryLimit": megabytes; 0: half of physical memory
    bool mean_value = false;        // "MeanValue": outer bounds also from the mean-value form
    long step_limit = 0;            // steps after which the run stops undecided (0: no limit)
    bool stop_when_stalled = false; // stop undecided once the global twin stops moving
    bool contract = false;          // "Contract": rule out cells by forward-backward contraction
    bool quick_start = false;       // a run its first strip ends skips the run's bookkeeping
};

} // namespace modal
