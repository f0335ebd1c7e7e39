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

#include "solver/driver/run_problem.h"
#include "solver/driver/run_state.h"
#include "solver/driver/runs.h"
#include "solver/fstar/memory_limit.h"
#include "solver/language/grammar.h"

namespace {

// Bounds that keep one input's run short: each F* run (the constraint solvers
// of QSI and the contractor included) and the QSI loop stop after this much
// process time, and QSI does not cut boxes below this relative width.
constexpr double kRunSeconds = 0.05;
constexpr double kSmallestCspEps = 0.02;
constexpr double kMemoryMegabytes = 1024;

void runParsed(modal::run_state& state) {
    modal::param& p = state.fstar_solver.getParam();
    p.time_limit = std::min(p.time_limit, kRunSeconds);
    p.screen_out = false;
    p.debug = 0;
    modal::qsiParam& q = state.qsi_settings;
    q.time_limit = std::min(q.time_limit, kRunSeconds);
    if (!(q.epsilon >= kSmallestCspEps)) q.epsilon = kSmallestCspEps;
    modal::setMemoryLimit(kMemoryMegabytes);
    modal::resetMemoryRanOut();
    std::ostringstream out;
    state.out = &out;
    state.fstar_solver.screen = &out;
    switch (modal::run_kind_for(state.context.algorithm_name)) {
    case modal::run_kind::fstar:
        modal::run_fstar(state, "fuzz");
        break;
    case modal::run_kind::set_inversion:
        modal::run_set_inversion(state, "fuzz");
        break;
    case modal::run_kind::none:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        modal::run_state state;
        modal::problem_grammar grammar(state.context, state.model);
        std::istringstream in(text);
        std::ostringstream out;
        const modal::read_outcome outcome = modal::read_statements(in, out, grammar);
        if (outcome.parse_ok && !outcome.read_error) runParsed(state);
    }
    {
        modal::run_state state;
        modal::problem_grammar grammar(state.context, state.model);
        grammar.parse(text);
    }
    return 0;
}
