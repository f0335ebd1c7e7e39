// libFuzzer target: a problem file through the statement reader and the
// grammar, the same bytes as one statement text straight to the grammar, and,
// when the file parses, the run of its algorithm with a short time limit and a
// small memory limit, so that fuzzing reaches the preparation and the solvers.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "modal/solve.h"
#include "solver/api/problem_data.h"
#include "solver/language/grammar.h"

namespace {

// Bounds that keep one input's run short: each F* run (the constraint solvers
// of QSI and the contractor included) and the QSI loop stop after this much
// process time, and QSI does not cut boxes below this relative width.
constexpr double kRunSeconds = 0.05;
constexpr double kSmallestCspEps = 0.02;
constexpr double kMemoryMegabytes = 1024;

void runParsed(const modal::problem& parsed) {
    auto d = std::make_shared<modal::detail::problem_data>(parsed.data());
    modal::param& p = d->fstar_solver.settings;
    p.time_limit = std::min(p.time_limit, kRunSeconds);
    p.screen_out = false;
    p.debug = 0;
    modal::qsiParam& q = d->qsi_settings;
    q.time_limit = std::min(q.time_limit, kRunSeconds);
    if (!(q.epsilon >= kSmallestCspEps)) q.epsilon = kSmallestCspEps;
    modal::run_options o;
    o.memory_limit_mb = kMemoryMegabytes;
    modal::solve(modal::problem(d), o);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const modal::parse_result parsed = modal::parse_problem(text);
    if (parsed.value) runParsed(*parsed.value);
    {
        modal::detail::problem_data d;
        modal::parse_context ctx;
        ctx.settings = &d.fstar_solver.settings;
        ctx.qsi_settings = &d.qsi_settings;
        modal::model_actions actions(d.fstar_solver, d.qsi_solver);
        modal::problem_grammar grammar(ctx, actions);
        grammar.parse(text);
    }
    return 0;
}
