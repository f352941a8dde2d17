#include "WebpAnimationReader.h"

#include <webp/demux.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>

#include "io/decode/LoadLimits.h"

namespace glint::helper {

namespace {

constexpr std::size_t kRiffHeaderBytes = 12;

struct DecoderDelete {
    void operator()(WebPAnimDecoder* decoder) const { WebPAnimDecoderDelete(decoder); }
};

}  // namespace

bool isWebp(std::span<const std::uint8_t> head) {
    return head.size() >= kRiffHeaderBytes && std::memcmp(head.data(), "RIFF", 4) == 0 &&
           std::memcmp(head.data() + 8, "WEBP", 4) == 0;
}

Outcome readWebpFrames(
    std::span<const std::uint8_t> file, WebpFrames& info,
    const std::function<std::uint32_t*(std::int64_t, std::int64_t, std::int64_t)>& pixels) {
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options)) return Outcome::MissingPart;
    // 0xAARRGGBB words in host order, not premultiplied.
    options.color_mode = std::endian::native == std::endian::little ? MODE_BGRA : MODE_ARGB;
    options.use_threads = 0;
    const WebPData data{file.data(), file.size()};
    const std::unique_ptr<WebPAnimDecoder, DecoderDelete> decoder(
        WebPAnimDecoderNew(&data, &options));
    WebPAnimInfo anim{};
    if (!decoder || !WebPAnimDecoderGetInfo(decoder.get(), &anim)) return Outcome::Damaged;
    info.width = anim.canvas_width;
    info.height = anim.canvas_height;
    info.frames = anim.frame_count;
    info.loops = anim.loop_count;
    if (pictureIsEmpty(info.width, info.height) || info.frames == 0) return Outcome::Empty;
    if (!pictureSizeAccepted(info.width, info.height) ||
        !framesAccepted(info.width, info.height, info.frames))
        return Outcome::TooLarge;
    std::uint32_t* out = pixels(info.width, info.height, info.frames);
    if (out == nullptr) return Outcome::NoMemory;
    const auto frameWords = static_cast<std::size_t>(info.width * info.height);
    int before = 0;
    for (std::int64_t k = 0; k < info.frames; ++k) {
        std::uint8_t* frame = nullptr;
        int timestamp = 0;
        if (!WebPAnimDecoderHasMoreFrames(decoder.get()) ||
            !WebPAnimDecoderGetNext(decoder.get(), &frame, &timestamp))
            return Outcome::Damaged;
        std::uint32_t* to = out + frameWords * static_cast<std::size_t>(k);
        std::memcpy(to, frame, frameWords * sizeof(std::uint32_t));
        info.hasAlpha = info.hasAlpha || std::any_of(to, to + frameWords, [](std::uint32_t p) {
                            return p >> 24 != 0xFF;
                        });
        info.delaysMs.push_back(static_cast<std::uint32_t>(std::max(timestamp - before, 0)));
        before = timestamp;
    }
    return Outcome::Ok;
}

}  // namespace glint::helper
