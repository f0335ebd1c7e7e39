#include "glucosim/ui/leds.h"

#include <QDir>
#include <QFileInfo>
#include <QLinearGradient>
#include <QPainter>

namespace glucosim {

QString ledFileName(Led led) {
    switch (led) {
    case Led::Green:
        return QStringLiteral("LedRecVerd.bmp");
    case Led::Red:
        return QStringLiteral("LedRecVermell.bmp");
    case Led::Orange:
        return QStringLiteral("LedRecTaronja.bmp");
    }
    return {};
}

std::vector<Led> ledsFor(double x, double y) {
    std::vector<Led> leds;
    if (!(x >= 10 && y >= 10)) leds.push_back(Led::Orange);
    if (x > 10 && y > 10) leds.push_back(Led::Red);
    if (x == 0 && y == 0) leds.push_back(Led::Green);
    return leds;
}

QImage LedPictures::builtIn(Led led) {
    QColor light, dark;
    switch (led) {
    case Led::Green:
        light = QColor(120, 255, 120);
        dark = QColor(0, 140, 0);
        break;
    case Led::Red:
        light = QColor(255, 120, 120);
        dark = QColor(170, 0, 0);
        break;
    case Led::Orange:
        light = QColor(255, 210, 120);
        dark = QColor(220, 110, 0);
        break;
    }
    QImage image(20, 12, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient g(0, 0, 0, 12);
    g.setColorAt(0.0, light);
    g.setColorAt(1.0, dark);
    p.setBrush(g);
    p.setPen(QPen(QColor(60, 60, 60), 1));
    p.drawRoundedRect(QRectF(1.5, 1.5, 17, 9), 3, 3);
    return image;
}

LedPictures::LedPictures(const QString& directory) {
    for (Led led : {Led::Green, Led::Red, Led::Orange}) {
        const auto i = static_cast<std::size_t>(led);
        const QString path = QDir(directory).filePath(ledFileName(led));
        QImage file;
        if (QFileInfo::exists(path) && file.load(path) && file.width() > 0) {
            pictures_[i] = file.convertToFormat(QImage::Format_RGB32);
            fromFile_[i] = true;
        } else {
            pictures_[i] = builtIn(led);
        }
    }
}

} // namespace glucosim
