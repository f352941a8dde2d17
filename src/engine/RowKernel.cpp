#include "RowKernel.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <string>
#include <utility>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace glint {

namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kInt16Min = std::numeric_limits<std::int16_t>::min();
constexpr std::int32_t kInt16Max = std::numeric_limits<std::int16_t>::max();
constexpr std::int32_t kComponentMax = 255;
// Green bits of a 0xAARRGGBB word; they sit where the run pixel needs them.
constexpr std::uint32_t kGreenMask = 0x0000FF00u;
constexpr std::uint32_t kOpaque = 0xFF000000u;

bool fitsInt32(std::int64_t v) { return v >= kInt32Min && v <= kInt32Max; }

// A colour component as RGB takes it: a 16-bit integer, not negative, above 255 taken as 255.
Status rgbComponent(std::int32_t value, const char* name, std::uint32_t& out) {
    if (value < kInt16Min || value > kInt16Max) {
        return Status::failure(std::string(name) + " overflows a 16-bit integer");
    }
    if (value < 0) return Status::failure(std::string(name) + " is negative");
    out = static_cast<std::uint32_t>(std::min(value, kComponentMax));
    return Status::ok();
}

// Writes `count` runs of S pixels; run j takes the green of src[j] over `base`.
template <int S>
void writeRunsScalar(const std::uint32_t* src, std::int64_t count, std::uint32_t* out,
                     std::uint32_t base) {
    for (std::int64_t j = 0; j < count; ++j) {
        const std::uint32_t p = base | (src[j] & kGreenMask);
        for (int k = 0; k < S; ++k) out[j * S + k] = p;
    }
}

#if defined(__SSE2__)
// Shuffle control that spreads 4 run pixels over S vectors: lane t of vector c repeats
// pixel (4c + t) / S.
template <int S>
constexpr int spreadControl(int c) {
    int control = 0;
    for (int t = 0; t < 4; ++t) control |= ((4 * c + t) / S) << (2 * t);
    return control;
}

template <bool Stream>
void store(std::uint32_t* at, __m128i pixels) {
    if constexpr (Stream) {
        _mm_stream_si128(reinterpret_cast<__m128i*>(at), pixels);
    } else {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(at), pixels);
    }
}

template <int S, bool Stream, int... C>
void storeSpread(__m128i pixels, std::uint32_t* out, std::integer_sequence<int, C...>) {
    (store<Stream>(out + 4 * C, _mm_shuffle_epi32(pixels, spreadControl<S>(C))), ...);
}

// Four source pixels at a time: 4 runs become S vectors of 4 pixels. Streamed stores need `out`
// on a 16-byte boundary.
template <int S, bool Stream = false>
void writeRuns(const std::uint32_t* src, std::int64_t count, std::uint32_t* out,
               std::uint32_t base) {
    const __m128i green = _mm_set1_epi32(static_cast<int>(kGreenMask));
    const __m128i fixed = _mm_set1_epi32(static_cast<int>(base));
    std::int64_t j = 0;
    for (; j + 4 <= count; j += 4) {
        const __m128i in = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + j));
        const __m128i pixels = _mm_or_si128(_mm_and_si128(in, green), fixed);
        storeSpread<S, Stream>(pixels, out + j * S, std::make_integer_sequence<int, S>{});
    }
    writeRunsScalar<S>(src + j, count - j, out + j * S, base);
}

constexpr std::uintptr_t kStreamAlignment = 16;

bool streamAligned(const std::uint32_t* at) {
    return reinterpret_cast<std::uintptr_t>(at) % kStreamAlignment == 0;
}

// `count` pixels of one colour, stored past the caches.
void streamFill(std::uint32_t* out, std::int64_t count, std::uint32_t pixel) {
    std::int64_t x = 0;
    for (; x < count && !streamAligned(out + x); ++x) out[x] = pixel;
    const __m128i pixels = _mm_set1_epi32(static_cast<int>(pixel));
    for (; x + 4 <= count; x += 4) store<true>(out + x, pixels);
    for (; x < count; ++x) out[x] = pixel;
}

// Streamed stores are weakly ordered: they wait in write-combining buffers and may become
// visible to other cores after stores that follow them, a release included. The pixels of a
// row are read on other threads (a save or a clipboard encoding of the window's picture runs
// aside), handed over by ordinary synchronisation that orders ordinary stores only; the fence
// at the end of every row puts its streamed stores before everything that comes after, so a
// caller gets rows that behave like rows stored the ordinary way.
void endStreaming() { _mm_sfence(); }
#else
template <int S, bool Stream = false>
void writeRuns(const std::uint32_t* src, std::int64_t count, std::uint32_t* out,
               std::uint32_t base) {
    writeRunsScalar<S>(src, count, out, base);
}
bool streamAligned(const std::uint32_t*) { return false; }
void streamFill(std::uint32_t* out, std::int64_t count, std::uint32_t pixel) {
    std::fill_n(out, count, pixel);
}
void endStreaming() {}
#endif

