#include "JxlReader.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <cmath>
#include <cstdio>

#include "io/LoadLimits.h"
#include "io/PhotoProtocol.h"

namespace glint::photo {
namespace {

constexpr std::uint32_t kEightBits = 8;
constexpr int kChannels = 4;
constexpr std::uint32_t kFirstTurnedOrientation = 5;  // 5..8 swap width and height

bool readWholeFile(const char* path, std::vector<std::uint8_t>& data) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    bool ok = std::fseek(file, 0, SEEK_END) == 0;
    const long size = ok ? std::ftell(file) : -1;
    ok = ok && size > 0 && size <= kMaxPictureFileBytes && std::fseek(file, 0, SEEK_SET) == 0;
    if (ok) {
        data.resize(static_cast<size_t>(size));
        ok = std::fread(data.data(), 1, data.size(), file) == data.size();
    }
    std::fclose(file);
    return ok;
}

std::uint32_t fromFloat(float v) {
    return static_cast<std::uint32_t>(std::lround(std::clamp(v, 0.0f, 1.0f) * 255.0f));
}

// Receives decoded rows: 8-bit samples for 8-bit pictures, floats for deeper ones (rounded to
// 8 bits here, once). Called from the decoder's worker threads, each on pixels of its own.
struct RowSink {
    DecodedPhoto* photo;
    bool floats;

    static void receive(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
        const auto& sink = *static_cast<const RowSink*>(opaque);
        std::uint32_t* out = sink.photo->pixels.data() + y * sink.photo->width + x;
        if (sink.floats) {
            const auto* s = static_cast<const float*>(pixels);
            for (size_t i = 0; i < count; ++i, s += kChannels)
                out[i] = argb(fromFloat(s[3]), fromFloat(s[0]), fromFloat(s[1]), fromFloat(s[2]));
        } else {
            const auto* s = static_cast<const std::uint8_t*>(pixels);
            for (size_t i = 0; i < count; ++i, s += kChannels) out[i] = argb(s[3], s[0], s[1], s[2]);
        }
    }
};

}  // namespace

int readJxl(const char* path, DecodedPhoto& photo) {
    std::vector<std::uint8_t> data;
    if (!readWholeFile(path, data)) return kPhotoExitUnreadable;

    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner =
        JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
    JxlDecoder* dec = decoder.get();
    if (!dec || !runner ||
        JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                           JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner.get()) != JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec, data.data(), data.size()) != JXL_DEC_SUCCESS)
        return kPhotoExitDamaged;
    JxlDecoderCloseInput(dec);

    JxlBasicInfo info{};
    RowSink sink{&photo, false};
    for (;;) {
        switch (JxlDecoderProcessInput(dec)) {
            case JXL_DEC_BASIC_INFO: {
                if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS) return kPhotoExitDamaged;
                // The header's size, turned as the picture is shown: checked before decoding.
                const bool turned = info.orientation >= kFirstTurnedOrientation;
                photo.width = turned ? info.ysize : info.xsize;
                photo.height = turned ? info.xsize : info.ysize;
                if (!pictureSizeAccepted(photo.width, photo.height)) return kPhotoExitTooLarge;
                photo.hasAlpha = info.alpha_bits > 0;
                sink.floats = info.bits_per_sample > kEightBits;
                break;
            }
            case JXL_DEC_COLOR_ENCODING:
                // Pictures stored in the codec's own colour space are delivered in sRGB.
                if (!info.uses_original_profile) {
                    JxlColorEncoding srgb{};
                    JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels < 3);
                    JxlDecoderSetPreferredColorProfile(dec, &srgb);
                }
                break;
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                photo.pixels.assign(static_cast<size_t>(photo.width * photo.height), 0xff000000u);
                const JxlPixelFormat format{kChannels, sink.floats ? JXL_TYPE_FLOAT : JXL_TYPE_UINT8,
                                            JXL_NATIVE_ENDIAN, 0};
                if (JxlDecoderSetImageOutCallback(dec, &format, &RowSink::receive, &sink) !=
                    JXL_DEC_SUCCESS)
                    return kPhotoExitDamaged;
                break;
            }
            case JXL_DEC_FULL_IMAGE:  // the first frame is the picture
                return photo.pixels.empty() ? kPhotoExitDamaged : kPhotoExitOk;
            default:  // an error, input that ends early, or the end without a frame
                return kPhotoExitDamaged;
        }
    }
}

}  // namespace glint::photo
