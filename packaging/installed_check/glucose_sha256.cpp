// Prints the SHA-256 of the file FILE as glucosim's run provenance records it.
#include <iostream>
#include <string>

#include "glucosim/core/provenance.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: glucose_sha256 FILE\n";
        return 2;
    }
    const std::string hash = glucosim::fileSha256(argv[1]);
    if (hash.empty()) return 1;
    std::cout << hash << '\n';
    return 0;
}
