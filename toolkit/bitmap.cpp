#include "toolkit/bitmap.h"

#include <QFile>
#include <QPainter>
#include <algorithm>

namespace toolkit {

namespace {
constexpr QImage::Format kFormat = QImage::Format_RGB32;
}

Bitmap::Bitmap(int width, int height) : canvas_(&image_) {
    setSize(width, height);
}

Bitmap::Bitmap(const Bitmap& other) : image_(other.image_), canvas_(&image_) {
    canvas_.brush() = other.canvas_.brush();
    canvas_.pen() = other.canvas_.pen();
}

Bitmap& Bitmap::operator=(const Bitmap& other) {
    if (this != &other) {
        image_ = other.image_;
        canvas_.brush() = other.canvas_.brush();
        canvas_.pen() = other.canvas_.pen();
    }
    return *this;
}

void Bitmap::setSize(int w, int h) {
    w = std::max(0, w);
    h = std::max(0, h);
    if (w == width() && h == height()) return;
    QImage resized;
    if (w > 0 && h > 0) {
        resized = QImage(w, h, kFormat);
        resized.fill(Qt::white);
        if (!image_.isNull()) {
            QPainter painter(&resized);
            painter.drawImage(QPoint(0, 0), image_);
        }
    }
    image_ = std::move(resized);
}

bool Bitmap::loadFromFile(const QString& path) {
    QImage loaded;
    if (!loaded.load(path)) return false;
    image_ = loaded.convertToFormat(kFormat);
    return true;
}

bool Bitmap::saveToFile(const QString& path, const char* format) const {
    if (image_.isNull()) return false;
    // The BMP writer stores a 32-bit image without alpha as 24 bits per
    // pixel, the PNG writer as 8-bit RGB.
    return image_.save(path, format);
}

} // namespace toolkit
