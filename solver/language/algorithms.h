// The algorithms a problem file can name: the grammar's list of names, what
// each one runs and which statements it solves, and the help texts.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace modal {

// Which solver an algorithm runs.
enum class algorithmRun : std::uint8_t {
    none,          // the file is read and checked, nothing is solved
    fstar,         // the F* solver on the function
    set_inversion, // set inversion or the contractor on the constraints
};

// The statement whose content the algorithm solves.
enum class solvedStatement : std::uint8_t {
    none,
    function,    // "f:=", an expression
    relation,    // "lf:=", a relation
    constraints, // "c:=", one or more relations
};

struct algorithmInfo {
    std::string_view name;
    algorithmRun run;
    solvedStatement solves;
    std::string_view help; // what it computes, for --help
};

// Every name the algorithm statement accepts, those that solve something
// first.
std::span<const algorithmInfo> algorithms() noexcept;
// The algorithm of that exact name, or null.
const algorithmInfo* find_algorithm(std::string_view name) noexcept;
// The names of the algorithms that solve something, as a list: "FSTAR,
// MINMAX, LOGIC, QSI or CONTRACTOR".
std::string solving_algorithm_names();

} // namespace modal
