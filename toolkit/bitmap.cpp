#include "toolkit/bitmap.h"

#include <algorithm>
#include <cctype>

#include "toolkit/bmp_file.h"
#include "toolkit/png_file.h"

namespace toolkit {

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
    if (w < 1 || h < 1) w = h = 0;
    if (w == width() && h == height()) return;
    Image resized(w, h, kWhite);
    const int keepWidth = std::min(w, width());
    for (int y = 0; y < std::min(h, height()); ++y)
        std::copy_n(image_.row(y), keepWidth, resized.row(y));
    image_ = std::move(resized);
}

bool Bitmap::saveToFile(const std::string& path, const std::string& format) const {
    if (image_.empty()) return false;
    std::string upper = format;
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    if (upper == "BMP") return writeBmp(image_, path);
    if (upper == "PNG") return writePng(image_, path);
    return false;
}

} // namespace toolkit
