#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cmath>
#include <initializer_list>
#include <limits>
#include <random>
#include <utility>

#include <gtest/gtest.h>

#include "solver/plot/repere.h"
#include "toolkit/qt_color.h"

namespace modal {
namespace {

using toolkit::Color;

box makeBox(std::initializer_list<std::pair<double, double>> domains) {
    box b;
    const char* names[] = {"a", "b", "c", "d"};
    int i = 0;
    for (auto [lo, hi] : domains)
        b.append(variable(1, ivalDb::exact(lo, hi), names[i++ % 4]));
    return b;
}

box frameBox(const repere& r) {
    box b;
    b.append(variable(1, r.horizontal(), "x"));
    b.append(variable(1, r.vertical(), "y"));
    return b;
}

int countPixels(const toolkit::Bitmap& bmp, Color c) {
    int n = 0;
    for (int y = 0; y < bmp.height(); ++y)
        for (int x = 0; x < bmp.width(); ++x)
            n += bmp.canvas().pixel(x, y) == c;
    return n;
}

class RepereTest : public ::testing::Test {
protected:
    toolkit::Bitmap image{repere::kImageWidth, repere::kImageHeight};
    repere frame{image, -2.0, 2.0, -1.0, 1.0};
};

TEST(RepereConstruction, RangesAreRoundedOutwardAndDefaultIsTheWholeLine) {
    toolkit::Bitmap image(10, 10);
    repere r(image, 1.0, 3.0, -2.0, 0.0);
    EXPECT_EQ(r.horizontal().inf(), nextDown(1.0));
    EXPECT_EQ(r.horizontal().sup(), nextUp(3.0));
    EXPECT_EQ(r.vertical().inf(), nextDown(-2.0));
    EXPECT_EQ(r.vertical().sup(), 0.0);
    repere d;
    EXPECT_EQ(d.horizontal().inf(), -kInf);
    EXPECT_EQ(d.vertical().sup(), kInf);
    EXPECT_EQ(d.image(), nullptr);
}

TEST_F(RepereTest, LeftEndMapsToColumnZeroAndTopToRowZero) {
    EXPECT_EQ(frame.pixelX(frame.horizontal().inf()), 0);
    EXPECT_EQ(frame.pixelY(frame.vertical().sup()), 0);
    EXPECT_EQ(frame.pixelX(0.0), 508);  // 1017 / 2, truncated
    EXPECT_EQ(frame.pixelY(0.0), 356);  // 713 / 2, truncated
    EXPECT_EQ(frame.pixelX(-1.0), 254); // 254.25
    EXPECT_EQ(frame.pixelY(-0.5), 534); // 534.75
    EXPECT_EQ(frame.pixelX(-1.0, 1), 255);
    EXPECT_EQ(frame.pixelY(1.0, -1), -1);
}

TEST_F(RepereTest, MappingFollowsTheImageSizeOfEachCall) {
    image.setSize(100, 50);
    EXPECT_EQ(frame.pixelX(0.0), 50);
    EXPECT_EQ(frame.pixelY(0.0), 25);
}

TEST_F(RepereTest, BoxEqualToTheFrameFillsTheWholeClientArea) {
    frame.fillBox(frameBox(frame), toolkit::kRed, toolkit::kRed, 0);
    EXPECT_EQ(countPixels(image, toolkit::kRed), repere::kImageWidth * repere::kImageHeight);
}

TEST_F(RepereTest, BoxEqualToAnUnevenFrameCoversAllButAtMostTheBottomRow) {
    // Single-precision factors can map the bottom of an uneven range just
    // above the last row, which truncation then leaves out.
    repere odd(image, -3.7, 12.9, 0.3, 7.1);
    odd.fillBox(frameBox(odd), toolkit::kBlue, toolkit::kBlue, 0);
    for (int y = 0; y < repere::kImageHeight - 1; ++y)
        for (int x = 0; x < repere::kImageWidth; ++x)
            ASSERT_EQ(image.canvas().pixel(x, y), toolkit::kBlue) << x << "," << y;
}

TEST_F(RepereTest, FillBoxUsesBrushInsidePenOnTheEdgeAndLeavesTheRest) {
    frame.fillBox(makeBox({{-1.0, 0.0}, {0.0, 0.5}}), toolkit::kRed, toolkit::kBlack, 0);
    const auto& c = image.canvas();
    // x: 254.25 .. 508.5 + 1, y: 356.5 .. 178.25 - 1
    EXPECT_EQ(c.pixel(380, 270), toolkit::kRed);
    EXPECT_EQ(c.pixel(254, 270), toolkit::kBlack);
    EXPECT_EQ(c.pixel(508, 270), toolkit::kBlack);
    EXPECT_EQ(c.pixel(509, 270), toolkit::kWhite);
    EXPECT_EQ(c.pixel(253, 270), toolkit::kWhite);
    EXPECT_EQ(c.pixel(380, 177), toolkit::kBlack);
    EXPECT_EQ(c.pixel(380, 176), toolkit::kWhite);
    EXPECT_EQ(c.pixel(380, 355), toolkit::kBlack);
    EXPECT_EQ(c.pixel(380, 356), toolkit::kWhite);
}

TEST_F(RepereTest, OneVariableBoxIsABandOverTheFullHeightOfAUnitFrame) {
    frame.fillBox(makeBox({{0.5, 1.0}}), toolkit::kYellow, toolkit::kYellow, 0);
    const auto& c = image.canvas();
    const int left = frame.pixelX(0.5), right = frame.pixelX(1.0, 1);
    for (int y = 0; y < repere::kImageHeight; ++y) {
        ASSERT_EQ(c.pixel((left + right) / 2, y), toolkit::kYellow) << y;
        ASSERT_EQ(c.pixel(left - 1, y), toolkit::kWhite) << y;
        ASSERT_EQ(c.pixel(right, y), toolkit::kWhite) << y;
    }
}

TEST_F(RepereTest, PlotIndicesChooseTheDrawnVariables) {
    box b = makeBox({{-100.0, 100.0}, {0.0, 0.5}, {-1.0, 0.0}});
    b.setPlotX(2);
    b.setPlotY(1);
    frame.fillBox(b, toolkit::kRed, toolkit::kRed, 0);
    EXPECT_EQ(image.canvas().pixel(380, 270), toolkit::kRed);
    EXPECT_EQ(image.canvas().pixel(700, 270), toolkit::kWhite);
    b.setPlotX(7); // no such variable: nothing is drawn
    frame.fillBox(b, toolkit::kBlue, toolkit::kBlue, 0);
    EXPECT_EQ(countPixels(image, toolkit::kBlue), 0);
    frame.fillBox(box(), toolkit::kBlue, toolkit::kBlue, 0);
    EXPECT_EQ(countPixels(image, toolkit::kBlue), 0);
}

TEST_F(RepereTest, OutlineDrawsTheFourEdgesOnly) {
    frame.outlineBox(makeBox({{-1.0, 0.0}, {0.0, 0.5}}), toolkit::kBlack, 0, 1);
    const auto& c = image.canvas();
    EXPECT_EQ(c.pixel(254, 270), toolkit::kBlack); // left edge
    EXPECT_EQ(c.pixel(508, 270), toolkit::kBlack); // right edge
    EXPECT_EQ(c.pixel(380, 178), toolkit::kBlack); // top edge
    EXPECT_EQ(c.pixel(380, 356), toolkit::kBlack); // bottom edge
    EXPECT_EQ(c.pixel(380, 270), toolkit::kWhite); // inside
    EXPECT_EQ(c.pen().width, 1);
}

TEST_F(RepereTest, PenWidthIsOneAfterEveryLine) {
    frame.line(-2.0, 0.0, 2.0, 0.0, toolkit::kBlue, 0, 5);
    EXPECT_EQ(image.canvas().pen().width, 1);
    EXPECT_EQ(image.canvas().pen().color, toolkit::kBlue);
    EXPECT_EQ(image.canvas().pixel(500, 358), toolkit::kBlue); // width 5 around row 356
    EXPECT_EQ(image.canvas().pixel(500, 354), toolkit::kBlue);
    frame.outlineBox(makeBox({{-1.0, 0.0}, {0.0, 0.5}}), toolkit::kRed, 0, 7);
    EXPECT_EQ(image.canvas().pen().width, 1);
}

TEST_F(RepereTest, DegenerateRangesDrawNothingInsideAndDoNotCrash) {
    repere flat(image, 1.0, 1.0, 0.0, 0.0); // widths are 2 ulps and 0
    flat.fillBox(makeBox({{0.0, 2.0}, {-1.0, 1.0}}), toolkit::kRed, toolkit::kRed, 0);
    flat.line(-1e308, -1e308, 1e308, 1e308, toolkit::kRed, 0, 1);
    flat.fillBox(makeBox({{-kInf, kInf}, {kNaN, kNaN}}), toolkit::kRed, toolkit::kRed, 0);
    EXPECT_EQ(countPixels(image, toolkit::kRed), 0);
    repere unbounded(image, -kInf, kInf, -kInf, kInf);
    unbounded.fillBox(makeBox({{0.0, 1.0}, {0.0, 1.0}}), toolkit::kRed, toolkit::kRed, 0);
    EXPECT_EQ(countPixels(image, toolkit::kRed), 0);
}

TEST(RepereNoImage, DrawingAndSavingWithoutAnImageOrWithAnEmptyOneDoNothing) {
    QTemporaryDir dir;
    repere none;
    none.fillBox(makeBox({{0.0, 1.0}, {0.0, 1.0}}), toolkit::kRed, toolkit::kRed, 0);
    EXPECT_FALSE(none.savePicture(dir.filePath("a").toStdString()));
    toolkit::Bitmap empty;
    repere zero(empty, 0.0, 1.0, 0.0, 1.0);
    zero.fillBox(makeBox({{0.0, 1.0}, {0.0, 1.0}}), toolkit::kRed, toolkit::kRed, 0);
    zero.line(0.0, 0.0, 1.0, 1.0, toolkit::kRed, 0, 3);
    EXPECT_FALSE(zero.savePicture(dir.filePath("b").toStdString()));
    EXPECT_FALSE(QFile::exists(dir.filePath("bImage.bmp")));
}

TEST_F(RepereTest, SavedPictureShowsTheVerdictColoursAtTheClientSize) {
    // The background, then a solution, a non-solution and an undefined box,
    // and a bisection outline, as a paving draws them.
    frame.fillBox(frameBox(frame), 0xFFFFFF, 0xFFFFFF, 0);
    frame.fillBox(makeBox({{-2.0, -1.0}, {0.0, 1.0}}), 0x0000FF, 0, 0);
    frame.fillBox(makeBox({{1.0, 2.0}, {0.0, 1.0}}), 0xFF0000, 0, 0);
    frame.fillBox(makeBox({{-0.5, 0.5}, {-1.0, -0.5}}), 0x00FFFF, 0, 0);
    frame.outlineBox(makeBox({{-1.0, 1.0}, {0.0, 1.0}}), 0, 0, 1);
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string prefix = dir.filePath("disc").toStdString();
    ASSERT_TRUE(frame.savePicture(prefix));

    const QString path = QString::fromStdString(prefix + "Image.bmp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray header = f.read(30);
    EXPECT_EQ(quint8(header[28]), 24); // bits per pixel
    QImage back(path);
    ASSERT_EQ(back.size(), QSize(1017, 713));
    auto at = [&](double x, double y) {
        return toolkit::fromRgb(back.pixel(frame.pixelX(x), frame.pixelY(y)));
    };
    EXPECT_EQ(at(-1.5, 0.5), 0x0000FFu);  // red
    EXPECT_EQ(at(1.5, 0.5), 0xFF0000u);   // blue
    EXPECT_EQ(at(0.0, -0.75), 0x00FFFFu); // yellow
    EXPECT_EQ(at(0.0, 0.5), 0xFFFFFFu);   // inside the outline
    EXPECT_EQ(at(-1.0, 0.5), 0u);         // on the outline
}

} // namespace
} // namespace modal

// The pixel of a coordinate is the truncation toward zero of the extended
// precision value, as a direct conversion gives it: next to whole numbers on
// both sides of zero, at the clamps, for NaN.
TEST(ReperePixels, TruncationIsThatOfADirectConversion) {
    const long double far = 1 << 22;
    auto reference = [far](long double p) {
        if (std::isnan(p)) return static_cast<int>(-far);
        if (p > far) return static_cast<int>(far);
        if (p < -far) return static_cast<int>(-far);
        return static_cast<int>(p);
    };
    std::mt19937_64 rng(20261208);
    std::uniform_real_distribution<double> coordinate(-5e6, 5e6);
    for (int k = 0; k < 400000; ++k) {
        long double p = coordinate(rng) / (1 + k % 1000);
        if (k % 2 == 1) {
            // Next to a whole number, one extended-precision step either way.
            p = std::nextafter(std::round(p), k % 4 == 1 ? 1e9L : -1e9L);
        }
        ASSERT_EQ(modal::truncatePixel(p), reference(p)) << static_cast<double>(p);
    }
    for (long double p : {0.0L, -0.0L, 0.5L, -0.5L, 1.0L, -1.0L, far, -far, far + 1, -far - 1,
                          std::numeric_limits<long double>::quiet_NaN(),
                          std::numeric_limits<long double>::infinity()})
        EXPECT_EQ(modal::truncatePixel(p), reference(p)) << static_cast<double>(p);
}