template <bool Stream>
void writeRunsAtScale(const std::uint32_t* src, std::int64_t count, std::uint32_t* out,
                      std::uint32_t base, std::int32_t s) {
    switch (s) {
        case 1:
            return writeRuns<1, Stream>(src, count, out, base);
        case 2:
            return writeRuns<2, Stream>(src, count, out, base);
        case 3:
            return writeRuns<3, Stream>(src, count, out, base);
        case 4:
            return writeRuns<4, Stream>(src, count, out, base);
        case 5:
            return writeRuns<5, Stream>(src, count, out, base);
        default:  // the large scales, whose gap rows are most of the work
            for (std::int64_t j = 0; j < count; ++j) {
                std::fill_n(out + j * s, s, base | (src[j] & kGreenMask));
            }
    }
}

// Streamed vector stores fault on an address off a 16-byte boundary, and the run vectors lie at
// fixed offsets from the row's first pixel: they can be streamed only when the row starts on
// such a boundary. Rows of a width that is no multiple of 4 pixels start on one only every
// few rows (an image's rows are 4-byte aligned); the others take ordinary stores, which give
// the same pixels. A fill has no such offsets: streamFill stores up to the boundary first.
void writeRunsAnyScale(const std::uint32_t* src, std::int64_t count, std::uint32_t* out,
                       std::uint32_t base, std::int32_t s, bool stream) {
    if (stream && streamAligned(out)) return writeRunsAtScale<true>(src, count, out, base, s);
    writeRunsAtScale<false>(src, count, out, base, s);
}

// The row of runs, clipped to `width` destination pixels.
void drawRunRow(const ConstPixelView& src, std::int32_t i, std::int64_t columns, std::int32_t s,
                std::uint32_t base, std::uint32_t* out, std::int64_t width, bool stream) {
    const bool rowInSource = i >= 0 && i < src.height && src.pixels != nullptr;
    const std::uint32_t* srcRow = rowInSource ? src.row(i) : nullptr;
    const std::int64_t srcColumns = rowInSource ? src.width : 0;

    const std::int64_t fullColumns = std::min(columns, width / s);
    const std::int64_t fromSource = std::min(fullColumns, srcColumns);
    if (fromSource > 0) writeRunsAnyScale(srcRow, fromSource, out, base, s, stream);
    // Columns beyond the source read as -1, which has green 0.
    std::fill(out + fromSource * s, out + fullColumns * s, base);

    if (fullColumns < columns) {
        const std::int64_t rest = width - fullColumns * s;  // less than s
        const std::uint32_t p =
            fullColumns < srcColumns ? base | (srcRow[fullColumns] & kGreenMask) : base;
        std::fill(out + fullColumns * s, out + fullColumns * s + rest, p);
    }
}

}  // namespace

Status drawSourceRow(const ConstPixelView& src, std::int32_t i, std::int32_t lastColumn,
                     const RowValues& values, const PixelView& dst, std::int32_t dstOriginY,
                     RowStores stores) {
    const std::int32_t s = values.scale;
    // Without a column or a positive scale there is nothing to draw.
    if (lastColumn < 0 || s <= 0) return Status::ok();

    std::uint32_t red = 0;
    std::uint32_t blue = 0;
    if (Status st = rgbComponent(values.redVal, "red", red); st.failed()) return st;
    if (Status st = rgbComponent(values.blueVal, "blue", blue); st.failed()) return st;

    const std::int64_t top = std::int64_t{s} * i;
    const std::int64_t columns = std::int64_t{lastColumn} + 1;
    const std::int64_t right = std::int64_t{s} * lastColumn + s;
    const std::int64_t lastGap = top + (s - 1);
    if (!fitsInt32(top) || !fitsInt32(right) || !fitsInt32(lastGap)) {
        return Status::failure("row coordinates overflow a 32-bit integer");
    }
    if (dst.pixels == nullptr || dst.width <= 0 || dst.height <= 0) return Status::ok();

    const std::int64_t width = std::min<std::int64_t>(right, dst.width);
    const std::int64_t firstRow = top - dstOriginY;  // in dst rows
    const bool stream = stores == RowStores::Streaming;

    if (firstRow >= 0 && firstRow < dst.height) {
        const std::uint32_t base = kOpaque | (red << 16) | blue;
        drawRunRow(src, i, columns, s, base, dst.row(static_cast<std::int32_t>(firstRow)), width,
                   stream);
    }

    // Gap rows: fill the first visible one, copy it into the others (streamed: fill them all,
    // the copy would read back from memory).
    const std::int64_t gapBegin = std::max<std::int64_t>(firstRow + 1, 0);
    const std::int64_t gapEnd = std::min<std::int64_t>(firstRow + s, dst.height);
    const std::uint32_t* filled = nullptr;
    for (std::int64_t y = gapBegin; y < gapEnd; ++y) {
        std::uint32_t* out = dst.row(static_cast<std::int32_t>(y));
        if (stream) {
            streamFill(out, width, toPixel(values.backCol));
        } else if (filled == nullptr) {
            std::fill_n(out, width, toPixel(values.backCol));
            filled = out;
        } else {
            std::memcpy(out, filled, static_cast<std::size_t>(width) * sizeof(std::uint32_t));
        }
    }
    if (stream) endStreaming();
    return Status::ok();
}

}  // namespace glint
