#include <QPainter>
#include <algorithm>
#include <climits>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "toolkit/bitmap.h"
#include "toolkit/qt_color.h"

namespace toolkit {
namespace {

class CanvasTest : public ::testing::Test {
protected:
    Bitmap bmp{40, 30};
    Canvas& c = bmp.canvas();
};

TEST_F(CanvasTest, RectangleFillsWithBrushAndOutlinesWithPenWithoutRightAndBottomEdge) {
    EXPECT_EQ(c.pixel(0, 0), kWhite);
    EXPECT_EQ(c.pixel(40, 0), kBlack); // outside
    c.brush().color = kRed;
    c.pen().color = kBlue;
    c.rectangle(20, 15, 10, 10); // corners in any order
    EXPECT_EQ(c.pixel(15, 12), kRed);
    EXPECT_EQ(c.pixel(10, 10), kBlue);
    EXPECT_EQ(c.pixel(19, 14), kBlue);
    EXPECT_EQ(c.pixel(20, 12), kWhite);
    EXPECT_EQ(c.pixel(15, 15), kWhite);
    EXPECT_EQ(c.pixel(9, 12), kWhite);
}

TEST_F(CanvasTest, LineStopsBeforeItsEndPointAndMovesThePen) {
    c.pen().color = kRed;
    c.moveTo(2, 5);
    c.lineTo(12, 5);
    EXPECT_EQ(c.pixel(2, 5), kRed);
    EXPECT_EQ(c.pixel(11, 5), kRed);
    EXPECT_EQ(c.pixel(12, 5), kWhite);
    EXPECT_EQ(c.penPos(), (Point{12, 5}));
    c.lineTo(12, 15); // continues from the pen position
    EXPECT_EQ(c.pixel(12, 10), kRed);
}

TEST_F(CanvasTest, CopiesFromAnotherCanvasFromItselfAndDrawsPictures) {
    Bitmap src(10, 10);
    src.canvas().brush().color = kGreen;
    src.canvas().fillRect(Rect{0, 0, 5, 5});
    c.copyRect(Rect{20, 20, 10, 10}, src.canvas(), Rect{0, 0, 10, 10});
    EXPECT_EQ(c.pixel(24, 24), kGreen);
    EXPECT_EQ(c.pixel(25, 25), kWhite);
    c.copyRect(Rect{0, 0, 5, 5}, c, Rect{20, 20, 5, 5});
    EXPECT_EQ(c.pixel(4, 4), kGreen);
    c.draw(37, 28, src.image()); // clipped at the right and bottom
    EXPECT_EQ(c.pixel(39, 29), kGreen);
    EXPECT_EQ(c.pixel(36, 29), kWhite);
}

TEST(StyleNumbers, UnknownValuesFallBackToSolid) {
    EXPECT_EQ(brushStyleFromInt(1), BrushStyle::Clear);
    EXPECT_EQ(brushStyleFromInt(99), BrushStyle::Solid);
    EXPECT_EQ(penStyleFromInt(5), PenStyle::Clear);
    EXPECT_EQ(penStyleFromInt(-1), PenStyle::Solid);
}

// ---- The pixels of Qt's painter, as the toolkit's first version drew ----
//
// That version drew every call with a QPainter on a 32-bit QImage, in the way
// below; pictures must stay the same pixel for pixel.

constexpr int kFar = 1 << 20; // coordinates were clamped to +-kFar

Qt::BrushStyle qtBrushStyle(BrushStyle s) {
    const Qt::BrushStyle styles[] = {Qt::SolidPattern, Qt::NoBrush,         Qt::HorPattern,
                                     Qt::VerPattern,   Qt::FDiagPattern,    Qt::BDiagPattern,
                                     Qt::CrossPattern, Qt::DiagCrossPattern};
    return styles[static_cast<int>(s)];
}

QPen qtPen(const Pen& p, Qt::PenCapStyle cap) {
    const Qt::PenStyle styles[] = {Qt::SolidLine,      Qt::DashLine, Qt::DotLine,  Qt::DashDotLine,
                                   Qt::DashDotDotLine, Qt::NoPen,    Qt::SolidLine};
    QPen pen(toQColor(p.color));
    pen.setStyle(styles[static_cast<int>(p.style)]);
    pen.setWidth(std::max(1, p.width));
    pen.setCapStyle(cap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

int clampFar(int v) {
    return std::clamp(v, -kFar, kFar);
}

void painterRectangle(QImage& im, int x1, int y1, int x2, int y2, const Brush& b, const Pen& p) {
    const int left = clampFar(std::min(x1, x2)), right = clampFar(std::max(x1, x2));
    const int top = clampFar(std::min(y1, y2)), bottom = clampFar(std::max(y1, y2));
    if (right <= left || bottom <= top) return;
    const QRect r(left, top, right - left, bottom - top);
    QPainter painter(&im);
    if (b.style != BrushStyle::Clear)
        painter.fillRect(r, QBrush(toQColor(b.color), qtBrushStyle(b.style)));
    if (p.style == PenStyle::Clear) return;
    painter.setPen(qtPen(p, Qt::SquareCap));
    painter.setBrush(Qt::NoBrush);
    if (r.width() == 1 || r.height() == 1)
        painter.fillRect(r, toQColor(p.color));
    else
        painter.drawRect(r.adjusted(0, 0, -1, -1));
}

void painterLine(QImage& im, QPoint a, QPoint b, const Pen& p) {
    a = QPoint(clampFar(a.x()), clampFar(a.y()));
    b = QPoint(clampFar(b.x()), clampFar(b.y()));
    if (p.style == PenStyle::Clear || a == b) return;
    QPainter painter(&im);
    painter.setPen(qtPen(p, Qt::FlatCap));
    painter.drawLine(a, b);
}

::testing::AssertionResult samePixels(const Image& got, const QImage& want) {
    for (int y = 0; y < want.height(); ++y)
        for (int x = 0; x < want.width(); ++x)
            if (got.pixel(x, y) != fromRgb(want.pixel(x, y)))
                return ::testing::AssertionFailure()
                       << "first difference at " << x << "," << y << ": " << std::hex
                       << got.pixel(x, y) << " instead of " << fromRgb(want.pixel(x, y));
    return ::testing::AssertionSuccess();
}

// Random rectangles and lines on a small picture, one call at a time, against
// the painter. Coordinates fall mostly around the picture, some far outside.
struct RandomDrawing {
    std::mt19937 rng;
    int width, height;
    int maxPenWidth;

    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng); }
    int coord(int size) {
        switch (pick(8)) {
        case 0:
            return std::uniform_int_distribution<int>(-3000000, 3000000)(rng);
        case 1:
            return pick(2) ? INT_MAX : INT_MIN;
        default:
            return std::uniform_int_distribution<int>(-12, size + 12)(rng);
        }
    }
    void randomPen(Pen& p) {
        p.style = penStyleFromInt(pick(7));
        p.color = static_cast<Color>(rng() & 0xFFFFFF);
        p.width = pick(3) ? 1 : 2 + pick(maxPenWidth - 1);
    }
};

// Outlines of wide dashed pens are compared only when the whole path lies in
// the picture: the painter's dashes restart their pattern in its own way
// where a side lies outside (and it draws more than 10000 repeats of the
// pattern along a side as a half-transparent line), the canvas keeps counting
// along the path.
bool offPictureDashes(int x1, int y1, int x2, int y2, const Pen& p, int width, int height) {
    if (p.width <= 1 || p.style == PenStyle::Solid || p.style == PenStyle::Clear ||
        p.style == PenStyle::InsideFrame)
        return false;
    const int left = clampFar(std::min(x1, x2)), right = clampFar(std::max(x1, x2)) - 1;
    const int top = clampFar(std::min(y1, y2)), bottom = clampFar(std::max(y1, y2)) - 1;
    return left < 0 || top < 0 || right >= width || bottom >= height;
}

void compareWithPainter(unsigned seed, int rounds, bool slanted, int maxPenWidth) {
    RandomDrawing r{std::mt19937(seed), 40, 30, maxPenWidth};
    for (int round = 0; round < rounds; ++round) {
        Bitmap bmp(r.width, r.height);
        QImage reference = toQImage(bmp.image());
        Canvas& c = bmp.canvas();
        std::ostringstream calls;
        for (int k = 0; k < 6; ++k) {
            c.brush().style = brushStyleFromInt(r.pick(8));
            c.brush().color = static_cast<Color>(r.rng() & 0xFFFFFF);
            r.randomPen(c.pen());
            const bool isRectangle = r.pick(2) == 0;
            // Lines from the pen position along a row or a column unless
            // slanted ones are asked for, then still most of the time.
            const int x1 = isRectangle ? r.coord(r.width) : c.penPos().x;
            const int y1 = isRectangle ? r.coord(r.height) : c.penPos().y;
            const int kind = slanted ? r.pick(4) : r.pick(2);
            const int x2 = kind == 0 ? x1 : r.coord(r.width);
            const int y2 = kind == 1 ? y1 : r.coord(r.height);
            calls << " pen(" << int(c.pen().style) << "," << c.pen().width << ") brush("
                  << int(c.brush().style) << ")";
            if (isRectangle && offPictureDashes(x1, y1, x2, y2, c.pen(), r.width, r.height))
                continue;
            if (isRectangle) {
                calls << " rectangle(" << x1 << "," << y1 << "," << x2 << "," << y2 << ")";
                c.rectangle(x1, y1, x2, y2);
                painterRectangle(reference, x1, y1, x2, y2, c.brush(), c.pen());
            } else {
                const Point from = c.penPos();
                calls << " line(" << from.x << "," << from.y << " -> " << x2 << "," << y2 << ")";
                c.lineTo(x2, y2);
                painterLine(reference, QPoint(from.x, from.y), QPoint(x2, y2), c.pen());
            }
            ASSERT_TRUE(samePixels(bmp.image(), reference))
                << "seed " << seed << " round " << round << ":" << calls.str();
        }
    }
}

TEST(CanvasPixels, RowsColumnsAndRectanglesMatchThePainter) {
    compareWithPainter(7, 3000, false, 6);
}

TEST(CanvasPixels, SlantedLinesMatchThePainter) {
    compareWithPainter(8, 3000, true, 6);
}

TEST(CanvasPixels, SmallRectanglesWithWidePensMatchThePainter) {
    // Every pen as wide as the rectangle or wider, every style, near the
    // corners of the picture.
    for (int style : {0, 1, 2, 3, 4})
        for (int width = 2; width <= 9; ++width)
            for (int w = 2; w <= 9; ++w)
                for (int h = 2; h <= 9; ++h)
                    for (int at : {-3, 0, 5, 26}) {
                        Bitmap bmp(30, 30);
                        QImage reference = toQImage(bmp.image());
                        Pen& pen = bmp.canvas().pen();
                        pen.style = penStyleFromInt(style);
                        pen.width = width;
                        bmp.canvas().brush().style = BrushStyle::Clear;
                        bmp.canvas().rectangle(at, at, at + w, at + h);
                        painterRectangle(reference, at, at, at + w, at + h, bmp.canvas().brush(),
                                         pen);
                        ASSERT_TRUE(samePixels(bmp.image(), reference))
                            << "style " << style << " width " << width << ": " << w << " x " << h
                            << " at " << at;
                    }
}

TEST(CanvasPixels, CopiesMatchThePainterAlsoScaled) {
    std::mt19937 rng(9);
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (int round = 0; round < 500; ++round) {
        Bitmap src(23, 17), dest(40, 30);
        for (int y = 0; y < src.height(); ++y)
            for (int x = 0; x < src.width(); ++x) {
                src.canvas().brush().color = static_cast<Color>(rng() & 0xFFFFFF);
                src.canvas().fillRect(Rect{x, y, 1, 1});
            }
        // Source and destination inside their pictures.
        const int sw = pick(1, 23), sh = pick(1, 17);
        const Rect from{pick(0, 23 - sw), pick(0, 17 - sh), sw, sh};
        const int dw = pick(1, 40), dh = pick(1, 30);
        const Rect to{pick(0, 40 - dw), pick(0, 30 - dh), dw, dh};
        dest.canvas().copyRect(to, src.canvas(), from);
        QImage reference = toQImage(Bitmap(40, 30).image());
        QPainter(&reference)
            .drawImage(QRect(to.x, to.y, to.width, to.height), toQImage(src.image()),
                       QRect(from.x, from.y, from.width, from.height));
        ASSERT_TRUE(samePixels(dest.image(), reference)) << "round " << round;
    }
}

} // namespace
} // namespace toolkit
