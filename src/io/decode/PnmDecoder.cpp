#include "PnmDecoder.h"

#include <QBuffer>
#include <algorithm>
#include <array>
#include <charconv>
#include <cstring>
#include <string>
#include <vector>

#include "LoadLimits.h"
#include "RgbBytes.h"

namespace glint {
namespace {

constexpr std::uint32_t kMaxSampleValue = 65535;
// Widths and heights above this are not read as numbers at all (the size limit is far below).
constexpr std::uint32_t kMaxHeaderNumber = 1u << 30;
// A PAM header line longer than this is damage.
constexpr int kMaxPamLine = 1024;
constexpr char kPlainBitmap = '1';
constexpr char kPlainColour = '3';
constexpr char kRawBitmap = '4';
// Bytes of 8-bit RGB rows read at a time: past the device's buffer, read straight in.
constexpr std::int64_t kRgbChunkBytes = std::int64_t{1} << 18;
constexpr char kRawColour = '6';
constexpr char kPam = '7';

struct PnmHeader {
    char kind = 0;  // the digit after 'P'
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    int depth = 1;  // samples per pixel: grey or red, green, blue, then alpha
    std::uint32_t maxval = 1;
    bool alpha = false;
    bool oneIsBlack = false;  // pbm: a 1 is black
};

// PAM's tuple types: how many samples a pixel has, the last of them alpha or not.
struct TupleType {
    const char* name;
    int depth;
    bool alpha;
    bool bilevel;  // samples 0 (black) and 1 (white) only
};
constexpr std::array<TupleType, 6> kTupleTypes{{
    {"BLACKANDWHITE", 1, false, true},
    {"GRAYSCALE", 1, false, false},
    {"RGB", 3, false, false},
    {"BLACKANDWHITE_ALPHA", 2, true, true},
    {"GRAYSCALE_ALPHA", 2, true, false},
    {"RGB_ALPHA", 4, true, false},
}};
// Without a tuple type, a depth of 1 is read as grey and of 3 as RGB; 2 and 4 could hold alpha
// or not, so they are not guessed at.
constexpr std::uint32_t kGreyDepth = 1;
constexpr std::uint32_t kRgbDepth = 3;

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// The bytes of a device one at a time or in blocks, waiting on a sequential device for data
// as long as it can deliver more.
class Source {
  public:
    explicit Source(QIODevice& device) : device_(device) {}

    bool get(char& c) {
        while (!device_.getChar(&c))
            if (!device_.isSequential() || !device_.waitForReadyRead(-1)) return false;
        return true;
    }
    void unget(char c) { device_.ungetChar(c); }
    bool read(char* into, qint64 count) {
        while (count > 0) {
            const qint64 got = device_.read(into, count);
            if (got < 0) return false;
            if (got == 0 && (!device_.isSequential() || !device_.waitForReadyRead(-1)))
                return false;
            into += got;
            count -= got;
        }
        return true;
    }
    // Bytes still to come; -1 when the device cannot tell.
    qint64 left() const { return device_.isSequential() ? -1 : device_.size() - device_.pos(); }

    // Skips white space and comments (from '#' to the end of the line); false at the end.
    bool skipSpace() {
        char c = 0;
        for (;;) {
            if (!get(c)) return false;
            if (c == '#') {
                while (get(c) && c != '\n' && c != '\r') {
                }
                continue;
            }
            if (!isSpace(c)) {
                unget(c);
                return true;
            }
        }
    }
    // A decimal number of at most `most`, after white space and comments.
    bool number(std::uint32_t& value, std::uint32_t most) {
        if (!skipSpace()) return false;
        std::uint64_t v = 0;
        int digits = 0;
        char c = 0;
        while (get(c)) {
            if (c < '0' || c > '9') {
                unget(c);
                break;
            }
            v = v * 10 + static_cast<unsigned>(c - '0');
            if (v > most) return false;
            ++digits;
        }
        value = static_cast<std::uint32_t>(v);
        return digits > 0;
    }
    // One line of at most kMaxPamLine characters, without its end.
    bool line(std::string& text) {
        text.clear();
        char c = 0;
        while (get(c) && c != '\n') {
            if (text.size() >= kMaxPamLine) return false;
            text += c;
        }
        return c == '\n';
    }

