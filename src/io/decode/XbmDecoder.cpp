#include "XbmDecoder.h"

#include <string_view>

#include "LoadLimits.h"

namespace glint {
namespace {

// Widths and heights above this are not read as numbers at all (the size limit is far below).
constexpr std::uint64_t kMaxSide = std::uint64_t{1} << 30;
constexpr QRgb kSet = 0xff000000;    // black
constexpr QRgb kClear = 0xffffffff;  // white

bool isSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool isWordChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}
int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return 99;
}

// The C source, read token by token; white space and comments between tokens are skipped.
class Source {
  public:
    explicit Source(QByteArrayView text)
        : text_(text.data(), static_cast<std::size_t>(text.size())) {}

    std::size_t left() {
        skip();
        return text_.size() - at_;
    }
    // True, and past it, when the next token is `token` (a word is not matched by its start).
    bool take(std::string_view token) {
        skip();
        if (text_.substr(at_, token.size()) != token) return false;
        const std::size_t end = at_ + token.size();
        if (isWordChar(token.back()) && end < text_.size() && isWordChar(text_[end])) return false;
        at_ = end;
        return true;
    }
    bool word(std::string_view& out) {
        skip();
        const std::size_t start = at_;
        while (at_ < text_.size() && isWordChar(text_[at_])) ++at_;
        out = text_.substr(start, at_ - start);
        return !out.empty();
    }
    // A C integer constant (decimal, octal, hexadecimal) of at most `most`.
    bool integer(std::uint64_t& value, std::uint64_t most) {
        skip();
        unsigned base = 10;
        if (text_.substr(at_, 2) == "0x" || text_.substr(at_, 2) == "0X") {
            base = 16;
            at_ += 2;
        } else if (text_.substr(at_, 1) == "0") {
            base = 8;
        }
        value = 0;
        int digits = 0;
        for (; at_ < text_.size(); ++at_, ++digits) {
            const int d = digitValue(text_[at_]);
            if (d >= static_cast<int>(base)) break;
            value = value * base + static_cast<unsigned>(d);
            if (value > most) return false;
        }
        return digits > 0 && (at_ == text_.size() || !isWordChar(text_[at_]));
    }

  private:
    void skip() {
        while (at_ < text_.size()) {
            if (isSpace(text_[at_])) {
                ++at_;
            } else if (text_.substr(at_, 2) == "/*") {
                const std::size_t end = text_.find("*/", at_ + 2);
                at_ = end == std::string_view::npos ? text_.size() : end + 2;
            } else if (text_.substr(at_, 2) == "//") {
                const std::size_t end = text_.find('\n', at_);
                at_ = end == std::string_view::npos ? text_.size() : end + 1;
            } else {
                return;
            }
        }
    }

    std::string_view text_;
    std::size_t at_ = 0;
};

bool endsWith(std::string_view s, std::string_view end) {
    return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// The #defines before the array: the size; hot spots and others are not needed.
bool readDefines(Source& in, std::uint64_t& width, std::uint64_t& height) {
    bool hasWidth = false, hasHeight = false;
    while (in.take("#define")) {
        std::string_view name;
        std::uint64_t value = 0;
        if (!in.word(name) || !in.integer(value, kMaxSide)) return false;
        if (endsWith(name, "_width")) {
            width = value;
            hasWidth = true;
        } else if (endsWith(name, "_height")) {
            height = value;
            hasHeight = true;
        }
    }
    return hasWidth && hasHeight;
}

// The array's declaration up to its opening brace; `bits` 8 for char, 16 for short.
bool readDeclaration(Source& in, int& bits) {
    in.take("static");
    in.take("const");
    in.take("unsigned");
    if (in.take("char")) {
        bits = 8;
    } else if (in.take("short")) {
        bits = 16;
    } else {
        return false;
    }
    std::string_view name;
    return in.word(name) && in.take("[") && in.take("]") && in.take("=") && in.take("{");
}

bool recognisesXbm(QByteArrayView head) {
    Source in(head);
    std::string_view name;
    return in.take("#define") && in.word(name) &&
           (endsWith(name, "_width") || endsWith(name, "_height"));
}

QSize xbmHeaderSize(QByteArrayView file) {
    Source in(file);
    std::uint64_t width = 0, height = 0;
    if (!readDefines(in, width, height)) return kUnknownSize;
    return {static_cast<int>(width), static_cast<int>(height)};
}

Status damaged(const char* what) { return Status::failure(std::string("damaged XBM: ") + what); }

Status decodeXbm(QByteArrayView file, QImage& picture) {
    Source in(file);
    std::uint64_t width = 0, height = 0;
    int bits = 0;
    if (!readDefines(in, width, height)) return damaged("no width and height");
    if (!readDeclaration(in, bits)) return damaged("no array of bits");
    if (pictureIsEmpty(width, height)) return Status::failure("picture is empty");
    if (!pictureSizeAccepted(width, height)) return Status::failure("picture is too large");
    const std::uint64_t perRow = (width + bits - 1) / bits;
    // Each value takes a character and a comma, but the last: the text bounds the count.
    if (perRow * height > (in.left() + 1) / 2) return damaged("fewer values than the size needs");
    QImage decoded(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (decoded.isNull()) return Status::failure("out of memory for the picture");
    const std::uint64_t most = (std::uint64_t{1} << bits) - 1;
    for (int y = 0; y < decoded.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(decoded.scanLine(y));
        for (std::uint64_t k = 0; k < perRow; ++k) {
            std::uint64_t value = 0;
            if (!in.integer(value, most)) return damaged("a value is missing or too large");
            if (!(y + 1 == decoded.height() && k + 1 == perRow) && !in.take(","))
                return damaged("fewer values than the size needs");
            for (int b = 0; b < bits; ++b) {
                const std::uint64_t x = k * bits + b;
                if (x < width) row[x] = (value >> b) & 1u ? kSet : kClear;
            }
        }
    }
    in.take(",");  // C allows a comma after the last value
    if (!in.take("}")) return damaged("more values than the size needs, or no closing brace");
    picture = std::move(decoded);
    return Status::ok();
}

}  // namespace

const RasterDecoder kXbmDecoder{recognisesXbm, xbmHeaderSize, decodeXbm, nullptr};

}  // namespace glint
