// What a program that solves over several processes needs beyond the public
// API: a run whose set-inversion boxes are also paved elsewhere, and, in
// the other processes, what paves them as the run would.
#pragma once

#include <memory>
#include <optional>

#include "modal/solve.h"
#include "solver/fstar/exchange.h"
#include "solver/fstar/fstar.h"
#include "solver/sets/box_farm.h"
#include "solver/sets/csp.h"
#include "solver/sets/sub_paving.h"

namespace modal {

// solve(p, options), with the boxes of a QSI run also handed to `farm`;
// the result is the same as solve's (its time also counts the farm's).
result solve(const problem& p, const run_options& options, box_farm& farm);

// What another process needs to pave boxes of the QSI run of `p` as the
// run itself would: the constraints prepared as the run prepares them, the
// run's variables and its epsilons, and with Contract=1 their contractor.
struct remote_paving {
    std::unique_ptr<csp> constraints;
    std::unique_ptr<boxContractor> contractor;
    paving_setup setup; // its constraints and contractor are the ones above
    // The problem's MemoryLimit in megabytes (0: half of the physical
    // memory), which every process holds on its own.
    double memory_limit_mb = 0;
};
// Nothing when `p` is not a QSI problem whose run paves.
std::optional<remote_paving> qsi_remote_paving(const problem& p);

// solve(p, options), with the strips of an FSTAR, MINMAX or LOGIC run shared
// through `exchange` with runs of the same problem elsewhere; the result is
// the whole computation's, as the exchange gathers it.
result solve(const problem& p, const run_options& options, strip_exchange& exchange);

// What another process needs to work on strips of the F* run of `p`: the
// solver prepared as the run prepares it, its time limit lifted (the run's
// own process counts the time of all).
struct remote_fstar {
    std::unique_ptr<fstar> solver;
    // The problem's MemoryLimit in megabytes (0: half of the physical
    // memory), which every process holds on its own.
    double memory_limit_mb = 0;
};
// Nothing when `p` is not an FSTAR, MINMAX or LOGIC problem with an
// objective.
std::optional<remote_fstar> fstar_remote_run(const problem& p);

} // namespace modal
