#include "glucosim/core/batch.h"

#include <iostream>

int main(int argc, char** argv) {
    if (glucosim::isBatchInvocation(argc, argv)) return glucosim::runBatch(argc, argv);
    std::cerr << "glucosim: el programa de finestres encara no està disponible; "
                 "useu --batch (vegeu glucosim --help).\n";
    return 2;
}
