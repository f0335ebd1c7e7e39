#include "toolkit/bmp_file.h"

#include <algorithm>
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
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;

    char header[kHeaders] = {};
    header[0] = 'B';
    header[1] = 'M';
    put32(header + 2, static_cast<std::uint32_t>(kHeaders + pixelBytes));
    put32(header + 10, kHeaders);
    put32(header + 14, 40);
    put32(header + 18, static_cast<std::uint32_t>(w));
    put32(header + 22, static_cast<std::uint32_t>(h));
    put16(header + 26, 1);
    put16(header + 28, 24);
    put32(header + 34, static_cast<std::uint32_t>(pixelBytes));
    put32(header + 38, kPixelsPerMetre);
    put32(header + 42, kPixelsPerMetre);
    out.write(header, kHeaders);

    // The rows pass through a buffer of some tens of kilobytes: the whole
    // file in memory would cost more in fresh pages than it saves in writes.
    const std::size_t rowsPerBlock = std::max<std::size_t>(1, (64 << 10) / rowBytes);
    std::vector<char> block(rowsPerBlock * rowBytes, 0), last(rowBytes, 0);
    std::size_t filled = 0;
    for (std::size_t k = 0; k < h; ++k) {
        const int y = static_cast<int>(h - 1 - k);
        const Color* in = image.row(y);
        char* row = block.data() + filled * rowBytes;
        if (k > 0 && std::equal(in, in + w, image.row(y + 1))) {
            // The same pixels as the row written before (most rows of a
            // paving): the same bytes.
            const char* before = filled > 0 ? row - rowBytes : last.data();
            std::copy_n(before, rowBytes, row);
        } else {
            for (std::size_t x = 0; x < w; ++x) {
                row[3 * x] = static_cast<char>(blueOf(in[x]));
                row[3 * x + 1] = static_cast<char>(greenOf(in[x]));
                row[3 * x + 2] = static_cast<char>(redOf(in[x]));
            }
        }
        if (++filled == rowsPerBlock || k + 1 == h) {
            out.write(block.data(), static_cast<std::streamsize>(filled * rowBytes));
            std::copy_n(row, rowBytes, last.data());
            filled = 0;
        }
    }
    out.close();
    return !out.fail();
}

} // namespace toolkit
