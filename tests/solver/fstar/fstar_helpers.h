// Building small F* problems by code for the tests.
#pragma once

#include <string>
#include <vector>

#include "solver/fstar/fstar.h"

namespace testing_fstar {

using namespace modal;

// Declares the variables of a problem: names and domains in order.
struct declared {
    std::vector<std::string> names;
    std::vector<ivalDb> domains;
};

inline nodeId leaf(tree& t, const declared& d, int i) {
    return t.createIncidence(d.names[static_cast<std::size_t>(i)],
                             d.domains[static_cast<std::size_t>(i)]);
}

// A solver with its settings for a quiet run that writes no file.
inline void quiet(fstar& f) {
    f.settings.write_solution = false;
    f.settings.screen_out = false;
    f.settings.time_limit = 5.0;
}

} // namespace testing_fstar
