#include "MngData.h"

#include <zlib.h>

#include <array>
#include <vector>

namespace glint::picture {
namespace {

constexpr std::size_t kSignatureBytes = 8;
constexpr std::size_t kChunkFrameBytes = 12;  // length, type, CRC
constexpr std::size_t kHeaderBytes = 13;

std::uint32_t be32(const std::uint8_t* at) {
    return std::uint32_t{at[0]} << 24 | std::uint32_t{at[1]} << 16 | std::uint32_t{at[2]} << 8 |
           at[3];
}

bool typeIs(const std::uint8_t* at, const char* type) {
    for (int i = 0; i < 4; ++i)
        if (at[i] != static_cast<std::uint8_t>(type[i])) return false;
    return true;
}

struct Header {
    std::uint64_t width = 0;
    std::uint64_t height = 0;
    unsigned bitsPerPixel = 0;
    bool interlaced = false;
};

unsigned samplesOf(unsigned colourType) {
    switch (colourType) {
        case 0:
            return 1;  // grey
        case 2:
            return 3;  // RGB
        case 3:
            return 1;  // palette
        case 4:
            return 2;  // grey and alpha
        case 6:
            return 4;  // RGBA
        default:
            return 0;
    }
}

// Bytes of filtered rows for a width x height (sub)image: a filter byte and the packed row.
std::uint64_t rowsBytes(std::uint64_t width, std::uint64_t height, unsigned bitsPerPixel) {
    if (width == 0 || height == 0) return 0;
    return height * (1 + (width * bitsPerPixel + 7) / 8);
}

// What the image data of `h` inflates to.
std::uint64_t expectedBytes(const Header& h) {
    if (!h.interlaced) return rowsBytes(h.width, h.height, h.bitsPerPixel);
    // Adam7: the seven passes' starts and steps.
    constexpr std::array<std::array<unsigned, 4>, 7> kPasses{{{0, 0, 8, 8},
                                                              {4, 0, 8, 8},
                                                              {0, 4, 4, 8},
                                                              {2, 0, 4, 4},
                                                              {0, 2, 2, 4},
                                                              {1, 0, 2, 2},
                                                              {0, 1, 1, 2}}};
    std::uint64_t total = 0;
    for (const auto& [x0, y0, dx, dy] : kPasses) {
        const std::uint64_t w = h.width > x0 ? (h.width - x0 + dx - 1) / dx : 0;
        const std::uint64_t hh = h.height > y0 ? (h.height - y0 + dy - 1) / dy : 0;
        total += rowsBytes(w, hh, h.bitsPerPixel);
    }
    return total;
}

// True when the zlib stream in `data` ends properly and inflates to exactly `expected` bytes.
bool inflatesTo(const std::vector<std::uint8_t>& data, std::uint64_t expected) {
    z_stream z{};
    if (inflateInit(&z) != Z_OK) return false;
    std::array<std::uint8_t, 1 << 16> out{};
    z.next_in = const_cast<Bytef*>(data.data());
    z.avail_in = static_cast<uInt>(data.size());
    std::uint64_t produced = 0;
    int status = Z_OK;
    while (status == Z_OK && produced <= expected) {
        z.next_out = out.data();
        z.avail_out = static_cast<uInt>(out.size());
        status = inflate(&z, Z_NO_FLUSH);
        produced += out.size() - z.avail_out;
        if (status == Z_BUF_ERROR && z.avail_in == 0) break;  // the data ends before the stream
    }
    inflateEnd(&z);
    return status == Z_STREAM_END && produced == expected;
}

}  // namespace

bool mngImagesComplete(std::span<const std::uint8_t> file) {
    std::size_t at = kSignatureBytes;
    Header header;
    bool inImage = false;
    std::vector<std::uint8_t> data;
    while (at + kChunkFrameBytes <= file.size()) {
        const std::uint64_t length = be32(file.data() + at);
        const std::uint8_t* type = file.data() + at + 4;
        if (length > file.size() - at - kChunkFrameBytes) return false;  // a cut chunk
        const std::uint8_t* body = type + 4;
        if (typeIs(type, "IHDR") && length >= kHeaderBytes) {
            header.width = be32(body);
            header.height = be32(body + 4);
            header.bitsPerPixel = body[8] * samplesOf(body[9]);
            header.interlaced = body[12] != 0;
            inImage = header.bitsPerPixel != 0;
            data.clear();
        } else if (inImage && typeIs(type, "IDAT")) {
            data.insert(data.end(), body, body + length);
        } else if (inImage && typeIs(type, "IEND")) {
            if (!inflatesTo(data, expectedBytes(header))) return false;
            inImage = false;
        }
        at += kChunkFrameBytes + length;
    }
    return !inImage;
}

}  // namespace glint::picture
