#include "HeifReader.h"

#include <libheif/heif.h>

#include <memory>
#include <vector>

#include "AvifSequenceReader.h"
#include "DecodingThreads.h"
#include "HeifLayout.h"
#include "ThreadedHevcDecoder.h"

namespace glint::photo {
namespace {

constexpr int kEightBits = 8;
constexpr int kSixteenBits = 16;

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

// Converts interleaved RGB(A) rows, 8 bits per sample or 16-bit little-endian containers of
// `bits` bits, premultiplied or not, to the photo's pixels.
void convertRows(const std::uint8_t* plane, int stride, int bits, bool alpha, bool premultiplied,
                 DecodedPhoto& photo) {
    const int channels = alpha ? 4 : 3;
    const std::uint32_t opaque = (std::uint32_t{1} << bits) - 1;
    std::vector<std::uint8_t> eight(opaque + 1);  // each sample value's 8-bit value
    for (std::uint32_t v = 0; v <= opaque; ++v)
        eight[v] = static_cast<std::uint8_t>(toEightBits(v, bits));
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
                s[c] = std::min(s[c], opaque);
            }
            if (premultiplied)
                for (int c = 0; c < 3; ++c) s[c] = unpremultiplied(s[c], s[3], bits);
            out[x] = argb(eight[s[3]], eight[s[0]], eight[s[1]], eight[s[2]]);
        }
    }
}

PhotoOutcome decodePrimaryImage(std::span<const std::uint8_t> file, DecodedPhoto& photo) {
    const int threads = decodingThreads();
    useThreadedHevcDecoder(threads);
    const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context) return PhotoOutcome::Damaged;
    heif_context_set_max_decoding_threads(context.get(), threads);  // grid tiles side by side
    if (heif_context_read_from_memory_without_copy(context.get(), file.data(), file.size(), nullptr)
            .code != heif_error_Ok)
        return PhotoOutcome::Damaged;

    heif_image_handle* rawHandle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &rawHandle).code != heif_error_Ok)
        return PhotoOutcome::Damaged;
    const std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);
    // The size after rotation and cropping, from the header: checked before any decoding.
    if (const PhotoOutcome size = sizeOutcome(heif_image_handle_get_width(handle.get()),
                                              heif_image_handle_get_height(handle.get()));
        size != PhotoOutcome::Ok)
        return size;

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
        return PhotoOutcome::Damaged;
    const std::unique_ptr<heif_image, ImageRelease> image(rawImage);

    int stride = 0;
    const std::uint8_t* plane =
        heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int bits = heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved);
    photo.width = heif_image_get_width(image.get(), heif_channel_interleaved);
    photo.height = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!plane || bits < kEightBits || bits > kSixteenBits) return PhotoOutcome::Damaged;
    if (const PhotoOutcome size = sizeOutcome(photo.width, photo.height); size != PhotoOutcome::Ok)
        return size;
    photo.hasAlpha = alpha;
    photo.pixels.resize(static_cast<size_t>(photo.width * photo.height));
    const bool premultiplied = heif_image_is_premultiplied_alpha(image.get()) != 0;
    if (bits == kEightBits && !premultiplied)
        copyInterleavedRows(plane, stride, alpha, photo);
    else
        convertRows(plane, stride, bits, alpha, premultiplied, photo);
    return PhotoOutcome::Ok;
}

}  // namespace

PhotoOutcome readHeif(std::span<const std::uint8_t> file, DecodedPhoto& photo, std::string& what) {
    const HeifLayout layout = heifLayout(file);
    if (!layout.unsupported.empty()) {
        what = layout.unsupported;
        return PhotoOutcome::Unsupported;
    }
    // libheif reads still images only; a sequence without one goes to libavif.
    if (!layout.still && layout.sequence) return readAvifSequence(file, photo);
    return decodePrimaryImage(file, photo);
}

}  // namespace glint::photo
