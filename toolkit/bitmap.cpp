#include "toolkit/bitmap.h"

#include <QFile>
#include <QPainter>
#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>

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

namespace {

void put16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xFF);
    at[1] = static_cast<char>(v >> 8);
}

void put32(char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// A 32-bit picture without alpha as a 24-bit BMP file: the file and
// information headers, then the rows from the bottom up, blue, green and
// red bytes, each row padded to a multiple of four bytes (what Qt's writer
// makes of it, without a QFile, so that any thread can write one).
bool saveBmp24(const QImage& image, const QString& path) {
    const std::size_t w = static_cast<std::size_t>(image.width());
    const std::size_t h = static_cast<std::size_t>(image.height());
    const std::size_t rowBytes = (w * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = rowBytes * h;
    constexpr std::size_t kHeaders = 14 + 40;
    std::vector<char> file(kHeaders + pixelBytes, 0);
    char* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, static_cast<std::uint32_t>(file.size()));
    put32(p + 10, kHeaders);
    put32(p + 14, 40);
    put32(p + 18, static_cast<std::uint32_t>(w));
    put32(p + 22, static_cast<std::uint32_t>(h));
    put16(p + 26, 1);
    put16(p + 28, 24);
    put32(p + 34, static_cast<std::uint32_t>(pixelBytes));
    put32(p + 38, static_cast<std::uint32_t>(image.dotsPerMeterX()));
    put32(p + 42, static_cast<std::uint32_t>(image.dotsPerMeterY()));
    for (std::size_t y = 0; y < h; ++y) {
        const QRgb* in = reinterpret_cast<const QRgb*>(image.constScanLine(static_cast<int>(y)));
        char* out = p + kHeaders + (h - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < w; ++x) {
            out[3 * x] = static_cast<char>(qBlue(in[x]));
            out[3 * x + 1] = static_cast<char>(qGreen(in[x]));
            out[3 * x + 2] = static_cast<char>(qRed(in[x]));
        }
    }
    std::ofstream out(path.toStdString(), std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    out.close();
    return !out.fail();
}

} // namespace

bool Bitmap::saveToFile(const QString& path, const char* format) const {
    if (image_.isNull()) return false;
    // The BMP writer stores a 32-bit image without alpha as 24 bits per
    // pixel, the PNG writer as 8-bit RGB.
    if (image_.format() == kFormat && format != nullptr && qstricmp(format, "BMP") == 0)
        return saveBmp24(image_, path);
    return image_.save(path, format);
}

} // namespace toolkit
