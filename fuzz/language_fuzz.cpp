// libFuzzer target: a problem file through the statement reader and the
// grammar, and the same bytes as one statement text straight to the grammar.
#include <cstddef>
#include <cstdint>
#include <sstream>
#include <string>
#include <string_view>

#include "solver/driver/run_problem.h"
#include "solver/driver/run_state.h"
#include "solver/language/grammar.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    {
        modal::run_state state;
        modal::problem_grammar grammar(state.context, state.model);
        std::istringstream in(text);
        std::ostringstream out;
        modal::read_statements(in, out, grammar);
    }
    {
        modal::run_state state;
        modal::problem_grammar grammar(state.context, state.model);
        grammar.parse(text);
    }
    return 0;
}
