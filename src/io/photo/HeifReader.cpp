#include "HeifReader.h"

#include <libheif/heif.h>

#include <memory>

#include "io/decode/LoadLimits.h"
#include "io/helper/PhotoProtocol.h"

namespace glint::photo {
namespace {

constexpr int kEightBits = 8;

struct ContextFree {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleRelease {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageRelease {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
struct OptionsFree {
    void operator()(heif_decoding_options* o) const { heif_decoding_options_free(o); }
};

// Converts the interleaved RGB(A) rows of `image`, 8 bits per sample or 16-bit little-endian
// containers of `bits` bits, to the photo's pixels.
void convertRows(const std::uint8_t* plane, int stride, int bits, bool alpha, bool premultiplied,
                 DecodedPhoto& photo) {
    const int channels = alpha ? 4 : 3;
    const std::uint32_t opaque = (std::uint32_t{1} << bits) - 1;
    for (std::int64_t y = 0; y < photo.height; ++y) {
        const std::uint8_t* row = plane + y * stride;
        std::uint32_t* out = photo.pixels.data() + y * photo.width;
        for (std::int64_t x = 0; x < photo.width; ++x) {
            std::uint32_t s[4] = {0, 0, 0, opaque};
            for (int c = 0; c < channels; ++c) {
                const std::int64_t i = x * channels + c;
                s[c] = bits > kEightBits
                           ? std::uint32_t{row[2 * i]} | std::uint32_t{row[2 * i + 1]} << 8
                           : row[i];
            }
            if (premultiplied)
                for (int c = 0; c < 3; ++c) s[c] = unpremultiplied(s[c], s[3], bits);
            out[x] = argb(toEightBits(s[3], bits), toEightBits(s[0], bits), toEightBits(s[1], bits),
                          toEightBits(s[2], bits));
        }
    }
}

}  // namespace

int readHeif(const char* path, DecodedPhoto& photo) {
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) return kPhotoExitDamaged;
    const heif_error read = heif_context_read_from_file(context.get(), path, nullptr);
    if (read.code == heif_error_Input_does_not_exist) return kPhotoExitUnreadable;
    if (read.code != heif_error_Ok) return kPhotoExitDamaged;

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return kPhotoExitDamaged;
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
    // The size after rotation and cropping, from the header: checked before any decoding.
    if (!pictureSizeAccepted(heif_image_handle_get_width(handle.get()),
                             heif_image_handle_get_height(handle.get())))
        return kPhotoExitTooLarge;

    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle.get()) > kEightBits;
    const heif_chroma chroma =
        deep ? (alpha ? heif_chroma_interleaved_RRGGBBAA_LE : heif_chroma_interleaved_RRGGBB_LE)
             : (alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB);
    const std::unique_ptr<heif_decoding_options, OptionsFree> options(
        heif_decoding_options_alloc());
    options->ignore_transformations = 0;  // rotation (irot), mirroring (imir), cropping (clap)
    heif_image* rawImage = nullptr;
    if (heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB, chroma, options.get())
            .code != heif_error_Ok)
        return kPhotoExitDamaged;
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);

    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    photo.width = heif_image_get_width(image.get(), heif_channel_interleaved);
    photo.height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || bits < kEightBits || bits > 16) return kPhotoExitDamaged;
    if (!pictureSizeAccepted(photo.width, photo.height)) return kPhotoExitTooLarge;
    photo.hasAlpha = alpha;
    photo.pixels.resize(static_cast<size_t>(photo.width * photo.height));
    convertRows(plane, stride, bits, alpha, heif_image_is_premultiplied_alpha(image.get()) != 0,
                photo);
    return kPhotoExitOk;
}

}  // namespace glint::photo
