#include "glucosim/core/system_error_text.h"

#include <cerrno>
#include <cstring>

namespace glucosim {

std::string systemErrorText(int error) {
    switch (error) {
    case EACCES:
        return "permís denegat";
    case EPERM:
        return "operació no permesa";
    case EROFS:
        return "sistema de fitxers només de lectura";
    case ENOSPC:
        return "no queda espai al dispositiu";
    case EDQUOT:
        return "s'ha superat la quota de disc";
    case ENOENT:
        return "no existeix el fitxer o el directori";
    case ENOTDIR:
        return "una part del camí no és un directori";
    case EISDIR:
        return "és un directori";
    case ENAMETOOLONG:
        return "el nom del fitxer és massa llarg";
    case ELOOP:
        return "massa enllaços simbòlics";
    case EMFILE:
    case ENFILE:
        return "massa fitxers oberts";
    case EIO:
        return "error d'entrada/sortida";
    case EBUSY:
        return "el dispositiu o el recurs està ocupat";
    case ETXTBSY:
        return "el fitxer és un programa en execució";
    case EXDEV:
        return "el fitxer és en un altre sistema de fitxers";
    case EFBIG:
        return "el fitxer és massa gran";
    default:
        break;
    }
    return "error del sistema " + std::to_string(error) + " (" + std::strerror(error) + ")";
}

} // namespace glucosim
