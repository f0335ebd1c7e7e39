#include "solver/driver/runs.h"

#include <sstream>

#include "solver/language/algorithms.h"

namespace modal {

std::string number(double x) {
    std::ostringstream os;
    os.precision(3);
    os << x;
    return os.str();
}

run_kind run_kind_for(std::string_view algorithm_name) noexcept {
    const algorithmInfo* a = find_algorithm(algorithm_name);
    if (a == nullptr) return run_kind::none;
    switch (a->run) {
    case algorithmRun::none:
        return run_kind::none;
    case algorithmRun::fstar:
        return run_kind::fstar;
    case algorithmRun::set_inversion:
        return run_kind::set_inversion;
    }
    return run_kind::none;
}

} // namespace modal
