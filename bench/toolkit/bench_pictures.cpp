// The picture of a paving: drawing its boxes, and writing it as BMP and PNG
// files (the two files every QSI run writes).
#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>
#include <string>
#include <unistd.h>

#include "toolkit/bitmap.h"

namespace {

using namespace toolkit;

constexpr int kWidth = 1017, kHeight = 713;

// A paving's picture: a white background, then boxes halved again and again
// towards a circle, each filled in a verdict colour and outlined in black.
void drawPaving(Bitmap& bmp, int depth) {
    Canvas& c = bmp.canvas();
    c.brush().color = kWhite;
    c.pen().color = kWhite;
    c.rectangle(0, -1, kWidth + 1, kHeight);
    const Color verdicts[] = {kRed, kBlue, kYellow};
    std::mt19937 rng(1);
    struct Box {
        int x0, y0, x1, y1, level;
    };
    std::vector<Box> agenda = {{0, 0, kWidth, kHeight, 0}};
    while (!agenda.empty()) {
        const Box b = agenda.back();
        agenda.pop_back();
        const double cx = (b.x0 + b.x1) / 2.0 - kWidth / 2.0,
                     cy = (b.y0 + b.y1) / 2.0 - kHeight / 2.0;
        const bool nearCircle = std::abs(std::hypot(cx, cy) - 250) < (b.x1 - b.x0 + b.y1 - b.y0);
        if (nearCircle && b.level < depth) {
            c.pen().color = kBlack;
            c.moveTo(b.x0, b.y0);
            c.lineTo(b.x1, b.y0);
            const int mx = (b.x0 + b.x1) / 2, my = (b.y0 + b.y1) / 2;
            agenda.push_back({b.x0, b.y0, mx, my, b.level + 1});
            agenda.push_back({mx, b.y0, b.x1, my, b.level + 1});
            agenda.push_back({b.x0, my, mx, b.y1, b.level + 1});
            agenda.push_back({mx, my, b.x1, b.y1, b.level + 1});
            continue;
        }
        c.brush().color = verdicts[rng() % 3];
        c.pen().color = kBlack;
        c.rectangle(b.x0, b.y0, b.x1 + 1, b.y1 - 1);
    }
}

void BM_DrawPaving(benchmark::State& state) {
    Bitmap bmp(kWidth, kHeight);
    for (auto _ : state) {
        drawPaving(bmp, static_cast<int>(state.range(0)));
        benchmark::ClobberMemory();
    }
}
BENCHMARK(BM_DrawPaving)->Arg(6)->Arg(9)->Unit(benchmark::kMillisecond);

void save(benchmark::State& state, const char* format) {
    Bitmap bmp(kWidth, kHeight);
    drawPaving(bmp, 9);
    const std::string path = "/tmp/bench_pictures_" + std::to_string(getpid()) + "." + format;
    for (auto _ : state)
        benchmark::DoNotOptimize(bmp.saveToFile(path, format));
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (f != nullptr) {
        std::fseek(f, 0, SEEK_END);
        state.counters["bytes"] = static_cast<double>(std::ftell(f));
        std::fclose(f);
    }
    std::remove(path.c_str());
}
void BM_SaveBmp(benchmark::State& state) {
    save(state, "BMP");
}
void BM_SavePng(benchmark::State& state) {
    save(state, "PNG");
}
BENCHMARK(BM_SaveBmp)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePng)->Unit(benchmark::kMillisecond);

// A new picture of the client size, all white: what each QSI run starts from.
void BM_NewPicture(benchmark::State& state) {
    for (auto _ : state) {
        Bitmap bmp(kWidth, kHeight);
        benchmark::DoNotOptimize(bmp.image().row(kHeight - 1));
    }
}
BENCHMARK(BM_NewPicture)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
