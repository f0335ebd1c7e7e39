// The toolkit's colours and pictures as Qt's, for code that uses both (target
// toolkit_qt).
#pragma once

#include <QColor>
#include <QImage>

#include "toolkit/image.h"

namespace toolkit {

inline QColor toQColor(Color c) {
    return QColor(redOf(c), greenOf(c), blueOf(c));
}
inline Color fromQColor(const QColor& c) {
    return static_cast<Color>(c.red()) | static_cast<Color>(c.green()) << 8 |
           static_cast<Color>(c.blue()) << 16;
}
// A pixel value of a 32-bit QImage (0xAARRGGBB).
inline Color fromRgb(QRgb rgb) {
    return static_cast<Color>(qRed(rgb)) | static_cast<Color>(qGreen(rgb)) << 8 |
           static_cast<Color>(qBlue(rgb)) << 16;
}
inline QImage toQImage(const Image& image) {
    QImage q(image.width(), image.height(), QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            q.setPixel(x, y, toQColor(image.pixel(x, y)).rgb());
    return q;
}

} // namespace toolkit
