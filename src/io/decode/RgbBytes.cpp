#include "RgbBytes.h"

#include <bit>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define GLINT_X86 1
#endif

namespace glint {

namespace {

constexpr std::uint32_t kOpaque = 0xFF000000u;
constexpr int kSamples = 3;

void packPlain(const std::uint32_t* pixels, std::int64_t count, unsigned char* out) {
    for (std::int64_t x = 0; x < count; ++x, out += kSamples) {
        out[0] = static_cast<unsigned char>(pixels[x] >> 16);
        out[1] = static_cast<unsigned char>(pixels[x] >> 8);
        out[2] = static_cast<unsigned char>(pixels[x]);
    }
}

void unpackPlain(const unsigned char* bytes, std::int64_t count, std::uint32_t* out) {
    for (std::int64_t x = 0; x < count; ++x, bytes += kSamples)
        out[x] = kOpaque | std::uint32_t{bytes[0]} << 16 | std::uint32_t{bytes[1]} << 8 | bytes[2];
}

#ifdef GLINT_X86
// Four pixels at a time: 16 bytes B, G, R, A (little-endian words) shuffled into 12 bytes
// R, G, B, stored 16 wide (the last 4 bytes are overwritten by the next store, or belong to the
// plain tail: the loop stops while a whole 16-byte store still fits).
__attribute__((target("ssse3"))) void packShuffled(const std::uint32_t* pixels, std::int64_t count,
                                                   unsigned char* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, -1, -1, -1, -1);
    std::int64_t x = 0;
    for (; x + 6 <= count; x += 4, out += 4 * kSamples) {
        const __m128i four = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels + x));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out), _mm_shuffle_epi8(four, order));
    }
    packPlain(pixels + x, count - x, out);
}

// Four pixels at a time from 12 bytes R, G, B (read 16 wide while 16 bytes remain).
__attribute__((target("ssse3"))) void unpackShuffled(const unsigned char* bytes, std::int64_t count,
                                                     std::uint32_t* out) {
    const __m128i order = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(kOpaque));
    std::int64_t x = 0;
    for (; x + 6 <= count; x += 4, bytes += 4 * kSamples) {
        const __m128i raw = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x),
                         _mm_or_si128(_mm_shuffle_epi8(raw, order), opaque));
    }
    unpackPlain(bytes, count - x, out + x);
}

bool hasShuffles() {
    static const bool has = __builtin_cpu_supports("ssse3");
    return has;
}
#endif

}  // namespace

void packRgb(const std::uint32_t* pixels, std::int64_t count, unsigned char* out) {
#ifdef GLINT_X86
    if (hasShuffles()) return packShuffled(pixels, count, out);
#endif
    packPlain(pixels, count, out);
}

void unpackRgb(const unsigned char* bytes, std::int64_t count, std::uint32_t* out) {
#ifdef GLINT_X86
    if (hasShuffles()) return unpackShuffled(bytes, count, out);
#endif
    unpackPlain(bytes, count, out);
}

}  // namespace glint
