// The picture of a paving drawn from its result: each verdict in its
// colour, the strongest claim on top where boxes project onto each other.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "modal/modal.h"
#include "solver/plot/paving_picture.h"

namespace modal {
namespace {

result paving(const std::string& problem) {
    const parse_result p = parse_problem(problem);
    EXPECT_TRUE(p.value.has_value());
    return solve(*p.value);
}

struct picture {
    toolkit::Bitmap image{repere::kImageWidth, repere::kImageHeight};
    repere frame;
    explicit picture(const result& r) {
        const ivalDb x = horizontalRange(r), y = verticalRange(r);
        frame = repere(image, x.inf(), x.sup(), y.inf(), y.sup());
        drawPaving(r, frame);
    }
    toolkit::Color at(double x, double y) const {
        return image.canvas().pixel(frame.pixelX(x), frame.pixelY(y));
    }
    int count(toolkit::Color c) const {
        int n = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                n += image.canvas().pixel(x, y) == c;
        return n;
    }
};

void checkColours(const result& r, bool wideUndefined);

TEST(PavingPicture, EachVerdictInItsColour) {
    // Bisected boxes alone, and boxes contracted first.
    for (const std::string contract : {"", "Contract=1;"}) {
        SCOPED_TRACE(contract);
        checkColours(paving("Algorithm=QSI; CSPEps=0.05; F(x,[-3,3]); F(y,[-3,3]);" + contract +
                            "c:= pow(x,2)+pow(y,2) <= 4; c:= pow(x,2)+pow(y,2) >= 1;"),
                     contract.empty());
    }
}

void checkColours(const result& r, bool wideUndefined) {
    const picture p(r);
    // The centre of every box wide enough to have an inside shows its kind.
    for (const box_kind kind : {box_kind::solution, box_kind::non_solution, box_kind::undefined}) {
        const toolkit::Color colour = kind == box_kind::solution       ? kSolutionColor
                                      : kind == box_kind::non_solution ? kNonSolutionColor
                                                                       : kUndefinedColor;
        const box_list& boxes = r.boxes(kind);
        int checked = 0;
        for (std::size_t k = 0; k < boxes.size(); ++k) {
            const ivalDb x = boxes.at(k, 0), y = boxes.at(k, 1);
            if (p.frame.pixelX(x.sup()) - p.frame.pixelX(x.inf()) < 4 ||
                p.frame.pixelY(y.inf()) - p.frame.pixelY(y.sup()) < 4)
                continue;
            EXPECT_EQ(p.at(x.mid(), y.mid()), colour);
            ++checked;
        }
        if (kind != box_kind::undefined || wideUndefined) {
            EXPECT_GT(checked, 0);
        }
    }
    // The hole and the corners are non-solution, the ring solution.
    EXPECT_EQ(p.at(0.1, 0.1), kNonSolutionColor);
    EXPECT_EQ(p.at(1.6, 0.1), kSolutionColor);
    EXPECT_EQ(p.at(2.9, 2.9), kNonSolutionColor);
}

TEST(PavingPicture, StartBoxProvenASolutionFillsTheFrameRed) {
    const picture p(paving("Algorithm=QSI; F(x,[-0.5,0.5]); F(y,[-0.5,0.5]); "
                           "c:= pow(x,2)+pow(y,2) <= 1;"));
    EXPECT_GT(p.count(kSolutionColor), p.image.width() * p.image.height() * 9 / 10);
}

TEST(PavingPicture, WithThreeVariablesEveryPixelShowsTheStrongestClaim) {
    // A ball seen along z: every pixel inside the disc x^2 + y^2 < 1 lies
    // over some solution box (z = 0 belongs to the ball there).
    const result r = paving("Algorithm=QSI; CSPEps=0.05; F(x,[-3,3]); F(y,[-3,3]); F(z,[-3,3]);"
                            "c:= pow(x,2)+pow(y,2)+pow(z,2)/4 <= 1;");
    const picture p(r);
    EXPECT_EQ(p.at(0.1, 0.1), kSolutionColor);
    EXPECT_EQ(p.at(0.5, -0.3), kSolutionColor);
    EXPECT_EQ(p.at(2.5, 2.5), kNonSolutionColor);
    // Drawing by kind, not by decision: the picture depends on the boxes only.
    result shuffled = r;
    std::reverse(shuffled.decided.begin(), shuffled.decided.end());
    const picture q(shuffled);
    for (int y = 0; y < p.image.height(); y += 7)
        for (int x = 0; x < p.image.width(); x += 7)
            ASSERT_EQ(p.image.canvas().pixel(x, y), q.image.canvas().pixel(x, y));
}

} // namespace
} // namespace modal
