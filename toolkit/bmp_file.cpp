#include "toolkit/bmp_file.h"

#include <cstdint>
#include <fstream>
#include <vector>

namespace toolkit {

namespace {

void put16(char* at, std::uint16_t v) {
    at[0] = static_cast<char>(v & 0xFF);
    at[1] = static_cast<char>(v >> 8);
}

void put32(char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

} // namespace

bool writeBmp(const Image& image, const std::string& path) {
    if (image.empty()) return false;
    const std::size_t w = static_cast<std::size_t>(image.width());
    const std::size_t h = static_cast<std::size_t>(image.height());
    const std::size_t rowBytes = (w * 3 + 3) / 4 * 4;
    const std::size_t pixelBytes = rowBytes * h;
    constexpr std::size_t kHeaders = 14 + 40;
    std::vector<char> file(kHeaders + pixelBytes, 0);
    char* p = file.data();
    p[0] = 'B';
    p[1] = 'M';
    put32(p + 2, static_cast<std::uint32_t>(file.size()));
    put32(p + 10, kHeaders);
    put32(p + 14, 40);
    put32(p + 18, static_cast<std::uint32_t>(w));
    put32(p + 22, static_cast<std::uint32_t>(h));
    put16(p + 26, 1);
    put16(p + 28, 24);
    put32(p + 34, static_cast<std::uint32_t>(pixelBytes));
    put32(p + 38, kPixelsPerMetre);
    put32(p + 42, kPixelsPerMetre);
    for (std::size_t y = 0; y < h; ++y) {
        const Color* in = image.row(static_cast<int>(y));
        char* out = p + kHeaders + (h - 1 - y) * rowBytes;
        for (std::size_t x = 0; x < w; ++x) {
            out[3 * x] = static_cast<char>(blueOf(in[x]));
            out[3 * x + 1] = static_cast<char>(greenOf(in[x]));
            out[3 * x + 2] = static_cast<char>(redOf(in[x]));
        }
    }
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(file.data(), static_cast<std::streamsize>(file.size()));
    out.close();
    return !out.fail();
}

} // namespace toolkit
