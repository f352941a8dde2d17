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
    // Hands out room for `count` pixels, or null. What it hands out first holds zeros (the
    // helper's shared memory is new for every picture); later calls map the same memory again.
    using Provider = std::function<std::uint32_t*(std::size_t count)>;

    void provideFrom(Provider provider) { provider_ = std::move(provider); }
    // Room for `count` pixels, from the provider when it has them, else of its own.
    void resize(std::size_t count) {
        at_ = provider_ ? provider_(count) : nullptr;
        providerUsed_ = providerUsed_ || at_ != nullptr;
        if (at_ == nullptr) {
            own_.resize(count);
            at_ = own_.data();
        }
        count_ = count;
    }
    // Room for `count` pixels, the ones there kept (a reader of several frames adds room for
    // the next frame after those before).
    void grow(std::size_t count) {
        if (count <= count_) return;
        std::uint32_t* provided = provider_ && own_.empty() ? provider_(count) : nullptr;
        if (provided != nullptr) {  // the provider maps the same memory again, larger
            providerUsed_ = true;
            at_ = provided;
        } else {
            if (own_.empty()) own_.assign(at_, at_ + count_);
            own_.resize(count);
            at_ = own_.data();
        }
        count_ = count;
    }
    // Room for `count` pixels, all `value` (zeros in the provider's fresh memory are not
    // written again: for a large picture that is a pass over hundreds of MiB).
    void assign(std::size_t count, std::uint32_t value) {
        const bool fresh = !providerUsed_;
        resize(count);
        if (value == 0 && fresh && provided()) return;
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
    bool providerUsed_ = false;  // the provider has handed out memory before
    std::vector<std::uint32_t> own_;
    std::uint32_t* at_ = nullptr;
    std::size_t count_ = 0;
};

struct DecodedPhoto {
    std::int64_t width = 0;
    std::int64_t height = 0;
    bool hasAlpha = false;
    PhotoPixels pixels;  // width * height, row after row from the top; frame after frame
    // Of an animation read whole: one delay a frame, and the times it plays (0 for ever).
    std::vector<std::uint32_t> delaysMs;
    std::uint32_t loops = 1;
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
// `at`: the pixel where the frame starts.
inline void copyInterleavedRows(const std::uint8_t* rows, std::int64_t stride, bool alpha,
                                DecodedPhoto& photo, std::int64_t at = 0) {
    const int channels = alpha ? 4 : 3;
    for (std::int64_t y = 0; y < photo.height; ++y) {
        const std::uint8_t* s = rows + y * stride;
        std::uint32_t* out = photo.pixels.data() + at + y * photo.width;
        for (std::int64_t x = 0; x < photo.width; ++x, s += channels)
            out[x] = argb(alpha ? s[3] : 0xffu, s[0], s[1], s[2]);
    }
}

}  // namespace glint::photo
