#include "toolkit/png_file.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <vector>
#include <zlib.h>

#include "toolkit/bmp_file.h"

namespace toolkit {

namespace {

void put32(unsigned char* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i)
        at[i] = static_cast<unsigned char>((v >> (24 - 8 * i)) & 0xFF);
}

// Whether row y holds the same pixels as row y - 1, as most rows of a paving
// do.
bool sameRows(const Image& image, int y) {
    return std::equal(image.row(y), image.row(y) + image.width(), image.row(y - 1));
}

// Writes chunks: length, type, data and the CRC of type and data.
class ChunkWriter {
public:
    explicit ChunkWriter(std::ofstream& out) : out_(out) {}
    void chunk(const char (&type)[5], const unsigned char* data, std::size_t size) {
        unsigned char length[4];
        put32(length, static_cast<std::uint32_t>(size));
        out_.write(reinterpret_cast<const char*>(length), 4);
        out_.write(type, 4);
        if (size > 0)
            out_.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
        uLong crc = crc32(0L, reinterpret_cast<const Bytef*>(type), 4);
        if (size > 0) crc = crc32(crc, data, static_cast<uInt>(size));
        unsigned char sum[4];
        put32(sum, static_cast<std::uint32_t>(crc));
        out_.write(reinterpret_cast<const char*>(sum), 4);
    }

private:
    std::ofstream& out_;
};

// The colours of an image, in the order they first appear, when there are
// at most 256 of them, and the index of each. Colours are found in a small
// open-addressed table; runs of one colour skip it.
class Palette {
public:
    // False, and an empty palette, when the image has more than 256 colours.
    bool build(const Image& image) {
        for (int y = 0; y < image.height(); ++y) {
            const Color* row = image.row(y);
            if (y > 0 && sameRows(image, y)) continue;
            for (int x = 0; x < image.width(); ++x)
                if (!find(row[x], true)) {
                    colours_.clear();
                    return false;
                }
        }
        return true;
    }
    const std::vector<Color>& colours() const { return colours_; }
    // The index of a colour of the image the palette was built from.
    std::uint8_t indexOf(Color c) {
        find(c, false);
        return lastIndex_;
    }

private:
    static constexpr std::size_t kSlots = 1024; // a power of two, well above 256

    bool find(Color c, bool add) {
        if (c == last_) return true;
        std::size_t slot = (c * 2654435761u) >> 20 & (kSlots - 1);
        while (slotColour_[slot] != kFree && slotColour_[slot] != c)
            slot = (slot + 1) & (kSlots - 1);
        if (slotColour_[slot] == kFree) {
            if (!add || colours_.size() == 256) return false;
            slotColour_[slot] = c;
            slotIndex_[slot] = static_cast<std::uint8_t>(colours_.size());
            colours_.push_back(c);
        }
        last_ = c;
        lastIndex_ = slotIndex_[slot];
        return true;
    }

    static constexpr Color kFree = ~Color{0}; // no colour has its top byte set
    std::vector<Color> colours_;
    std::vector<Color> slotColour_ = std::vector<Color>(kSlots, kFree);
    std::vector<std::uint8_t> slotIndex_ = std::vector<std::uint8_t>(kSlots, 0);
    Color last_ = kFree;
    std::uint8_t lastIndex_ = 0;
};

} // namespace

