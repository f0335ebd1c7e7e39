#include "toolkit/conversions.h"

#include <cmath>

namespace toolkit {

ConversionError::ConversionError(const QString& text)
    : std::runtime_error(QStringLiteral("'%1' is not a valid number").arg(text).toStdString()),
      text_(text) {}

QLocale catalanLocale() {
    QLocale locale(QLocale::Catalan, QLocale::Spain);
    locale.setNumberOptions(QLocale::RejectGroupSeparator);
    return locale;
}

double strToFloat(const QString& text, const QLocale& locale) {
    QLocale reader = locale;
    reader.setNumberOptions(reader.numberOptions() | QLocale::RejectGroupSeparator);
    bool ok = false;
    const double value = reader.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value)) throw ConversionError(text);
    return value;
}

} // namespace toolkit
