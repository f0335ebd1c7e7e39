// Text to number conversion as the forms read what the user types: in the
// Catalan locale, so the decimal separator is a comma ("1,0", "35,0").
#pragma once

#include <QLocale>
#include <QString>
#include <stdexcept>

namespace toolkit {

class ConversionError : public std::runtime_error {
public:
    explicit ConversionError(const QString& text);
    const QString& text() const { return text_; }

private:
    QString text_;
};

// Catalan (Spain); group separators are not accepted when reading.
QLocale catalanLocale();

// The number written in text, with surrounding blanks ignored; throws
// ConversionError when the text is not a finite number in the locale's form
// ("1.5", "1,5e", "" and "inf" are all rejected).
double strToFloat(const QString& text, const QLocale& locale = catalanLocale());

} // namespace toolkit
