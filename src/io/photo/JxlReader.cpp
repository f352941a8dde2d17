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

// Where the decoder writes the picture, and its conversion to the photo's pixels once decoded.
// 8-bit samples go straight into the pixels as RGBA bytes, turned into 0xAARRGGBB in place;
// deeper ones arrive as 16-bit samples and are rounded to 8 bits once: they are not on the
// grid of the picture's own depth once frames are blended, alpha is unpremultiplied or a lossy
// picture is decoded, so they are never snapped to it.
struct Output {
    DecodedPhoto* photo;
    bool deep = false;
    std::vector<std::uint16_t> deepSamples;

    JxlPixelFormat format() const {
        return {kChannels, deep ? JXL_TYPE_UINT16 : JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    }
    void* buffer() { return deep ? static_cast<void*>(deepSamples.data()) : photo->pixels.data(); }
    size_t bufferBytes() const {
        return photo->pixels.size() * kChannels * (deep ? sizeof(std::uint16_t) : 1);
    }

    // Row `y`; the rows are converted side by side on the decoder's threads.
    static void convertRow(void* opaque, std::uint32_t y, size_t /*thread*/) {
        auto& o = *static_cast<Output*>(opaque);
        const auto width = static_cast<size_t>(o.photo->width);
        std::uint32_t* out = o.photo->pixels.data() + y * width;
        if (o.deep) {
            const std::uint16_t* s = o.deepSamples.data() + y * width * kChannels;
            for (size_t x = 0; x < width; ++x, s += kChannels)
                out[x] = argb(eightBits(s[3]), eightBits(s[0]), eightBits(s[1]), eightBits(s[2]));
        } else {
            for (size_t x = 0; x < width; ++x) {
                const auto* rgba = reinterpret_cast<const std::uint8_t*>(out + x);
                out[x] = argb(rgba[3], rgba[0], rgba[1], rgba[2]);
            }
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
    Output output{&photo, false, {}};
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
                if (output.deep) output.deepSamples.resize(photo.pixels.size() * kChannels);
                const JxlPixelFormat format = output.format();
                size_t needed = 0;
                if (JxlDecoderImageOutBufferSize(dec, &format, &needed) != JXL_DEC_SUCCESS ||
                    needed != output.bufferBytes() ||
                    JxlDecoderSetImageOutBuffer(dec, &format, output.buffer(), needed) !=
                        JXL_DEC_SUCCESS)
                    return PhotoOutcome::Damaged;
                break;
            }
            case JXL_DEC_FULL_IMAGE:  // the first frame is the picture
                if (photo.pixels.empty() ||
                    JxlThreadParallelRunner(runner.get(), &output, &Output::noSetUp,
                                            &Output::convertRow, 0,
                                            static_cast<std::uint32_t>(photo.height)) != 0)
                    return PhotoOutcome::Damaged;
                output.deepSamples = {};
                return PhotoOutcome::Ok;
            default:  // an error, input that ends early, or the end without a frame
                return PhotoOutcome::Damaged;
        }
    }
}

}  // namespace glint::photo
