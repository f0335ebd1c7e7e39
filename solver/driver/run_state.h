// The objects one run of the solver works on: what the statements of the
// problem file fill in, and what the runs then read.
#pragma once

#include <iostream>
#include <ostream>

#include "solver/fstar/fstar.h"
#include "solver/fstar/param.h"
#include "solver/language/model_actions.h"
#include "solver/language/parse_context.h"
#include "solver/plot/repere.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_param.h"
#include "toolkit/bitmap.h"

namespace modal {

// How a run shows itself beyond its specified output.
struct run_options {
    bool terminal = false; // the error stream is a terminal (shared with the output)
    bool progress = false; // a progress line on the error stream (a terminal)
    bool write_bmp = true; // QSI: the picture also as BASEImage.bmp (always as .png)
};

struct run_state {
    run_state() : model(fstar_solver, qsi_solver) {
        context.settings = &fstar_solver.settings;
        context.qsi_settings = &qsi_settings;
    }
    run_state(const run_state&) = delete;
    run_state& operator=(const run_state&) = delete;

    // The F* solver: its settings take the F* options, its main model the
    // objective function and the constraints of F* runs.
    fstar fstar_solver;
    param& settings = fstar_solver.settings;
    // Set inversion and the contractor: the box of the "F" variables and one
    // constraint solver per constraint of a QSI or CONTRACTOR run.
    qsi qsi_solver;
    // Their settings as the options set them; the run hands them over.
    qsiParam qsi_settings;
    // The picture of the QSI paving (sized when a QSI run starts) and the
    // frame that maps the plotted ranges onto it.
    toolkit::Bitmap image;
    repere plot_frame;
    // Where the runs write their progress lines and messages, and where the
    // program's own messages (warnings, progress) go.
    std::ostream* out = &std::cout;
    std::ostream* err = &std::cerr;
    run_options options;

    model_actions model;   // builds the problem model from the statements
    parse_context context; // parse stacks and algorithm name
};

} // namespace modal
