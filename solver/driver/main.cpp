// solver BASENAME: solves the problem in BASENAME.txt.
#include <exception>
#include <iostream>
#include <new>

#include "solver/driver/run_problem.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: solver BASENAME  (reads BASENAME.txt, writes BASENAMESolution.txt)\n";
        return 2;
    }
    try {
        return modal::run_problem(argv[1], std::cout, std::cerr);
    } catch (const std::bad_alloc&) {
        std::cout << std::flush;
        std::cerr << "solver: memory ran out: the system refused more memory; no report\n";
        return 1;
    } catch (const std::exception& e) {
        std::cout << std::flush;
        std::cerr << "solver: " << e.what() << "\n";
        return 1;
    }
}
