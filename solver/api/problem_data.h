// What a problem holds: the objects the problem language's actions fill.
#pragma once

#include <string>
#include <vector>

#include "modal/problem.h"
#include "solver/fstar/fstar.h"
#include "solver/sets/qsi.h"
#include "solver/sets/qsi_param.h"

namespace modal::detail {

struct problem_data {
    // The Algorithm= name (empty without one).
    std::string algorithm;
    // The F* solver: its settings take the F* options, its main model the
    // objective function (or statement) and the constraints of F* runs.
    fstar fstar_solver;
    // Set inversion and the contractor: the box of the "F" variables and one
    // constraint solver per constraint of a QSI or CONTRACTOR run.
    qsi qsi_solver;
    // Their settings as the options set them.
    qsiParam qsi_settings;
    std::vector<warning> warnings;
};

} // namespace modal::detail
