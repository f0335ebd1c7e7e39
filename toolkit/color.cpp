#include "toolkit/color.h"

namespace toolkit {

QColor toQColor(Color c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}

Color fromQColor(const QColor& c) {
    return static_cast<Color>(c.red()) | static_cast<Color>(c.green()) << 8 |
           static_cast<Color>(c.blue()) << 16;
}

Color fromRgb(unsigned int rgb) {
    return static_cast<Color>(qRed(rgb)) | static_cast<Color>(qGreen(rgb)) << 8 |
           static_cast<Color>(qBlue(rgb)) << 16;
}

} // namespace toolkit
