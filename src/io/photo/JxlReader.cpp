#include "JxlReader.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <algorithm>
#include <cstdio>

#include "io/decode/LoadLimits.h"
#include "io/helper/PhotoProtocol.h"

namespace glint::photo {
namespace {

constexpr int kEightBits = 8;
constexpr int kSixteenBits = 16;
constexpr std::uint32_t kMax16 = 0xffff;
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

// Receives decoded rows as 8-bit samples for 8-bit pictures, otherwise as 16-bit ones from
// which the picture's own samples of `bits` bits are recovered exactly and then rounded to 8
// bits once. Called from the decoder's worker threads, each on pixels of its own.
struct RowSink {
    DecodedPhoto* photo;
    int bits;

    std::uint32_t eightBits(std::uint16_t sample) const {
        const std::uint32_t max = (std::uint32_t{1} << bits) - 1;
        return toEightBits((sample * max + kMax16 / 2) / kMax16, bits);
    }

    static void receive(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
        const auto& sink = *static_cast<const RowSink*>(opaque);
        std::uint32_t* out = sink.photo->pixels.data() + y * sink.photo->width + x;
        if (sink.bits > kEightBits) {
            const auto* s = static_cast<const std::uint16_t*>(pixels);
            for (size_t i = 0; i < count; ++i, s += kChannels)
                out[i] = argb(sink.eightBits(s[3]), sink.eightBits(s[0]), sink.eightBits(s[1]),
                              sink.eightBits(s[2]));
        } else {
            const auto* s = static_cast<const std::uint8_t*>(pixels);
            for (size_t i = 0; i < count; ++i, s += kChannels)
                out[i] = argb(s[3], s[0], s[1], s[2]);
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
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec, data.data(), data.size()) != JXL_DEC_SUCCESS)
        return kPhotoExitDamaged;
    JxlDecoderCloseInput(dec);

    JxlBasicInfo info{};
    RowSink sink{&photo, kEightBits};
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
                // Floating-point samples (exponent bits) are delivered as 16-bit ones as well.
                sink.bits = info.exponent_bits_per_sample > 0
                                ? kSixteenBits
                                : std::clamp(static_cast<int>(info.bits_per_sample), kEightBits,
                                             kSixteenBits);
                break;
            }
            case JXL_DEC_COLOR_ENCODING: {
                // Pictures stored in the codec's own colour space come out in their original
                // colour space when the header describes it; for one given only as an ICC
                // profile the decoder would choose linear sRGB, so sRGB is asked for instead.
                JxlColorEncoding original{};
                if (!info.uses_original_profile &&
                    JxlDecoderGetColorAsEncodedProfile(dec, nullptr,
                                                       JXL_COLOR_PROFILE_TARGET_ORIGINAL,
                                                       &original) != JXL_DEC_SUCCESS) {
                    JxlColorEncoding srgb{};
                    JxlColorEncodingSetToSRGB(&srgb, info.num_color_channels < 3);
                    JxlDecoderSetPreferredColorProfile(dec, &srgb);
                }
                break;
            }
            case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
                photo.pixels.assign(static_cast<size_t>(photo.width * photo.height), 0xff000000u);
                const JxlPixelFormat format{
                    kChannels, sink.bits > kEightBits ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8,
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
