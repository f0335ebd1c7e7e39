// The objects one run of the solver works on: what the statements of the
// problem file fill in, and what the runs then read.
#pragma once

#include "solver/fstar/param.h"
#include "solver/language/model_actions.h"
#include "solver/language/parse_context.h"
#include "solver/sets/qsiParam.h"

namespace modal {

struct run_state {
    run_state() {
        context.settings = &settings;
        context.qsi_settings = &qsi_settings;
    }
    run_state(const run_state&) = delete;
    run_state& operator=(const run_state&) = delete;

    param settings;        // the F* solver's settings
    qsiParam qsi_settings; // set inversion and contractor settings
    model_actions model;   // builds the problem model from the statements
    parse_context context; // parse stacks and algorithm name
};

} // namespace modal
