// The grammar with the real actions, building into an F* solver and a set
// inversion solver of its own: a problem read statement by statement.
#pragma once

#include "solver/fstar/fstar.h"
#include "solver/language/grammar.h"
#include "solver/sets/qsi.h"

namespace modal::testing_language {

struct problem_reader {
    fstar solver;
    qsi sets;
    qsiParam qsiSettings;
    parse_context ctx;
    model_actions actions{solver, sets};
    problem_grammar grammar{ctx, actions};

    problem_reader() {
        ctx.settings = &solver.settings;
        ctx.qsi_settings = &qsiSettings;
    }
    problem_reader(const problem_reader&) = delete;
    problem_reader& operator=(const problem_reader&) = delete;
};

} // namespace modal::testing_language
