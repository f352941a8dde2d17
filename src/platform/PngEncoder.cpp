#include "PngEncoder.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdint>
#include <cstring>
#include <thread>
#include <vector>

namespace glint {

namespace {

constexpr int kBandRows = 128;
constexpr int kMaxThreads = 4;
constexpr qsizetype kMaxChunkBytes = qsizetype(8) << 20;  // of one IDAT chunk
constexpr int kZlibLevel = 1;  // the run strategy does not search: the level matters little
constexpr int kZlibMemLevel = 8;
constexpr int kRawDeflate = -15;  // windowBits for a stream without zlib's header and trailer
constexpr std::uint8_t kFilterSub = 1;
constexpr std::uint8_t kFilterUp = 2;
constexpr int kBytesPerPixel = 3;

// Deflate with the fixed Huffman codes (RFC 1951, 3.2.6).
constexpr int kMinMatch = 3;
constexpr int kMaxMatch = 258;
constexpr int kEndOfBlock = 256;
constexpr std::array<int, 29> kLengthBase = {3,  4,  5,  6,   7,   8,   9,   10,  11, 13,
                                             15, 17, 19, 23,  27,  31,  35,  43,  51, 59,
                                             67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                  2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// The zlib stream's header (deflate, 32 KiB window, fastest) and an empty final block.
constexpr char kZlibHeader[] = {0x78, 0x01};
constexpr char kFinalEmptyBlock[] = {0x03, 0x00};
constexpr char kSyncMarker[] = {0x00, 0x00, char(0xFF), char(0xFF)};

// Bits in deflate's order: values from their lowest bit, Huffman codes from their highest.
class BitWriter {
  public:
    explicit BitWriter(QByteArray& out) : out_(out) {}

    void put(std::uint32_t value, int count) {
        for (int i = 0; i < count; ++i) putBit((value >> i) & 1u);
    }
    void putCode(std::uint32_t code, int length) {
        for (int i = length - 1; i >= 0; --i) putBit((code >> i) & 1u);
    }
    void literal(int value) {
        if (value < 144)
            putCode(0x30 + std::uint32_t(value), 8);
        else if (value < 256)
            putCode(0x190 + std::uint32_t(value - 144), 9);
        else if (value < 280)
            putCode(std::uint32_t(value - 256), 7);
        else
            putCode(0xC0 + std::uint32_t(value - 280), 8);
    }
    // A copy of the previous byte, `length` (3..258) times.
    void repeatPrevious(int length) {
        int code = 0;
        while (code + 1 < int(kLengthBase.size()) && kLengthBase[std::size_t(code) + 1] <= length)
            ++code;
        literal(257 + code);
        put(std::uint32_t(length - kLengthBase[std::size_t(code)]),
            kLengthExtraBits[std::size_t(code)]);
        putCode(0, 5);  // distance 1
    }
    // Ends the block and fills up to a whole byte with an empty stored block, as zlib's sync
    // flush does.
    void endBlockAligned() {
        literal(kEndOfBlock);
        put(0, 3);  // not final, stored
        if (bits_ > 0) put(0, 8 - bits_);
        out_.append(kSyncMarker, sizeof kSyncMarker);
    }

  private:
    void putBit(std::uint32_t bit) {
        byte_ |= std::uint8_t(bit << bits_);
        if (++bits_ == 8) {
            out_.append(char(byte_));
            byte_ = 0;
            bits_ = 0;
        }
    }

    QByteArray& out_;
    std::uint8_t byte_ = 0;
    int bits_ = 0;
};

// A row of zeros after its filter byte: the row is the row above, filtered "up".
void writeZeroRow(BitWriter& bits, std::int64_t zeros) {
    bits.literal(kFilterUp);
    bits.literal(0);
    std::int64_t left = zeros - 1;
    while (left >= kMinMatch) {
        std::int64_t length = std::min<std::int64_t>(left, kMaxMatch);
        if (left - length > 0 && left - length < kMinMatch) length = left - kMinMatch;
        bits.repeatPrevious(int(length));
        left -= length;
    }
    for (; left > 0; --left) bits.literal(0);
}

struct Band {
    QByteArray deflated;  // whole blocks, not final, ending on a byte
    uLong adler = 1;      // of the filtered rows
    qint64 length = 0;    // bytes of the filtered rows
    bool failed = false;
};

// Compresses rows first..last (inclusive).
class BandCompressor {
  public:
    BandCompressor(const QImage& picture, int first, int last, Band& band)
        : picture_(picture),
          first_(first),
          last_(last),
          band_(band),
          row_(std::size_t(picture.width()) * kBytesPerPixel + 1) {
        zeroRowAdler_ = adler32(1, nullptr, 0);
        std::vector<Bytef> zeroRow(row_.size(), 0);
        zeroRow[0] = kFilterUp;
        zeroRowAdler_ = adler32(zeroRowAdler_, zeroRow.data(), uInt(zeroRow.size()));
    }

    void run() {
        if (deflateInit2(&zs_, kZlibLevel, Z_DEFLATED, kRawDeflate, kZlibMemLevel, Z_RLE) != Z_OK) {
            band_.failed = true;
            return;
        }
        for (int y = first_; y <= last_ && !band_.failed;) {
            int same = y;
            while (same <= last_ && y > 0 && sameAsAbove(same)) ++same;
            if (same > y) {
                writeZeroRows(same - y);
                y = same;
            } else {
                writeSubRow(y);
                ++y;
            }
        }
        flushZlib();
        deflateEnd(&zs_);
    }

  private:
    bool sameAsAbove(int y) const {
        const std::size_t bytes = std::size_t(picture_.width()) * sizeof(std::uint32_t);
        return std::memcmp(picture_.constScanLine(y), picture_.constScanLine(y - 1), bytes) == 0;
    }

    void writeZeroRows(int rows) {
        flushZlib();
        BitWriter bits(band_.deflated);
        bits.put(0, 1);  // not final
        bits.put(1, 2);  // fixed codes
        for (int n = 0; n < rows; ++n) {
            writeZeroRow(bits, std::int64_t(row_.size()) - 1);
            band_.adler = adler32_combine(band_.adler, zeroRowAdler_, z_off_t(row_.size()));
            band_.length += qint64(row_.size());
        }
        bits.endBlockAligned();
    }

    void writeSubRow(int y) {
        const auto* in = reinterpret_cast<const std::uint32_t*>(picture_.constScanLine(y));
        Bytef* out = row_.data();
        *out++ = kFilterSub;
        std::uint32_t left = 0;  // the pixel before the first reads as 0
        for (int x = 0; x < picture_.width(); ++x) {
            const std::uint32_t p = in[x];
            *out++ = Bytef(((p >> 16) - (left >> 16)) & 0xFF);
            *out++ = Bytef(((p >> 8) - (left >> 8)) & 0xFF);
            *out++ = Bytef((p - left) & 0xFF);
            left = p;
        }
        band_.adler = adler32(band_.adler, row_.data(), uInt(row_.size()));
        band_.length += qint64(row_.size());
        deflateSome(row_.data(), row_.size(), Z_NO_FLUSH);
        inZlib_ = true;
    }

    // Ends what zlib holds on a whole byte, so that ready-made blocks can follow.
    void flushZlib() {
        if (!inZlib_) return;
        deflateSome(nullptr, 0, Z_SYNC_FLUSH);
        if (deflateReset(&zs_) != Z_OK) band_.failed = true;
        inZlib_ = false;
    }

    void deflateSome(Bytef* data, std::size_t size, int flush) {
        zs_.next_in = data;
        zs_.avail_in = uInt(size);
        std::array<Bytef, 1 << 16> chunk;
        do {
            zs_.next_out = chunk.data();
            zs_.avail_out = uInt(chunk.size());
            if (deflate(&zs_, flush) == Z_STREAM_ERROR) {
                band_.failed = true;
                return;
            }
            band_.deflated.append(reinterpret_cast<const char*>(chunk.data()),
                                  qsizetype(chunk.size() - zs_.avail_out));
        } while (zs_.avail_out == 0);
    }

    const QImage& picture_;
    const int first_;
    const int last_;
    Band& band_;
    std::vector<Bytef> row_;  // one filtered row
    uLong zeroRowAdler_ = 1;
    z_stream zs_{};
    bool inZlib_ = false;
};

void appendBigEndian(QByteArray& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.append(char((value >> shift) & 0xFF));
}

void appendChunk(QByteArray& out, const char* type, const char* data, qsizetype size) {
    appendBigEndian(out, std::uint32_t(size));
    const qsizetype start = out.size();
    out.append(type, 4);
    out.append(data, size);
    const uLong crc =
        crc32(0, reinterpret_cast<const Bytef*>(out.constData() + start), uInt(size + 4));
    appendBigEndian(out, std::uint32_t(crc));
}

}  // namespace

QByteArray encodePng(const QImage& picture) {
    if (picture.isNull() || picture.format() != QImage::Format_RGB32) return {};
    const int bandCount = (picture.height() + kBandRows - 1) / kBandRows;
    std::vector<Band> bands(std::size_t(bandCount), Band{});
    std::atomic<int> next{0};
    const auto work = [&] {
        for (int b = next++; b < bandCount; b = next++) {
            const int first = b * kBandRows;
            const int last = std::min(first + kBandRows, picture.height()) - 1;
            BandCompressor(picture, first, last, bands[std::size_t(b)]).run();
        }
    };
    const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, kMaxThreads);
    std::vector<std::thread> helpers;
    for (int t = 1; t < threads; ++t) {
        try {
            helpers.emplace_back(work);
        } catch (const std::system_error&) {
            break;  // the bands are shared among the threads there are
        }
    }
    work();
    for (std::thread& helper : helpers) helper.join();

    QByteArray stream(kZlibHeader, sizeof kZlibHeader);
    uLong adler = adler32(0, nullptr, 0);
    for (const Band& band : bands) {
        if (band.failed) return {};
        stream += band.deflated;
        adler = adler32_combine(adler, band.adler, z_off_t(band.length));
    }
    stream.append(kFinalEmptyBlock, sizeof kFinalEmptyBlock);
    appendBigEndian(stream, std::uint32_t(adler));

    QByteArray png("\x89PNG\r\n\x1a\n", 8);
    QByteArray header;
    appendBigEndian(header, std::uint32_t(picture.width()));
    appendBigEndian(header, std::uint32_t(picture.height()));
    header.append("\x08\x02\x00\x00\x00", 5);  // 8 bits, RGB, deflate, filtered, no interlace
    appendChunk(png, "IHDR", header.constData(), header.size());
    for (qsizetype at = 0; at < stream.size(); at += kMaxChunkBytes) {
        appendChunk(png, "IDAT", stream.constData() + at,
                    std::min(kMaxChunkBytes, stream.size() - at));
    }
    appendChunk(png, "IEND", nullptr, 0);
    return png;
}

}  // namespace glint
