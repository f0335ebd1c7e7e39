#include <climits>
#include <random>

#include <QPainter>

#include <gtest/gtest.h>

#include "toolkit/bitmap.h"

namespace toolkit {
namespace {

TEST(Color, BgrEncodingMapsToQtChannels) {
    EXPECT_EQ(toQColor(kRed), QColor(255, 0, 0));
    EXPECT_EQ(toQColor(kBlue), QColor(0, 0, 255));
    EXPECT_EQ(toQColor(0x123456), QColor(0x56, 0x34, 0x12));
    EXPECT_EQ(fromQColor(QColor(0x56, 0x34, 0x12)), 0x123456u);
    EXPECT_EQ(toQColor(0xFF00FFFF), QColor(255, 255, 0)); // the top byte is ignored
    EXPECT_EQ(fromRgb(qRgb(1, 2, 3)), 0x030201u);
}

class CanvasTest : public ::testing::Test {
protected:
    Bitmap bmp{40, 30};
    Canvas& c = bmp.canvas();
};

TEST_F(CanvasTest, NewBitmapIsWhite) {
    EXPECT_EQ(c.pixel(0, 0), kWhite);
    EXPECT_EQ(c.pixel(39, 29), kWhite);
    EXPECT_EQ(c.pixel(40, 0), kBlack); // outside
}

TEST_F(CanvasTest, RectangleFillsWithBrushAndOutlinesWithPenWithoutRightAndBottomEdge) {
    c.brush().color = kRed;
    c.pen().color = kBlue;
    c.rectangle(10, 10, 20, 15);
    EXPECT_EQ(c.pixel(15, 12), kRed);
    EXPECT_EQ(c.pixel(10, 10), kBlue);
    EXPECT_EQ(c.pixel(19, 14), kBlue);
    EXPECT_EQ(c.pixel(19, 12), kBlue);
    EXPECT_EQ(c.pixel(15, 14), kBlue);
    EXPECT_EQ(c.pixel(20, 12), kWhite);
    EXPECT_EQ(c.pixel(15, 15), kWhite);
    EXPECT_EQ(c.pixel(9, 12), kWhite);
    EXPECT_EQ(c.pixel(15, 9), kWhite);
}

TEST_F(CanvasTest, RectangleCornersInAnyOrder) {
    c.brush().color = kYellow;
    c.pen().color = kYellow;
    c.rectangle(20, 5, 10, 1); // right-to-left, bottom-to-top
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x) {
            const bool inside = x >= 10 && x < 20 && y >= 1 && y < 5;
            ASSERT_EQ(c.pixel(x, y), inside ? kYellow : kWhite) << x << "," << y;
        }
}

TEST_F(CanvasTest, ClearBrushAndClearPen) {
    c.brush().style = BrushStyle::Clear;
    c.pen().color = kGreen;
    c.rectangle(0, 0, 10, 10);
    EXPECT_EQ(c.pixel(5, 5), kWhite);
    EXPECT_EQ(c.pixel(0, 5), kGreen);
    c.brush().style = BrushStyle::Solid;
    c.brush().color = kBlue;
    c.pen().style = PenStyle::Clear;
    c.rectangle(20, 0, 30, 10);
    EXPECT_EQ(c.pixel(20, 0), kBlue);
    EXPECT_EQ(c.pixel(29, 9), kBlue);
    EXPECT_EQ(c.pixel(30, 9), kWhite);
}

TEST_F(CanvasTest, EmptyRectangleDrawsNothing) {
    c.brush().color = kRed;
    c.pen().color = kRed;
    c.rectangle(5, 5, 5, 20);
    c.rectangle(5, 5, 20, 5);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            ASSERT_EQ(c.pixel(x, y), kWhite);
}

TEST_F(CanvasTest, HugeCoordinatesAreClippedNotOverflowed) {
    c.brush().color = kRed;
    c.pen().color = kRed;
    c.rectangle(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
    EXPECT_EQ(c.pixel(0, 0), kRed);
    EXPECT_EQ(c.pixel(39, 29), kRed);
    c.pen().color = kBlue;
    c.moveTo(INT_MIN, 3);
    c.lineTo(INT_MAX, 3);
    EXPECT_EQ(c.pixel(0, 3), kBlue);
    EXPECT_EQ(c.pixel(39, 3), kBlue);
}

TEST_F(CanvasTest, LineStopsBeforeItsEndPointAndMovesThePen) {
    c.pen().color = kRed;
    c.moveTo(2, 5);
    c.lineTo(12, 5);
    for (int x = 2; x < 12; ++x)
        EXPECT_EQ(c.pixel(x, 5), kRed) << x;
    EXPECT_EQ(c.pixel(12, 5), kWhite);
    EXPECT_EQ(c.pixel(1, 5), kWhite);
    EXPECT_EQ(c.pixel(7, 4), kWhite);
    EXPECT_EQ(c.penPos(), QPoint(12, 5));
    c.lineTo(12, 15); // continues from the pen position
    EXPECT_EQ(c.pixel(12, 10), kRed);
    EXPECT_EQ(c.pixel(12, 5), kRed);
}

TEST_F(CanvasTest, WidePenCoversNeighbouringRows) {
    c.pen().color = kBlue;
    c.pen().width = 3;
    c.moveTo(5, 10);
    c.lineTo(30, 10);
    EXPECT_EQ(c.pixel(15, 9), kBlue);
    EXPECT_EQ(c.pixel(15, 10), kBlue);
    EXPECT_EQ(c.pixel(15, 11), kBlue);
    EXPECT_EQ(c.pixel(15, 13), kWhite);
    EXPECT_EQ(c.pixel(15, 7), kWhite);
}

TEST_F(CanvasTest, CopyRectFromAnotherCanvasAndFromItself) {
    Bitmap src(10, 10);
    src.canvas().brush().color = kGreen;
    src.canvas().fillRect(QRect(0, 0, 5, 5));
    c.copyRect(QRect(20, 20, 10, 10), src.canvas(), QRect(0, 0, 10, 10));
    EXPECT_EQ(c.pixel(20, 20), kGreen);
    EXPECT_EQ(c.pixel(24, 24), kGreen);
    EXPECT_EQ(c.pixel(25, 25), kWhite);
    c.copyRect(QRect(0, 0, 5, 5), c, QRect(20, 20, 5, 5));
    EXPECT_EQ(c.pixel(0, 0), kGreen);
    EXPECT_EQ(c.pixel(4, 4), kGreen);
}

TEST_F(CanvasTest, DrawPlacesAPictureAtItsTopLeftCorner) {
    Bitmap led(3, 2);
    led.canvas().brush().color = kRed;
    led.canvas().fillRect(QRect(0, 0, 3, 2));
    c.draw(7, 8, led.image());
    EXPECT_EQ(c.pixel(7, 8), kRed);
    EXPECT_EQ(c.pixel(9, 9), kRed);
    EXPECT_EQ(c.pixel(10, 9), kWhite);
    EXPECT_EQ(c.pixel(7, 10), kWhite);
    EXPECT_EQ(c.pixel(6, 8), kWhite);
}

// What the painter itself draws for a rectangle (corners in order, clipped
// like the canvas) and for a line: the reference the canvas must match pixel
// for pixel, however it draws.
QPen painterPen(const Pen& p, Qt::PenCapStyle cap) {
    QPen pen(toQColor(p.color));
    pen.setStyle(p.style == PenStyle::Dash ? Qt::DashLine : Qt::SolidLine);
    pen.setWidth(std::max(1, p.width));
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void painterRectangle(QImage& im, QRect r, const Brush& b, const Pen& p) {
    QPainter painter(&im);
    if (b.style == BrushStyle::Solid) painter.fillRect(r, toQColor(b.color));
    if (b.style == BrushStyle::Cross)
        painter.fillRect(r, QBrush(toQColor(b.color), Qt::CrossPattern));
    if (p.style == PenStyle::Clear) return;
    painter.setPen(painterPen(p, Qt::SquareCap));
    if (r.width() == 1 || r.height() == 1)
        painter.fillRect(r, toQColor(p.color));
    else
        painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void painterLine(QImage& im, QPoint a, QPoint b, const Pen& p) {
    if (p.style == PenStyle::Clear || a == b) return;
    QPainter painter(&im);
    painter.setPen(painterPen(p, Qt::FlatCap));
    painter.drawLine(a, b);
}

TEST(CanvasPixels, RectanglesAndLinesMatchThePainterPixelForPixel) {
    std::mt19937 rng(7);
    auto coord = [&](int size) { return std::uniform_int_distribution<int>(-12, size + 12)(rng); };
    auto pick = [&](int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); };
    const BrushStyle brushes[] = {BrushStyle::Solid, BrushStyle::Clear, BrushStyle::Cross};
    const PenStyle pens[] = {PenStyle::Solid, PenStyle::InsideFrame, PenStyle::Clear,
                             PenStyle::Dash};
    for (int round = 0; round < 500; ++round) {
        Bitmap bmp(40, 30);
        QImage reference = bmp.image().copy();
        Canvas& c = bmp.canvas();
        for (int k = 0; k < 6; ++k) {
            c.brush().style = brushes[pick(3)];
            c.brush().color = static_cast<Color>(rng() & 0xFFFFFF);
            c.pen().style = pens[pick(4)];
            c.pen().color = static_cast<Color>(rng() & 0xFFFFFF);
            c.pen().width = 1 + pick(4) / 3; // mostly 1, sometimes 2
            const int x1 = coord(40), y1 = coord(30);
            // Lines along a row or a column most of the time.
            const int kind = pick(4);
            const int x2 = kind == 0 ? x1 : coord(40), y2 = kind == 1 ? y1 : coord(30);
            const bool isRect = pick(2) == 0;
            if (isRect) {
                c.rectangle(x1, y1, x2, y2);
                const QRect r = QRect(QPoint(std::min(x1, x2), std::min(y1, y2)),
                                      QPoint(std::max(x1, x2) - 1, std::max(y1, y2) - 1));
                if (x1 != x2 && y1 != y2) painterRectangle(reference, r, c.brush(), c.pen());
            } else {
                const QPoint from = c.penPos();
                c.lineTo(x2, y2);
                painterLine(reference, from, QPoint(x2, y2), c.pen());
            }
        }
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(bmp.image().pixel(x, y), reference.pixel(x, y))
                    << "round " << round << " at " << x << "," << y;
    }
}

TEST(StyleNumbers, UnknownValuesFallBackToSolid) {
    EXPECT_EQ(brushStyleFromInt(0), BrushStyle::Solid);
    EXPECT_EQ(brushStyleFromInt(1), BrushStyle::Clear);
    EXPECT_EQ(brushStyleFromInt(99), BrushStyle::Solid);
    EXPECT_EQ(penStyleFromInt(5), PenStyle::Clear);
    EXPECT_EQ(penStyleFromInt(-1), PenStyle::Solid);
}

} // namespace
} // namespace toolkit
