#include "BmpRunLength.h"

namespace glint {
namespace {

constexpr unsigned kEscape = 0;
constexpr unsigned kEndOfLine = 0;
constexpr unsigned kEndOfBitmap = 1;
constexpr unsigned kDelta = 2;

class RunWriter {
  public:
    RunWriter(const BmpHeader& h, const std::vector<QRgb>& palette, QImage& picture)
        : h_(h), palette_(palette), picture_(picture) {}

    // Room for `count` more pixels in the current row.
    bool fits(std::int64_t count) const { return row_ < h_.height && x_ + count <= h_.width; }
    bool put(unsigned index) {
        if (index >= palette_.size()) return false;
        line()[x_++] = palette_[index];
        return true;
    }
    // End of line: the next row, which may be one past the last (a closing end of line).
    bool nextRow() {
        if (row_ >= h_.height) return false;
        ++row_;
        x_ = 0;
        return true;
    }
    bool move(unsigned dx, unsigned dy) {
        x_ += dx;
        row_ += dy;
        return x_ <= h_.width && row_ < h_.height;
    }

  private:
    QRgb* line() {
        if (lineRow_ != row_) {
            const auto y = static_cast<int>(h_.topDown ? row_ : h_.height - 1 - row_);
            line_ = reinterpret_cast<QRgb*>(picture_.scanLine(y));
            lineRow_ = row_;
        }
        return line_;
    }

    const BmpHeader& h_;
    const std::vector<QRgb>& palette_;
    QImage& picture_;
    std::int64_t x_ = 0;
    std::int64_t row_ = 0;
    std::int64_t lineRow_ = -1;
    QRgb* line_ = nullptr;
};

Status damaged(const char* why) { return Status::failure(std::string("run-length data ") + why); }

}  // namespace

Status decodeRunLength(QByteArrayView file, const BmpHeader& h, const std::vector<QRgb>& palette,
                       QImage& picture) {
    if (palette.empty()) return Status::failure("run-length bitmap has no palette");
    picture.fill(palette[0]);
    const bool four = h.layout == BmpPixelStorage::RunLength4;
    const auto* p = reinterpret_cast<const unsigned char*>(file.data());
    const qsizetype end = file.size();
    qsizetype at = h.dataOffset;
    RunWriter out(h, palette, picture);
    while (at + 2 <= end) {
        const unsigned count = p[at];
        const unsigned value = p[at + 1];
        at += 2;
        if (count != kEscape) {  // a run of one index, or of two alternating nibbles
            if (!out.fits(count)) return damaged("runs past the picture's edge");
            for (unsigned i = 0; i < count; ++i) {
                const unsigned index = !four ? value : (i % 2 == 0 ? value >> 4 : value & 0xF);
                if (!out.put(index)) return damaged("uses a colour past the palette");
            }
        } else if (value == kEndOfLine) {
            if (!out.nextRow()) return damaged("goes on past the last row");
        } else if (value == kEndOfBitmap) {
            return Status::ok();
        } else if (value == kDelta) {
            if (at + 2 > end) break;
            if (!out.move(p[at], p[at + 1])) return damaged("moves past the picture's edge");
            at += 2;
        } else {  // literal indexes, padded to an even number of bytes
            const qsizetype bytes = four ? (value + 1) / 2 : value;
            if (at + bytes > end) break;
            if (!out.fits(value)) return damaged("runs past the picture's edge");
            for (unsigned i = 0; i < value; ++i) {
                const unsigned byte = p[at + (four ? i / 2 : i)];
                const unsigned index = !four ? byte : (i % 2 == 0 ? byte >> 4 : byte & 0xF);
                if (!out.put(index)) return damaged("uses a colour past the palette");
            }
            at += bytes + (bytes & 1);
        }
    }
    return damaged("ends before its end-of-bitmap code");
}

}  // namespace glint
