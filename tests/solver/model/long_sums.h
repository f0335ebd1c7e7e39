// Expressions that grow with a size, shared by the tests and the benchmarks
// of the derivative builder.
#pragma once

#include <string>

#include "solver/model/tree.h"

namespace modal {

// v0 + v1 + ... + v(n-1), every variable over [0, 1].
inline tree sumOfVariables(int n) {
    tree t;
    nodeId s = t.createIncidence("v0", ivalDb::exact(0.0, 1.0));
    for (int i = 1; i < n; ++i)
        s = t.createBinary(nodeKind::plus, s,
                           t.createIncidence("v" + std::to_string(i), ivalDb::exact(0.0, 1.0)));
    t.setRoot(s);
    return t;
}

} // namespace modal
