#include "solver/model/box.h"

#include <ostream>

namespace modal {

void box::print(std::ostream& os, regionText r) const {
    os << "\n"
       << "Box:";
    for (const auto& v : variables_) {
        os << "\n" << v.name << "=";
        writeInterval(os, v.domain, roundingFor(v.domain, r));
    }
}

std::ostream& operator<<(std::ostream& os, const box& b) {
    b.print(os);
    return os;
}

} // namespace modal
