// The yardstick QSI is held to: a plain paving program that classifies each
// box by one natural interval evaluation (outward rounded with nextafter),
// bisects the widest variable at its midpoint down to CSPEps of each
// variable's width, in the same queue order as QSI, and writes the solution,
// non-solution and undefined boxes as text.
//
//   plain_paving annulus|ball3|ball4 EPS OUTFILE
//
// annulus: 1 <= x^2 + y^2 <= 4 in [-3, 3]^2; ballN: the sum of the squares
// of N variables <= 1 in [-3, 3]^N (the problems of annulus.txt, ball3.txt
// and ball4.txt beside it).
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <deque>
#include <string>
#include <vector>

namespace {

struct iv {
    double lo, hi;
};

double down(double x) {
    return std::nextafter(x, -INFINITY);
}
double up(double x) {
    return std::nextafter(x, INFINITY);
}

iv sqr(iv a) {
    const double l = a.lo * a.lo, h = a.hi * a.hi;
    if (a.lo >= 0) return {down(l), up(h)};
    if (a.hi <= 0) return {down(h), up(l)};
    return {0.0, up(std::max(l, h))};
}

iv add(iv a, iv b) {
    return {down(a.lo + b.lo), up(a.hi + b.hi)};
}

enum class kind { solution, nonSolution, undefined };

kind classify(const std::vector<iv>& b, bool annulus) {
    iv s = sqr(b[0]);
    for (std::size_t i = 1; i < b.size(); ++i)
        s = add(s, sqr(b[i]));
    if (annulus) {
        if (s.hi <= 4 && s.lo >= 1) return kind::solution;
        if (s.lo > 4 || s.hi < 1) return kind::nonSolution;
        return kind::undefined;
    }
    if (s.hi <= 1) return kind::solution;
    if (s.lo > 1) return kind::nonSolution;
    return kind::undefined;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: plain_paving annulus|ball3|ball4 EPS OUTFILE\n");
        return 2;
    }
    const std::string name = argv[1];
    const bool annulus = name == "annulus";
    const std::size_t n = annulus ? 2 : (name == "ball4" ? 4 : 3);
    const double eps = std::strtod(argv[2], nullptr) * 6.0;
    std::deque<std::vector<iv>> queue{std::vector<iv>(n, iv{-3, 3})};
    std::vector<std::vector<iv>> lists[3];
    while (!queue.empty()) {
        std::vector<iv> b = std::move(queue.front());
        queue.pop_front();
        const kind k = classify(b, annulus);
        if (k != kind::undefined) {
            lists[k == kind::solution ? 0 : 1].push_back(std::move(b));
            continue;
        }
        int chosen = -1;
        double best = -INFINITY;
        for (std::size_t i = 0; i < n; ++i) {
            const double w = b[i].hi - b[i].lo;
            if (w >= best && w > eps) {
                best = w;
                chosen = static_cast<int>(i);
            }
        }
        if (chosen < 0) {
            lists[2].push_back(std::move(b));
            continue;
        }
        const double m = 0.5 * (b[chosen].lo + b[chosen].hi);
        std::vector<iv> upper = b;
        b[chosen].hi = m;
        upper[chosen].lo = m;
        queue.push_back(std::move(b));
        queue.push_back(std::move(upper));
    }
    std::FILE* out = std::fopen(argv[3], "w");
    if (out == nullptr) return 1;
    const char* titles[] = {"Solution Boxes:", "Non-solution Boxes:", "Undefined Boxes:"};
    for (int l = 0; l < 3; ++l) {
        std::fprintf(out, "%s\n", titles[l]);
        for (const auto& b : lists[l]) {
            std::fputs("Box:\n", out);
            for (std::size_t i = 0; i < n; ++i)
                std::fprintf(out, "x%zu=[%.17g, %.17g]\n", i + 1, b[i].lo, b[i].hi);
        }
    }
    return std::fclose(out) == 0 ? 0 : 1;
}
