#include "ThreadedHevcDecoder.h"

#include <libde265/de265.h>
#include <libheif/heif.h>
#include <libheif/heif_plugin.h>

#include <cstdint>
#include <cstring>
#include <mutex>

namespace glint::photo {
namespace {

// libheif picks the plug-in with the highest priority; its own libde265 plug-in has 100.
constexpr int kPriority = 110;
// Plug-in interface 2 adds strict decoding, which libheif sets from its decoding options.
constexpr int kPluginApiVersion = 2;
constexpr int kNalLengthBytes = 4;  // what libheif puts before each NAL unit it pushes
constexpr int kPlanes = 3;
constexpr char kNoMessage[] = "";

int workerThreads = 1;

struct Decoder {
    de265_decoder_context* context;
    bool strict = false;
};

heif_error success() { return {heif_error_Ok, heif_suberror_Unspecified, kNoMessage}; }
heif_error pluginError(heif_suberror_code why) {
    return {heif_error_Decoder_plugin_error, why, kNoMessage};
}

const char* pluginName() { return "libde265 HEVC decoder, threaded"; }
void initPlugin() { de265_init(); }
void deinitPlugin() { de265_free(); }

int supportsFormat(heif_compression_format format) {
    return format == heif_compression_HEVC ? kPriority : 0;
}

heif_error newDecoder(void** decoder) {
    de265_decoder_context* context = de265_new_decoder();
    if (!context)
        return {heif_error_Memory_allocation_error, heif_suberror_Unspecified, kNoMessage};
    auto* d = new Decoder{context};
    de265_start_worker_threads(context, workerThreads);
    *decoder = d;
    return success();
}

void freeDecoder(void* decoder) {
    auto* d = static_cast<Decoder*>(decoder);
    de265_free_decoder(d->context);
    delete d;
}

void setStrictDecoding(void* decoder, int strict) {
    static_cast<Decoder*>(decoder)->strict = strict;
}

// The data comes as NAL units, each after its length in 4 big-endian bytes.
heif_error pushData(void* decoder, const void* data, size_t size) {
    auto* d = static_cast<Decoder*>(decoder);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (size_t at = 0; at < size;) {
        if (size - at < kNalLengthBytes) return pluginError(heif_suberror_End_of_data);
        const std::uint32_t length = std::uint32_t{bytes[at]} << 24 |
                                     std::uint32_t{bytes[at + 1]} << 16 |
                                     std::uint32_t{bytes[at + 2]} << 8 | bytes[at + 3];
        at += kNalLengthBytes;
        if (length > size - at) return pluginError(heif_suberror_End_of_data);
        de265_push_NAL(d->context, bytes + at, static_cast<int>(length), 0, nullptr);
        at += length;
    }
    return success();
}

heif_chroma chromaOf(de265_chroma chroma) {
    switch (chroma) {
        case de265_chroma_mono:
            return heif_chroma_monochrome;
        case de265_chroma_420:
            return heif_chroma_420;
        case de265_chroma_422:
            return heif_chroma_422;
        case de265_chroma_444:
            return heif_chroma_444;
    }
    return heif_chroma_undefined;
}

// Copies the decoded planes into a new libheif image; the caller releases `*image` either way.
heif_error copyPlanes(const de265_image* picture, heif_image** image) {
    const bool mono = de265_get_chroma_format(picture) == de265_chroma_mono;
    if (heif_error e =
            heif_image_create(de265_get_image_width(picture, 0), de265_get_image_height(picture, 0),
                              mono ? heif_colorspace_monochrome : heif_colorspace_YCbCr,
                              chromaOf(de265_get_chroma_format(picture)), image);
        e.code != heif_error_Ok)
        return e;
    constexpr heif_channel kChannels[kPlanes] = {heif_channel_Y, heif_channel_Cb, heif_channel_Cr};
    const int bits = de265_get_bits_per_pixel(picture, 0);
    for (int c = 0; c < (mono ? 1 : kPlanes); ++c) {
        if (de265_get_bits_per_pixel(picture, c) != bits)
            return {heif_error_Unsupported_feature, heif_suberror_Unsupported_color_conversion,
                    "Channels with different number of bits per pixel are not supported"};
        const int width = de265_get_image_width(picture, c);
        const int height = de265_get_image_height(picture, c);
        if (width <= 0 || height <= 0) return pluginError(heif_suberror_Invalid_image_size);
        if (heif_error e = heif_image_add_plane(*image, kChannels[c], width, height, bits);
            e.code != heif_error_Ok)
            return e;
        int fromStride = 0;
        int toStride = 0;
        const std::uint8_t* from = de265_get_image_plane(picture, c, &fromStride);
        std::uint8_t* to = heif_image_get_plane(*image, kChannels[c], &toStride);
        const size_t rowBytes = static_cast<size_t>(width) * ((bits + 7) / 8);
        for (int y = 0; y < height; ++y)
            std::memcpy(to + static_cast<size_t>(y) * toStride,
                        from + static_cast<size_t>(y) * fromStride, rowBytes);
    }
    return success();
}

// The colour description of the coded stream; a value out of range is a warning, or in
// strict decoding an error.
heif_error describeColour(const Decoder& d, const de265_image* picture, heif_image* image) {
    heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
    const heif_error set[] = {
        heif_nclx_color_profile_set_color_primaries(
            nclx, static_cast<std::uint16_t>(de265_get_image_colour_primaries(picture))),
        heif_nclx_color_profile_set_transfer_characteristics(
            nclx, static_cast<std::uint16_t>(de265_get_image_transfer_characteristics(picture))),
        heif_nclx_color_profile_set_matrix_coefficients(
            nclx, static_cast<std::uint16_t>(de265_get_image_matrix_coefficients(picture))),
    };
    for (const heif_error& e : set) {
        if (e.code == heif_error_Ok) continue;
        if (d.strict) {
            heif_nclx_color_profile_free(nclx);
            return e;
        }
        heif_image_add_decoding_warning(image, e);
    }
    nclx->full_range_flag =
        static_cast<std::uint8_t>(de265_get_image_full_range_flag(picture) != 0);
    heif_image_set_nclx_color_profile(image, nclx);
    heif_nclx_color_profile_free(nclx);
    return success();
}

// Decodes what was pushed; the last picture of the stream is the image.
heif_error decodeImage(void* decoder, heif_image** image) {
    auto* d = static_cast<Decoder*>(decoder);
    de265_flush_data(d->context);
    *image = nullptr;
    for (int more = 1; more;) {
        more = 0;
        if (de265_decode(d->context, &more) != DE265_OK) break;
        const de265_image* picture = de265_get_next_picture(d->context);
        if (!picture) continue;
        if (*image) heif_image_release(*image);
        *image = nullptr;
        heif_error e = copyPlanes(picture, image);
        if (e.code == heif_error_Ok) e = describeColour(*d, picture, *image);
        de265_release_next_picture(d->context);
        if (e.code != heif_error_Ok) {
            if (*image) heif_image_release(*image);
            *image = nullptr;
            return e;
        }
    }
    return *image ? success() : pluginError(heif_suberror_Unspecified);
}

const heif_decoder_plugin kPlugin = {
    kPluginApiVersion, pluginName, initPlugin,  deinitPlugin,      supportsFormat, newDecoder,
    freeDecoder,       pushData,   decodeImage, setStrictDecoding, nullptr,  // no id: interface 2
};

}  // namespace

void useThreadedHevcDecoder(int threads) {
    static std::once_flag registered;
    std::call_once(registered, [threads] {
        workerThreads = threads;
        // Should libheif refuse it, its own plug-in decodes as before, on one worker.
        (void)heif_register_decoder_plugin(&kPlugin);
    });
}

}  // namespace glint::photo
