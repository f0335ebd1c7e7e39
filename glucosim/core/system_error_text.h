// The reason of a failed file operation in Catalan, for the messages of the
// program: the C library's texts are English, or follow the process locale.
#pragma once

#include <string>

namespace glucosim {

// The common errno values in Catalan ("permís denegat", "sistema de fitxers
// només de lectura", ...); any other as "error del sistema N" followed by the
// C library's text in brackets.
std::string systemErrorText(int error);

} // namespace glucosim
