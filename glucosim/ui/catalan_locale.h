// The locale of the forms' numbers: Catalan (Spain), decimal comma ("1,0",
// "35,0"); group separators are not accepted when reading.
#pragma once

#include <QLocale>

namespace glucosim {

QLocale catalanLocale();

} // namespace glucosim
