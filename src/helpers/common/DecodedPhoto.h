#pragma once
// A picture as the photo helper hands it on: upright, 0xAARRGGBB pixels, not premultiplied,
// the reduction of deeper samples to 8 bits, and how a reader's attempt ended.
#include <algorithm>
#include <cstdint>
#include <functional>
#include <vector>

#include "io/decode/LoadLimits.h"

namespace glint::photo {

// Unsupported: a well-formed file of a variant that no decoder here reads (the reader names
// it); Damaged: everything else that does not decode.
enum class PhotoOutcome { Ok, Damaged, Unsupported, TooLarge, Empty };

// Whether the loader takes a picture of this size: Ok, Empty or TooLarge.
constexpr PhotoOutcome sizeOutcome(std::int64_t width, std::int64_t height) {
    if (pictureIsEmpty(width, height)) return PhotoOutcome::Empty;
    return pictureSizeAccepted(width, height) ? PhotoOutcome::Ok : PhotoOutcome::TooLarge;
}

// A photo's pixels: in memory of their own, or in memory that a provider hands out (the
// helper's shared memory, so that a reader decodes straight into it).
class PhotoPixels {
  public:
    using Provider = std::function<std::uint32_t*(std::size_t count)>;

    void provideFrom(Provider provider) { provider_ = std::move(provider); }
    // Room for `count` pixels, from the provider when it has them, else of its own.
    void resize(std::size_t count) {
        at_ = provider_ ? provider_(count) : nullptr;
        if (at_ == nullptr) {
            own_.resize(count);
            at_ = own_.data();
        }
        count_ = count;
    }
    // Room for `count` pixels, all `value`.
    void assign(std::size_t count, std::uint32_t value) {
        resize(count);
        std::fill(begin(), end(), value);
    }
    std::uint32_t* data() { return at_; }
    const std::uint32_t* data() const { return at_; }
    std::uint32_t* begin() { return at_; }
    std::uint32_t* end() { return at_ + count_; }
    const std::uint32_t* begin() const { return at_; }
    const std::uint32_t* end() const { return at_ + count_; }
    std::size_t size() const { return count_; }
    bool empty() const { return count_ == 0; }
    // True when the pixels lie in the provider's memory.
    bool provided() const { return count_ > 0 && own_.empty(); }

  private:
    Provider provider_;
    std::vector<std::uint32_t> own_;
    std::uint32_t* at_ = nullptr;
    std::size_t count_ = 0;
};

struct DecodedPhoto {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool hasAlpha = false;
    PhotoPixels pixels;  // width * height, row after row from the top
};

// A sample of `bits` bits (1..16) as the nearest 8-bit value: round(v * 255 / (2^bits - 1)).
// No exact ties occur, since 2^bits - 1 is odd.
constexpr std::uint32_t toEightBits(std::uint32_t sample, int bits) {
    const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
    return (std::min(sample, max) * 255 + max / 2) / max;
}

// A colour sample premultiplied by `alpha` (both of `bits` bits) back to its own value.
constexpr std::uint32_t unpremultiplied(std::uint32_t sample, std::uint32_t alpha, int bits) {
    const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
    if (alpha == 0) return 0;
    return std::min(max, (sample * max + alpha / 2) / alpha);
}

constexpr std::uint32_t argb(std::uint32_t a, std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return a << 24 | r << 16 | g << 8 | b;
}

// Fills the photo's pixels (already sized) from interleaved 8-bit RGB or RGBA rows that are not
// premultiplied: no arithmetic at all.
inline void copyInterleavedRows(const std::uint8_t* rows, std::int64_t stride, bool alpha,
                                DecodedPhoto& photo) {
    const int channels = alpha ? 4 : 3;
    for (std::int64_t y = 0; y < photo.height; ++y) {
        const std::uint8_t* s = rows + y * stride;
        std::uint32_t* out = photo.pixels.data() + y * photo.width;
        for (std::int64_t x = 0; x < photo.width; ++x, s += channels)
            out[x] = argb(alpha ? s[3] : 0xffu, s[0], s[1], s[2]);
    }
}

}  // namespace glint::photo
