// The solver program as a whole: its command line, its signals and its exit
// status, around run_problem. Programs that solve otherwise (over several
// processes) give their own solve function.
#pragma once

#include "solver/driver/run_problem.h"

namespace modal {

// Runs the program for the arguments of main and returns its exit status.
// `solve`, when set, solves in place of modal::solve.
int solver_program(int argc, char** argv, const solve_function& solve = {});

} // namespace modal
