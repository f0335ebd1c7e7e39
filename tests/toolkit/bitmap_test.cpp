#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <random>

#include <gtest/gtest.h>

#include "toolkit/bitmap.h"

namespace toolkit {
namespace {

quint32 le32(const QByteArray& b, int at) {
    return quint32(quint8(b[at])) | quint32(quint8(b[at + 1])) << 8 |
           quint32(quint8(b[at + 2])) << 16 | quint32(quint8(b[at + 3])) << 24;
}
quint16 le16(const QByteArray& b, int at) {
    return quint16(quint8(b[at]) | quint8(b[at + 1]) << 8);
}

TEST(Bitmap, SavesA24BitBmpOfItsSizeThatReadsBack) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Bitmap bmp(1017, 713);
    bmp.canvas().brush().color = kRed;
    bmp.canvas().pen().color = kRed;
    bmp.canvas().rectangle(0, 0, 100, 100);
    bmp.canvas().brush().color = kBlue;
    bmp.canvas().pen().color = kBlue;
    bmp.canvas().rectangle(900, 600, 1017, 713);
    const QString path = dir.filePath("pictureImage.bmp");
    ASSERT_TRUE(bmp.saveToFile(path));

    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    ASSERT_GE(bytes.size(), 54);
    EXPECT_EQ(bytes.left(2), QByteArray("BM"));
    EXPECT_EQ(le32(bytes, 18), 1017u);
    EXPECT_EQ(le32(bytes, 22), 713u);
    EXPECT_EQ(le16(bytes, 28), 24u);
    const int rowBytes = (1017 * 3 + 3) / 4 * 4;
    EXPECT_EQ(bytes.size(), int(le32(bytes, 10)) + rowBytes * 713);

    QImage back(path);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(1017, 713));
    EXPECT_EQ(fromRgb(back.pixel(50, 50)), kRed);
    EXPECT_EQ(fromRgb(back.pixel(1016, 712)), kBlue);
    EXPECT_EQ(fromRgb(back.pixel(500, 300)), kWhite);

    Bitmap loaded;
    ASSERT_TRUE(loaded.loadFromFile(path));
    EXPECT_EQ(loaded.width(), 1017);
    EXPECT_EQ(loaded.canvas().pixel(950, 650), kBlue);
}

TEST(Bitmap, BmpFileIsByteForByteWhatQtWrites) {
    // Every row padding, random colours, and resolutions other than the
    // default.
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    std::mt19937 random(15);
    for (int w = 1; w <= 9; ++w) {
        for (int h : {1, 3}) {
            Bitmap bmp(w, h);
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x) {
                    bmp.canvas().brush().color = static_cast<Color>(random() & 0xFFFFFF);
                    bmp.canvas().pen().style = PenStyle::Clear;
                    bmp.canvas().rectangle(x, y, x + 1, y + 1);
                }
            QImage reference = bmp.image();
            if (w % 3 == 0) reference.setDotsPerMeterX(2835 + w);
            if (w % 2 == 0) reference.setDotsPerMeterY(1000 + h);
            Bitmap same(w, h);
            same.canvas().copyRect(QRect(0, 0, w, h), bmp.canvas(), QRect(0, 0, w, h));
            ASSERT_TRUE(reference.save(dir.filePath("qt.bmp"), "BMP"));
            Bitmap withResolution;
            ASSERT_TRUE(withResolution.loadFromFile(dir.filePath("qt.bmp")));
            ASSERT_TRUE(withResolution.saveToFile(dir.filePath("own.bmp"), "bmp"));
            QFile qt(dir.filePath("qt.bmp")), own(dir.filePath("own.bmp"));
            ASSERT_TRUE(qt.open(QIODevice::ReadOnly) && own.open(QIODevice::ReadOnly));
            EXPECT_EQ(own.readAll(), qt.readAll()) << w << " x " << h;
            EXPECT_EQ(same.image(), bmp.image()) << w << " x " << h;
        }
    }
}

TEST(Bitmap, FailuresLeaveThingsAsTheyWere) {
    QTemporaryDir dir;
    Bitmap empty;
    EXPECT_FALSE(empty.saveToFile(dir.filePath("empty.bmp")));
    EXPECT_FALSE(QFile::exists(dir.filePath("empty.bmp")));

    Bitmap bmp(4, 4);
    EXPECT_FALSE(bmp.saveToFile(dir.filePath("no/such/folder/x.bmp")));
    EXPECT_FALSE(bmp.loadFromFile(dir.filePath("missing.bmp")));
    QFile junk(dir.filePath("junk.bmp"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write("not a picture");
    junk.close();
    EXPECT_FALSE(bmp.loadFromFile(junk.fileName()));
    EXPECT_EQ(bmp.width(), 4);
    EXPECT_EQ(bmp.height(), 4);
}

TEST(Bitmap, ResizingKeepsWhatStillFitsAndWhitensTheRest) {
    Bitmap bmp(10, 10);
    bmp.canvas().brush().color = kGreen;
    bmp.canvas().fillRect(QRect(0, 0, 10, 10));
    bmp.setWidth(20);
    bmp.setHeight(5);
    EXPECT_EQ(bmp.width(), 20);
    EXPECT_EQ(bmp.height(), 5);
    EXPECT_EQ(bmp.canvas().pixel(9, 4), kGreen);
    EXPECT_EQ(bmp.canvas().pixel(10, 4), kWhite);
    bmp.setSize(-3, 7);
    EXPECT_EQ(bmp.width(), 0);
    bmp.setSize(2, 2);
    EXPECT_EQ(bmp.canvas().pixel(1, 1), kWhite);
}

TEST(Bitmap, CopiesDrawOnTheirOwnPicture) {
    Bitmap a(5, 5);
    a.canvas().brush().color = kRed;
    Bitmap b = a;
    b.canvas().fillRect(QRect(0, 0, 5, 5));
    EXPECT_EQ(b.canvas().pixel(2, 2), kRed);
    EXPECT_EQ(a.canvas().pixel(2, 2), kWhite);
    a = b;
    a.canvas().brush().color = kBlue;
    a.canvas().fillRect(QRect(0, 0, 1, 1));
    EXPECT_EQ(a.canvas().pixel(0, 0), kBlue);
    EXPECT_EQ(b.canvas().pixel(0, 0), kRed);
}

} // namespace
} // namespace toolkit
