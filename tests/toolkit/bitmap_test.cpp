#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "toolkit/bitmap.h"
#include "toolkit/qt_color.h"

namespace toolkit {
namespace {

// Runs of random colours from a set of `colours` (runs of one colour, as in a
// paving, or single pixels on every third row), every row padding.
Bitmap randomPicture(int w, int h, int colours, std::mt19937& random) {
    std::vector<Color> set(static_cast<std::size_t>(colours));
    for (Color& c : set)
        c = static_cast<Color>(random() & 0xFFFFFF);
    Bitmap bmp(w, h);
    bmp.canvas().pen().style = PenStyle::Clear;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            const int run = 1 + static_cast<int>(random() % (y % 3 == 0 ? 1 : 40));
            bmp.canvas().brush().color = set[random() % set.size()];
            bmp.canvas().rectangle(x, y, x + run, y + 1);
            x += run;
        }
    return bmp;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST(Bitmap, BmpFileIsByteForByteWhatQtWritesAndPngHoldsTheSamePixels) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(15);
    // Sizes with every row padding; as many colours as each depth of a
    // palette holds, one more, and more than a palette holds.
    const int sizes[][2] = {{1, 1}, {2, 3}, {3, 1}, {4, 3}, {5, 2}, {9, 3}, {1017, 713}};
    const int colourCounts[] = {1, 2, 3, 4, 5, 16, 17, 256, 257, 5000};
    for (const auto& [w, h] : sizes) {
        for (int colours : colourCounts) {
            const Bitmap bmp = randomPicture(w, h, colours, random);
            const QString own = dir.filePath("own.bmp"), png = dir.filePath("own.png");
            ASSERT_TRUE(bmp.saveToFile(own.toStdString()));
            ASSERT_TRUE(bmp.saveToFile(png.toStdString(), "png"));
            // Qt's writer with the resolution of a QImage made without an
            // application (100 dots per inch).
            const QImage reference = toQImage(bmp.image());
            ASSERT_EQ(reference.dotsPerMeterX(), 3937);
            ASSERT_TRUE(reference.save(dir.filePath("qt.bmp"), "BMP"));
            EXPECT_EQ(readAll(own), readAll(dir.filePath("qt.bmp")))
                << w << " x " << h << ", " << colours << " colours";

            const QImage decoded(png);
            ASSERT_FALSE(decoded.isNull()) << w << " x " << h << ", " << colours << " colours";
            EXPECT_EQ(decoded.dotsPerMeterX(), 3937);
            EXPECT_EQ(decoded.convertToFormat(QImage::Format_RGB32), reference)
                << w << " x " << h << ", " << colours << " colours";
        }
    }
}

TEST(Bitmap, FailuresLeaveNoFile) {
    QTemporaryDir dir;
    Bitmap empty;
    EXPECT_FALSE(empty.saveToFile(dir.filePath("empty.bmp").toStdString()));
    EXPECT_FALSE(empty.saveToFile(dir.filePath("empty.png").toStdString(), "PNG"));
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.bmp")));
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.png")));

    Bitmap bmp(4, 4);
    EXPECT_FALSE(bmp.saveToFile(dir.filePath("no/such/folder/x.bmp").toStdString()));
    EXPECT_FALSE(bmp.saveToFile(dir.filePath("no/such/folder/x.png").toStdString(), "PNG"));
    EXPECT_FALSE(bmp.saveToFile(dir.filePath("x.gif").toStdString(), "GIF"));
    EXPECT_FALSE(QFile::exists(dir.filePath("x.gif")));
}

TEST(Bitmap, ResizingKeepsWhatStillFitsAndWhitensTheRest) {
    Bitmap bmp(10, 10);
    bmp.canvas().brush().color = kGreen;
    bmp.canvas().fillRect(Rect{0, 0, 10, 10});
    bmp.setWidth(20);
    bmp.setHeight(5);
    EXPECT_EQ(bmp.width(), 20);
    EXPECT_EQ(bmp.height(), 5);
    EXPECT_EQ(bmp.canvas().pixel(9, 4), kGreen);
    EXPECT_EQ(bmp.canvas().pixel(10, 4), kWhite);
    bmp.setSize(-3, 7);
    EXPECT_EQ(bmp.width(), 0);
    EXPECT_EQ(bmp.height(), 0);
    bmp.setSize(2, 2);
    EXPECT_EQ(bmp.canvas().pixel(1, 1), kWhite);
}

TEST(Bitmap, CopiesDrawOnTheirOwnPicture) {
    Bitmap a(5, 5);
    a.canvas().brush().color = kRed;
    Bitmap b = a;
    b.canvas().fillRect(Rect{0, 0, 5, 5});
    EXPECT_EQ(b.canvas().pixel(2, 2), kRed);
    EXPECT_EQ(a.canvas().pixel(2, 2), kWhite);
    a = b;
    a.canvas().brush().color = kBlue;
    a.canvas().fillRect(Rect{0, 0, 1, 1});
    EXPECT_EQ(a.canvas().pixel(0, 0), kBlue);
    EXPECT_EQ(b.canvas().pixel(0, 0), kRed);
}

} // namespace
} // namespace toolkit
