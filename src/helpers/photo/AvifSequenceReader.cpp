#include "AvifSequenceReader.h"

#include <avif/avif.h>

#include <memory>
#include <vector>

#include "DecodingThreads.h"

namespace glint::photo {
namespace {

constexpr std::uint32_t kEightBits = 8;

struct DecoderDestroy {
    void operator()(avifDecoder* d) const { avifDecoderDestroy(d); }
};

}  // namespace

PhotoOutcome readAvifSequence(std::span<const std::uint8_t> file, DecodedPhoto& photo) {
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
    if (avifDecoderNextImage(decoder.get()) != AVIF_RESULT_OK) return PhotoOutcome::Damaged;

    const avifImage* frame = decoder->image;
    if (const PhotoOutcome size = sizeOutcome(frame->width, frame->height);
        size != PhotoOutcome::Ok)
        return size;
    // Straight to 8 bits, one rounding of the converted value, in avifdec's layout (RGBA with
    // transparency, RGB without).
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, frame);
    rgb.depth = kEightBits;
    photo.hasAlpha = frame->alphaPlane != nullptr;
    rgb.format = photo.hasAlpha ? AVIF_RGB_FORMAT_RGBA : AVIF_RGB_FORMAT_RGB;
    rgb.rowBytes = rgb.width * avifRGBImagePixelSize(&rgb);
    std::vector<std::uint8_t> rows(static_cast<size_t>(rgb.rowBytes) * rgb.height);
    rgb.pixels = rows.data();
    if (avifImageYUVToRGB(frame, &rgb) != AVIF_RESULT_OK) return PhotoOutcome::Damaged;

    photo.width = frame->width;
    photo.height = frame->height;
    photo.pixels.resize(static_cast<size_t>(photo.width * photo.height));
    copyInterleavedRows(rows.data(), rgb.rowBytes, photo.hasAlpha, photo);
    return PhotoOutcome::Ok;
}

}  // namespace glint::photo
