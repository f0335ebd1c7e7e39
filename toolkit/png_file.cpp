#include "toolkit/png_file.h"

#include <array>
#include <cstdint>
#include <fstream>
#include <vector>
#include <zlib.h>

#include "toolkit/bmp_file.h"

namespace toolkit {

namespace {

void put32(std::vector<unsigned char>& out, std::uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<unsigned char>((v >> shift) & 0xFF));
}

// A chunk: its length, type and data, and the CRC of type and data.
void chunk(std::vector<unsigned char>& out, const char (&type)[5], const unsigned char* data,
           std::size_t size) {
    put32(out, static_cast<std::uint32_t>(size));
    const std::size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data, data + size);
    const uLong crc = crc32(0L, out.data() + start, static_cast<uInt>(out.size() - start));
    put32(out, static_cast<std::uint32_t>(crc));
}

} // namespace

bool writePng(const Image& image, const std::string& path) {
    if (image.empty()) return false;
    const std::size_t w = static_cast<std::size_t>(image.width());
    const std::size_t h = static_cast<std::size_t>(image.height());

    // Each row: its filter byte, then red, green and blue bytes. A paving is
    // mostly rows like the one above, which the "up" filter (the difference
    // to the row above) turns into runs of zeros that deflate encodes in a
    // few bytes, fast even at the fastest level.
    std::vector<unsigned char> raw((3 * w + 1) * h);
    std::vector<unsigned char> above(3 * w, 0), row(3 * w);
    unsigned char* to = raw.data();
    for (std::size_t y = 0; y < h; ++y) {
        const Color* in = image.row(static_cast<int>(y));
        for (std::size_t x = 0; x < w; ++x) {
            row[3 * x] = redOf(in[x]);
            row[3 * x + 1] = greenOf(in[x]);
            row[3 * x + 2] = blueOf(in[x]);
        }
        *to++ = 2; // up
        for (std::size_t i = 0; i < row.size(); ++i)
            *to++ = static_cast<unsigned char>(row[i] - above[i]);
        above.swap(row);
    }
    uLongf packedSize = compressBound(static_cast<uLong>(raw.size()));
    std::vector<unsigned char> packed(packedSize);
    if (compress2(packed.data(), &packedSize, raw.data(), static_cast<uLong>(raw.size()),
                  Z_BEST_SPEED) != Z_OK)
        return false;

    std::vector<unsigned char> file = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<unsigned char> header;
    put32(header, static_cast<std::uint32_t>(w));
    put32(header, static_cast<std::uint32_t>(h));
    header.insert(header.end(), {8, 2, 0, 0, 0}); // 8 bits, RGB, deflate, no interlace
    chunk(file, "IHDR", header.data(), header.size());
    std::vector<unsigned char> resolution;
    put32(resolution, kPixelsPerMetre);
    put32(resolution, kPixelsPerMetre);
    resolution.push_back(1); // per metre
    chunk(file, "pHYs", resolution.data(), resolution.size());
    chunk(file, "IDAT", packed.data(), packedSize);
    chunk(file, "IEND", nullptr, 0);

    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(file.data()),
              static_cast<std::streamsize>(file.size()));
    out.close();
    return !out.fail();
}

} // namespace toolkit
