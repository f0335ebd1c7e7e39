#include "interval/ivalDb.h"

#include <ostream>

namespace modal {

std::ostream& operator<<(std::ostream& os, const ivalDb& x) {
    return os << '[' << x.inf() << ", " << x.sup() << ']';
}

} // namespace modal
