#include "solver/language/algorithms.h"

#include <array>

namespace modal {

namespace {

constexpr std::array<algorithmInfo, 7> kAlgorithms{{
    {"FSTAR", algorithmRun::fstar, solvedStatement::function,
     "inner and outer approximations of the range of f:= over the box"},
    {"MINMAX", algorithmRun::fstar, solvedStatement::function,
     "bounds of the minimum (Optim=1) or maximum (Optim=2) of f, with the boxes that can hold "
     "it; MIN/MAX variables state min-max problems"},
    {"LOGIC", algorithmRun::fstar, solvedStatement::relation,
     "decides the quantified statement lf:= : True, False or Perhaps"},
    {"QSI", algorithmRun::set_inversion, solvedStatement::constraints,
     "paves the box of the F variables into solution, non-solution and undefined boxes for the "
     "constraints c:=, and draws the paving"},
    {"CONTRACTOR", algorithmRun::set_inversion, solvedStatement::constraints,
     "shrinks the box of the F variables to the part that can hold a solution of the "
     "constraints"},
    {"CSP", algorithmRun::none, solvedStatement::none, "accepted, solves nothing"},
    {"MAXMIN", algorithmRun::none, solvedStatement::none, "accepted, solves nothing"},
}};

} // namespace

std::span<const algorithmInfo> algorithms() noexcept {
    return kAlgorithms;
}

const algorithmInfo* find_algorithm(std::string_view name) noexcept {
    for (const algorithmInfo& a : kAlgorithms)
        if (a.name == name) return &a;
    return nullptr;
}

std::string solving_algorithm_names() {
    std::string s;
    std::size_t count = 0;
    for (const algorithmInfo& a : kAlgorithms)
        if (a.run != algorithmRun::none) ++count;
    std::size_t i = 0;
    for (const algorithmInfo& a : kAlgorithms) {
        if (a.run == algorithmRun::none) continue;
        if (i > 0) s += i + 1 == count ? " or " : ", ";
        s += a.name;
        ++i;
    }
    return s;
}

} // namespace modal