bool writePng(const Image& image, const std::string& path) {
    if (image.empty()) return false;
    const std::size_t w = static_cast<std::size_t>(image.width());
    const std::size_t h = static_cast<std::size_t>(image.height());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    static constexpr unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    out.write(reinterpret_cast<const char*>(kSignature), sizeof kSignature);
    ChunkWriter chunks(out);

    // A picture of at most 256 colours (a paving has a handful) is written
    // with a palette, its indices packed into as few bits as they need: less
    // for deflate to go through. The pixels read back are the same.
    Palette palette;
    const bool indexed = palette.build(image);
    const std::size_t colours = palette.colours().size();
    const int depth = !indexed ? 8 : colours <= 2 ? 1 : colours <= 4 ? 2 : colours <= 16 ? 4 : 8;
    unsigned char header[13];
    put32(header, static_cast<std::uint32_t>(w));
    put32(header + 4, static_cast<std::uint32_t>(h));
    header[8] = static_cast<unsigned char>(depth); // bits per sample or index
    header[9] = indexed ? 3 : 2;                   // palette or RGB
    header[10] = 0;                                // deflate
    header[11] = 0;                                // adaptive filters
    header[12] = 0;                                // not interlaced
    chunks.chunk("IHDR", header, sizeof header);
    if (indexed) {
        std::vector<unsigned char> entries;
        for (Color c : palette.colours())
            entries.insert(entries.end(), {redOf(c), greenOf(c), blueOf(c)});
        chunks.chunk("PLTE", entries.data(), entries.size());
    }
    unsigned char resolution[9];
    put32(resolution, kPixelsPerMetre);
    put32(resolution + 4, kPixelsPerMetre);
    resolution[8] = 1; // per metre
    chunks.chunk("pHYs", resolution, sizeof resolution);

    // Each row goes to deflate as its filter byte and its bytes less those
    // of the row above (the "up" filter): a paving is mostly rows like the
    // one above, which become runs of zeros that deflate packs into a few
    // bytes, fast even at its fastest level. Compressed data leaves as an
    // IDAT chunk whenever the output buffer is full.
    z_stream z{};
    // A window of 4 KiB and small tables: the zeros of whole rows repeat at
    // a distance of one byte, and the memory deflate touches stays small.
    if (deflateInit2(&z, Z_BEST_SPEED, Z_DEFLATED, 12, 5, Z_DEFAULT_STRATEGY) != Z_OK) return false;
    std::vector<unsigned char> packed(64 << 10);
    const std::size_t rowBytes = indexed ? (w * depth + 7) / 8 : 3 * w;
    std::vector<unsigned char> row(rowBytes + 1), above(rowBytes, 0), pixels(rowBytes);
    row[0] = 2; // up
    bool ok = true;
    auto pump = [&](int flush) {
        int status = Z_OK;
        do {
            z.next_out = packed.data();
            z.avail_out = static_cast<uInt>(packed.size());
            status = deflate(&z, flush);
            const std::size_t produced = packed.size() - z.avail_out;
            if (produced > 0) chunks.chunk("IDAT", packed.data(), produced);
        } while (status == Z_OK && z.avail_out == 0);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR) ok = false;
    };
    for (std::size_t y = 0; y < h && ok; ++y) {
        const Color* in = image.row(static_cast<int>(y));
        if (y > 0 && sameRows(image, static_cast<int>(y))) {
            // The row above again: all its differences are zero.
            std::fill(row.begin() + 1, row.end(), 0);
        } else {
            if (indexed) {
                // Indices from the most significant bits of each byte on,
                // gathered a byte at a time.
                unsigned byte = 0;
                int bits = 0;
                std::size_t at = 0;
                for (std::size_t x = 0; x < w; ++x) {
                    byte = byte << depth | palette.indexOf(in[x]);
                    if ((bits += depth) == 8) {
                        pixels[at++] = static_cast<unsigned char>(byte);
                        byte = 0;
                        bits = 0;
                    }
                }
                if (bits > 0) pixels[at] = static_cast<unsigned char>(byte << (8 - bits));
            } else {
                for (std::size_t x = 0; x < w; ++x) {
                    pixels[3 * x] = redOf(in[x]);
                    pixels[3 * x + 1] = greenOf(in[x]);
                    pixels[3 * x + 2] = blueOf(in[x]);
                }
            }
            for (std::size_t i = 0; i < pixels.size(); ++i)
                row[i + 1] = static_cast<unsigned char>(pixels[i] - above[i]);
            above.swap(pixels);
        }
        z.next_in = row.data();
        z.avail_in = static_cast<uInt>(row.size());
        pump(Z_NO_FLUSH);
    }
    if (ok) pump(Z_FINISH);
    deflateEnd(&z);
    if (!ok) return false;
    chunks.chunk("IEND", nullptr, 0);
    out.close();
    return !out.fail();
}

} // namespace toolkit
