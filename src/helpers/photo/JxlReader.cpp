#include "JxlReader.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include "DecodingThreads.h"

namespace glint::photo {
namespace {

constexpr int kEightBits = 8;
constexpr int kSixteenBits = 16;
constexpr int kChannels = 4;
constexpr std::uint32_t kFirstTurnedOrientation = 5;  // 5..8 swap width and height

// Where the decoder puts the picture. 8-bit samples go straight into the pixels as RGBA bytes
// (libjxl's row callback would cost a copy of the picture), turned into 0xAARRGGBB in place
// once the frame is decoded. Deeper ones arrive a run of pixels at a time as 16-bit samples
// (no second picture-sized buffer) and are rounded to 8 bits once: they are not on the grid
// of the picture's own depth once frames are blended, alpha is unpremultiplied or a lossy
// picture is decoded, so they are never snapped to it.
struct Output {
    DecodedPhoto* photo;
    bool deep;

    // Both run on the decoder's threads, each on pixels of its own.
    static void receiveDeep(void* opaque, size_t x, size_t y, size_t count, const void* pixels) {
        const auto& o = *static_cast<const Output*>(opaque);
        std::uint32_t* out = o.photo->pixels.data() + y * o.photo->width + x;
        const auto* s = static_cast<const std::uint16_t*>(pixels);
        for (size_t i = 0; i < count; ++i, s += kChannels)
            out[i] = argb(eightBits(s[3]), eightBits(s[0]), eightBits(s[1]), eightBits(s[2]));
    }
    static void swizzleRow(void* opaque, std::uint32_t y, size_t /*thread*/) {
        const auto& o = *static_cast<const Output*>(opaque);
        std::uint32_t* row = o.photo->pixels.data() + y * o.photo->width;
        for (std::int64_t x = 0; x < o.photo->width; ++x) {
            const auto* rgba = reinterpret_cast<const std::uint8_t*>(row + x);
            row[x] = argb(rgba[3], rgba[0], rgba[1], rgba[2]);
        }
    }

    static JxlParallelRetCode noSetUp(void*, size_t) { return 0; }
    static std::uint32_t eightBits(std::uint16_t sample) {
        return toEightBits(sample, kSixteenBits);
    }
};

}  // namespace

PhotoOutcome readJxl(std::span<const std::uint8_t> file, DecodedPhoto& photo) {
    const JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
    const JxlThreadParallelRunnerPtr runner =
        JxlThreadParallelRunnerMake(nullptr, static_cast<size_t>(decodingThreads()));
    JxlDecoder* dec = decoder.get();
    if (!dec || !runner ||
        JxlDecoderSubscribeEvents(dec, JXL_DEC_BASIC_INFO | JXL_DEC_COLOR_ENCODING |
                                           JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetParallelRunner(dec, JxlThreadParallelRunner, runner.get()) !=
            JXL_DEC_SUCCESS ||
        JxlDecoderSetUnpremultiplyAlpha(dec, JXL_TRUE) != JXL_DEC_SUCCESS ||
        JxlDecoderSetInput(dec, file.data(), file.size()) != JXL_DEC_SUCCESS)
        return PhotoOutcome::Damaged;
    JxlDecoderCloseInput(dec);

    JxlBasicInfo info{};
    Output output{&photo, false};
    for (;;) {
        switch (JxlDecoderProcessInput(dec)) {
            case JXL_DEC_BASIC_INFO: {
                if (JxlDecoderGetBasicInfo(dec, &info) != JXL_DEC_SUCCESS)
                    return PhotoOutcome::Damaged;
                // The header's size, turned as the picture is shown: checked before decoding.
                const bool turned = info.orientation >= kFirstTurnedOrientation;
                photo.width = turned ? info.ysize : info.xsize;
                photo.height = turned ? info.xsize : info.ysize;
                if (const PhotoOutcome size = sizeOutcome(photo.width, photo.height);
                    size != PhotoOutcome::Ok)
                    return size;
                photo.hasAlpha = info.alpha_bits > 0;
                // Floating-point samples (exponent bits) are delivered as 16-bit ones as well.
                output.deep =
                    info.exponent_bits_per_sample > 0 || info.bits_per_sample > kEightBits;
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
                photo.pixels.resize(static_cast<size_t>(photo.width * photo.height));
                const JxlPixelFormat format{kChannels,
                                            output.deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8,
                                            JXL_NATIVE_ENDIAN, 0};
                size_t needed = 0;
                const bool ready =
                    output.deep
                        ? JxlDecoderSetImageOutCallback(dec, &format, &Output::receiveDeep,
                                                        &output) == JXL_DEC_SUCCESS
                        : JxlDecoderImageOutBufferSize(dec, &format, &needed) == JXL_DEC_SUCCESS &&
                              needed == photo.pixels.size() * sizeof(std::uint32_t) &&
                              JxlDecoderSetImageOutBuffer(dec, &format, photo.pixels.data(),
                                                          needed) == JXL_DEC_SUCCESS;
                if (!ready) return PhotoOutcome::Damaged;
                break;
            }
            case JXL_DEC_FULL_IMAGE:  // the first frame is the picture
                if (photo.pixels.empty()) return PhotoOutcome::Damaged;
                if (!output.deep &&
                    JxlThreadParallelRunner(runner.get(), &output, &Output::noSetUp,
                                            &Output::swizzleRow, 0,
                                            static_cast<std::uint32_t>(photo.height)) != 0)
                    return PhotoOutcome::Damaged;
                return PhotoOutcome::Ok;
            default:  // an error, input that ends early, or the end without a frame
                return PhotoOutcome::Damaged;
        }
    }
}

}  // namespace glint::photo
