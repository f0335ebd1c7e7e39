#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <random>

#include <gtest/gtest.h>

#include "toolkit/bitmap.h"
#include "toolkit/qt_color.h"

namespace toolkit {
namespace {

// Every row padding and random colours, with rows of a paving's kind (runs
// of one colour) and rows unlike the one above.
Bitmap randomPicture(int w, int h, std::mt19937& random) {
    Bitmap bmp(w, h);
    bmp.canvas().pen().style = PenStyle::Clear;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w;) {
            const int run = 1 + static_cast<int>(random() % (y % 3 == 0 ? 1 : 40));
            bmp.canvas().brush().color = static_cast<Color>(random() & 0xFFFFFF);
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
    for (int w : {1, 2, 3, 4, 5, 9, 1017}) {
        for (int h : {1, 3, 713}) {
            const Bitmap bmp = randomPicture(w, h, random);
            const QString own = dir.filePath("own.bmp"), png = dir.filePath("own.png");
            ASSERT_TRUE(bmp.saveToFile(own.toStdString()));
            ASSERT_TRUE(bmp.saveToFile(png.toStdString(), "png"));
            // Qt's writer with the resolution of a QImage made without an
            // application (100 dots per inch).
            QImage reference = toQImage(bmp.image());
            ASSERT_EQ(reference.dotsPerMeterX(), 3937);
            ASSERT_TRUE(reference.save(dir.filePath("qt.bmp"), "BMP"));
            EXPECT_EQ(readAll(own), readAll(dir.filePath("qt.bmp"))) << w << " x " << h;

            QImage decoded(png);
            ASSERT_FALSE(decoded.isNull()) << w << " x " << h;
            EXPECT_EQ(decoded.format(), QImage::Format_RGB32);
            EXPECT_EQ(decoded.dotsPerMeterX(), 3937);
            EXPECT_EQ(decoded, reference) << w << " x " << h;
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
