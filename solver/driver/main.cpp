// solver BASENAME: solves the problem in BASENAME.txt.
#include "solver/driver/program.h"

int main(int argc, char** argv) {
    return modal::solver_program(argc, argv);
}