  private:
    QIODevice& device_;
};

Status damaged(const char* what) { return Status::failure(std::string("damaged PNM: ") + what); }

// The header of P1..P6 after the magic, up to and with the one white space before raw samples.
Status readClassicHeader(Source& in, PnmHeader& h) {
    if (!in.number(h.width, kMaxHeaderNumber) || !in.number(h.height, kMaxHeaderNumber))
        return damaged("no width and height");
    const bool bitmap = h.kind == kPlainBitmap || h.kind == kRawBitmap;
    if (bitmap) {
        h.oneIsBlack = true;
    } else if (!in.number(h.maxval, kMaxSampleValue) || h.maxval == 0) {
        return damaged("no maximum value from 1 to 65535");
    }
    h.depth = h.kind == kPlainColour || h.kind == kRawColour ? 3 : 1;
    char c = 0;
    if (h.kind >= kRawBitmap && (!in.get(c) || !isSpace(c)))
        return damaged("no white space before the samples");
    return Status::ok();
}

// A PAM header line's value as a number up to `most`.
bool pamNumber(const std::string& value, std::uint32_t most, std::uint32_t& number) {
    const char* end = value.data() + value.size();
    const auto [at, error] = std::from_chars(value.data(), end, number);
    return error == std::errc() && at == end && number <= most;
}

Status readPamHeader(Source& in, PnmHeader& h) {
    char c = 0;
    if (!in.get(c) || c != '\n') return damaged("PAM magic not on a line of its own");
    std::uint32_t depth = 0;
    bool width = false, height = false, maxval = false;
    std::string tupleType;
    std::string text;
    for (;;) {
        if (!in.line(text)) return damaged("PAM header is cut short");
        const auto first = text.find_first_not_of(" \t\r");
        if (first == std::string::npos || text[first] == '#') continue;
        const auto keyEnd = std::min(text.find_first_of(" \t\r", first), text.size());
        const std::string key = text.substr(first, keyEnd - first);
        const auto valueAt = std::min(text.find_first_not_of(" \t\r", keyEnd), text.size());
        const auto valueEnd = text.find_last_not_of(" \t\r");
        const std::string value = valueEnd == std::string::npos || valueEnd < valueAt
                                      ? ""
                                      : text.substr(valueAt, valueEnd + 1 - valueAt);
        if (key == "ENDHDR") break;
        bool ok = true;
        if (key == "WIDTH") {
            ok = width = pamNumber(value, kMaxHeaderNumber, h.width);
        } else if (key == "HEIGHT") {
            ok = height = pamNumber(value, kMaxHeaderNumber, h.height);
        } else if (key == "DEPTH") {
            ok = pamNumber(value, kMaxHeaderNumber, depth);
        } else if (key == "MAXVAL") {
            ok = maxval = pamNumber(value, kMaxSampleValue, h.maxval) && h.maxval > 0;
        } else if (key == "TUPLTYPE") {
            tupleType += (tupleType.empty() ? "" : " ") + value;
        } else {
            return damaged("unknown PAM header line");
        }
        if (!ok) return damaged("PAM header value out of range");
    }
    if (!width || !height || !maxval || depth == 0)
        return damaged("PAM header lacks its width, height, depth or maximum value");
    if (tupleType.empty() && depth == kGreyDepth) tupleType = "GRAYSCALE";
    if (tupleType.empty() && depth == kRgbDepth) tupleType = "RGB";
    if (tupleType.empty())
        return Status::unsupported("a PAM picture of " + std::to_string(depth) +
                                   " samples per pixel without a tuple type");
    for (const TupleType& type : kTupleTypes) {
        if (tupleType != type.name) continue;
        if (type.depth != static_cast<int>(depth))
            return damaged("PAM depth does not fit its tuple type");
        if (type.bilevel && h.maxval != 1)
            return damaged("black-and-white PAM with a maximum value above 1");
        h.depth = type.depth;
        h.alpha = type.alpha;
        return Status::ok();
    }
    constexpr std::size_t kShownName = 40;
    for (char t : tupleType)
        if (t < ' ' || t > '~') return damaged("PAM tuple type is not text");
    return Status::unsupported("a PAM picture of tuple type " + tupleType.substr(0, kShownName));
}

Status readHeader(Source& in, PnmHeader& h) {
    char p = 0;
    if (!in.get(p) || p != 'P' || !in.get(h.kind) || h.kind < kPlainBitmap || h.kind > kPam)
        return damaged("no PNM magic");
    return h.kind == kPam ? readPamHeader(in, h) : readClassicHeader(in, h);
}

// Every sample value as the nearest 8-bit value (pbm: 1 black, 0 white).
std::vector<std::uint8_t> sampleMap(const PnmHeader& h) {
    std::vector<std::uint8_t> map(h.maxval + 1);
    for (std::uint32_t v = 0; v <= h.maxval; ++v) {
        const auto scaled = static_cast<std::uint8_t>((v * 255 + h.maxval / 2) / h.maxval);
        map[v] = h.oneIsBlack ? static_cast<std::uint8_t>(255 - scaled) : scaled;
    }
    return map;
}

QRgb pixelOf(const std::uint8_t* s, int depth) {
    switch (depth) {
        case 1:
            return qRgb(s[0], s[0], s[0]);
        case 2:
            return qRgba(s[0], s[0], s[0], s[1]);
        case 3:
            return qRgb(s[0], s[1], s[2]);
        default:
            return qRgba(s[0], s[1], s[2], s[3]);
    }
}

Status readRaster(Source& in, const PnmHeader& h, QImage& picture) {
    const std::vector<std::uint8_t> map = sampleMap(h);
    const std::int64_t samplesPerRow = std::int64_t{h.width} * h.depth;
    const bool wide = h.maxval > 255;
    const std::int64_t rowBytes =
        h.kind == kRawBitmap ? (h.width + 7) / 8 : samplesPerRow * (wide ? 2 : 1);
    std::vector<char> raw(h.kind >= kRawBitmap ? static_cast<std::size_t>(rowBytes) : 0);
    std::vector<std::uint8_t> samples(static_cast<std::size_t>(samplesPerRow));
    // 8-bit RGB (ppm, as video tools write it): the samples are the pixels' bytes, read many
    // rows at a time.
    if (h.kind > kRawBitmap && h.depth == 3 && h.maxval == 255) {
        const int rows = static_cast<int>(std::max<std::int64_t>(1, kRgbChunkBytes / rowBytes));
        raw.resize(static_cast<std::size_t>(rowBytes * rows));
        const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
        for (int top = 0; top < picture.height(); top += rows) {
            const int count = std::min(rows, picture.height() - top);
            if (!in.read(raw.data(), rowBytes * count)) return damaged("samples are cut short");
            for (int y = 0; y < count; ++y)
                unpackRgb(bytes + rowBytes * y, h.width,
                          reinterpret_cast<std::uint32_t*>(picture.scanLine(top + y)));
        }
        return Status::ok();
    }
    const auto* bytes = reinterpret_cast<const unsigned char*>(raw.data());
    for (int y = 0; y < picture.height(); ++y) {
        if (h.kind >= kRawBitmap && !in.read(raw.data(), rowBytes))
            return damaged("samples are cut short");
        for (std::int64_t i = 0; i < samplesPerRow; ++i) {
            std::uint32_t v = 0;
            if (h.kind == kRawBitmap) {
                v = (bytes[i / 8] >> (7 - i % 8)) & 1u;
            } else if (h.kind >= kRawBitmap) {
                v = wide ? std::uint32_t{bytes[2 * i]} << 8 | bytes[2 * i + 1] : bytes[i];
            } else if (h.kind == kPlainBitmap) {
                char c = 0;
                if (!in.skipSpace() || !in.get(c) || (c != '0' && c != '1'))
                    return damaged("pixel is missing or not 0 or 1");
                v = static_cast<std::uint32_t>(c - '0');
            } else if (!in.number(v, kMaxSampleValue)) {
                return damaged("sample is missing");
            }
            if (v > h.maxval) return damaged("sample above the maximum value");
            samples[static_cast<std::size_t>(i)] = map[v];
        }
        auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (std::uint32_t x = 0; x < h.width; ++x)
            out[x] = pixelOf(&samples[x * h.depth], h.depth);
    }
    if (h.kind < kRawBitmap) {  // the white space after a plain picture belongs to it
        char c = 0;
        while (in.get(c)) {
            if (!isSpace(c)) {
                in.unget(c);
                break;
            }
        }
    }
    return Status::ok();
}

// Fewest bytes the samples of `h` can take.
std::int64_t leastRasterBytes(const PnmHeader& h) {
    const std::int64_t samples = std::int64_t{h.width} * h.height * h.depth;
    if (h.kind == kRawBitmap) return (h.width + 7) / 8 * std::int64_t{h.height};
    if (h.kind > kRawBitmap) return samples * (h.maxval > 255 ? 2 : 1);
    if (h.kind == kPlainBitmap) return samples;
    return 2 * samples - 1;  // one digit each, white space between
}

bool recognisesPnm(QByteArrayView head) {
    return head.size() >= 3 && head[0] == 'P' && head[1] >= kPlainBitmap && head[1] <= kPam &&
           isSpace(head[2]);
}

QSize pnmHeaderSize(QByteArrayView file) {
    QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    Source in(buffer);
    PnmHeader h;
    if (readHeader(in, h).failed()) return kUnknownSize;
    return {static_cast<int>(h.width), static_cast<int>(h.height)};
}

Status decodePnm(QByteArrayView file, QImage& picture) {
    QByteArray bytes = QByteArray::fromRawData(file.data(), file.size());
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    return readPnmPicture(buffer, picture);
}

Status decodePnmFile(QIODevice& file, QImage& picture, DecodedRows*) {
    if (!file.seek(0)) return Status::failure("PNM file cannot be read");
    return readPnmPicture(file, picture);
}

}  // namespace

Status readPnmPicture(QIODevice& device, QImage& picture) {
    Source in(device);
    PnmHeader h;
    if (Status st = readHeader(in, h); st.failed()) return st;
    if (pictureIsEmpty(h.width, h.height)) return Status::failure("picture is empty");
    if (!pictureSizeAccepted(h.width, h.height)) return Status::failure("picture is too large");
    if (const qint64 left = in.left(); left >= 0 && left < leastRasterBytes(h))
        return damaged("samples are cut short");
    QImage decoded(static_cast<int>(h.width), static_cast<int>(h.height),
                   h.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (decoded.isNull()) return Status::failure("out of memory for the picture");
    if (Status st = readRaster(in, h, decoded); st.failed()) return st;
    picture = std::move(decoded);
    return Status::ok();
}

const RasterDecoder kPnmDecoder{recognisesPnm, pnmHeaderSize, decodePnm, decodePnmFile};

}  // namespace glint
