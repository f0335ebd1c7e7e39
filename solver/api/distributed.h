// What a program that solves over several processes needs beyond the public
// API: a run whose set-inversion boxes are also classified elsewhere, and,
// in the other processes, the constraints that classify them.
#pragma once

#include <memory>

#include "modal/solve.h"
#include "solver/sets/box_farm.h"
#include "solver/sets/csp.h"

namespace modal {

// solve(p, options), with the boxes of a QSI run also handed to `farm`;
// the result is the same as solve's (its time also counts the farm's).
result solve(const problem& p, const run_options& options, box_farm& farm);

// The constraints of the QSI problem `p` prepared as its run prepares them,
// to classify the run's boxes in another process; null when `p` is not a
// QSI problem whose run paves.
std::unique_ptr<csp> qsi_classifier(const problem& p);

} // namespace modal
