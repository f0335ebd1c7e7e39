#include "solver/mpi/bnb_strips.h"

#include <span>

#include "solver/mpi/messages.h"

namespace modal::mpi::bnb {

std::vector<double> strip_list(std::size_t count, std::size_t agenda_left,
                               const std::vector<double>& boxes) {
    std::vector<double> list;
    list.reserve(2 + boxes.size());
    list.push_back(static_cast<double>(count));
    list.push_back(static_cast<double>(agenda_left));
    list.insert(list.end(), boxes.begin(), boxes.end());
    return list;
}

std::size_t strips_in(const std::vector<double>& list) {
    return list.size() < 2 ? 0 : static_cast<std::size_t>(list[0]);
}

double agenda_left(const std::vector<double>& list) {
    return list.size() < 2 ? 0 : list[1];
}

bool add_strips(fstar& f, const std::vector<double>& list, std::ostream& log) {
    const std::size_t n = strips_in(list);
    const std::size_t box = 2 * f.mainModel.xp.size();
    if (list.size() < 2 || list.size() - 2 != n * box) return false;
    const std::span<const double> all(list.data() + 2, n * box);
    for (std::size_t i = 0; i < n; ++i)
        f.addStrip(all.subspan(i * box, box), log);
    return true;
}

void wait_for(int source, MPI_Status& status) {
    wait_for_message(source, status, 200'000);
}

local_end end_of(std::string_view reason) {
    if (reason == "Tolerance") return local_end::tolerance;
    if (reason == "Matching") return local_end::matching;
    if (reason == "Floor") return local_end::floor;
    if (reason == "Empty Agenda") return local_end::empty;
    if (reason == "Stalled") return local_end::stalled;
    if (reason == "Memory") return local_end::memory;
    return local_end::other;
}

} // namespace modal::mpi::bnb
