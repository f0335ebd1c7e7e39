#include "solver/driver/runs.h"

#include <sstream>

namespace modal {

std::string number(double x) {
    std::ostringstream os;
    os.precision(3);
    os << x;
    return os.str();
}

run_kind run_kind_for(std::string_view algorithm_name) noexcept {
    if (algorithm_name == "FSTAR" || algorithm_name == "MINMAX" || algorithm_name == "LOGIC") {
        return run_kind::fstar;
    }
    if (algorithm_name == "QSI" || algorithm_name == "CONTRACTOR") return run_kind::set_inversion;
    return run_kind::none;
}

} // namespace modal
