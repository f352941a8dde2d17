#include "AvifSequenceReader.h"

#include <avif/avif.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <vector>

#include "DecodingThreads.h"

namespace glint::photo {
namespace {

constexpr std::uint32_t kEightBits = 8;
constexpr double kMillisecondsPerSecond = 1000.0;

struct DecoderDestroy {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

}  // namespace

PhotoOutcome readAvifSequence(std::span<const std::uint8_t> file, DecodedPhoto& photo,
                              bool allFrames) {
    const std::unique_ptr<avifDecoder, DecoderDestroy> decoder(avifDecoderCreate());
    if (!decoder) return PhotoOutcome::Damaged;
    decoder->maxThreads = decodingThreads();
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    if (avifDecoderSetIOMemory(decoder.get(), file.data(), file.size()) != AVIF_RESULT_OK ||
        avifDecoderParse(decoder.get()) != AVIF_RESULT_OK)
        return PhotoOutcome::Damaged;
    // The track's size, from the header: checked before any decoding.
    if (const PhotoOutcome size = sizeOutcome(decoder->image->width, decoder->image->height);
        size != PhotoOutcome::Ok)
        return size;
    const std::int64_t count = allFrames ? decoder->imageCount : 1;
    if (count < 1) return PhotoOutcome::Damaged;
    if (!framesAccepted(decoder->image->width, decoder->image->height, count))
        return PhotoOutcome::TooLarge;
    // libavif 0.11 does not read an edit list's repetitions: a sequence plays for ever, as
    // browsers play it.
    photo.loops = allFrames ? 0 : 1;
    std::vector<std::uint8_t> rows;
    for (std::int64_t k = 0; k < count; ++k) {
        if (avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) return PhotoOutcome::Damaged;
        const avifImage* frame = decoder->image;
        if (k == 0) {
            if (const PhotoOutcome size = sizeOutcome(frame->width, frame->height);
                size != PhotoOutcome::Ok)
                return size;
            photo.width = frame->width;
            photo.height = frame->height;
            photo.hasAlpha = frame->alphaPlane != nullptr;
            photo.pixels.resize(static_cast<size_t>(photo.width * photo.height * count));
        } else if (frame->width != photo.width || frame->height != photo.height) {
            return PhotoOutcome::Damaged;
        }
        // Straight to 8 bits, one rounding of the converted value, in avifdec's layout (RGBA
        // with transparency, RGB without).
        avifRGBImage rgb;
        avifRGBImageSetDefaults(&rgb, frame);
        rgb.depth = kEightBits;
        const bool alpha = frame->alphaPlane != nullptr;
        rgb.format = alpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
        rgb.rowBytes = rgb.width * avifRGBImagePixelSize(&rgb);
        rows.resize(static_cast<size_t>(rgb.rowBytes) * rgb.height);
        rgb.pixels = rows.data();
        if (avifImageYUVToRGB(frame, &rgb) != AVIF_RESULT_OK) return PhotoOutcome::Damaged;
        copyInterleavedRows(rows.data(), rgb.rowBytes, alpha, photo,
                            k * photo.width * photo.height);
        photo.hasAlpha = photo.hasAlpha || alpha;
        photo.delaysMs.push_back(static_cast<std::uint32_t>(
            std::lround(std::max(decoder->imageTiming.duration, 0.0) * kMillisecondsPerSecond)));
    }
    return PhotoOutcome::Ok;
}

}  // namespace glint::photo
