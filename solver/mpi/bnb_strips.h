// The pieces of the distributed F* branch and bound that rank 0 and the
// other ranks share: strip lists, the wait for a message, why a run would
// end.
#pragma once

#include <mpi.h>

#include <string_view>
#include <vector>

#include "solver/fstar/fstar.h"
#include "solver/mpi/bnb_messages.h"

namespace modal::mpi::bnb {

// A strip list: its count, the agenda size its sender has left, then the
// Xp box of each strip.
std::vector<double> strip_list(std::size_t count, std::size_t agenda_left,
                               const std::vector<double>& boxes);
// Adds the strips of a strip list to `f`'s agenda; false when the list is
// not one (nothing is added then).
bool add_strips(fstar& f, const std::vector<double>& list, std::ostream& log);
// Strips in a strip list, and the agenda size its sender had left.
std::size_t strips_in(const std::vector<double>& list);
double agenda_left(const std::vector<double>& list);

// Waits for a message from `source` (any tag), sleeping between looks no
// longer than a fifth of a millisecond, so that an idle rank takes work
// soon without holding a core.
void wait_for(int source, MPI_Status& status);

// Why a run that would end does so, from its stop reason.
local_end end_of(std::string_view stop_reason);

} // namespace modal::mpi::bnb
