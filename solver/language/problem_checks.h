// What can only be judged once every statement has been read: statements of
// a kind the algorithm does not solve, declared variables that nothing uses.
#pragma once

#include <vector>

#include "solver/language/model_actions.h"
#include "solver/language/parse_context.h"

namespace modal {

// The warnings about the problem read into `model` (in the order of the
// statements they concern; problem-wide ones last). A function of the wrong
// kind for the algorithm (an f:= expression for LOGIC, an lf:= relation for
// FSTAR or MINMAX) is dropped, so that the run says it has no function to
// solve instead of solving something that was not asked.
std::vector<located_warning> check_problem(const parse_context& ctx, model_actions& model);

} // namespace modal
