#include "glucosim/ui/catalan_locale.h"

namespace glucosim {

QLocale catalanLocale() {
    QLocale locale(QLocale::Catalan, QLocale::Spain);
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    return locale;
}

} // namespace glucosim
