#pragma once
// Every frame of a WebP file, animated or not, through libwebp's animation decoder (libwebpdemux),
// which composes the frames on the canvas as a viewer shows them (blending, disposal, frames
// smaller than the canvas). For the picture helper's every-frame decoding; a still WebP gives
// one frame.
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include "io/helper/HelperProtocol.h"

namespace glint::helper {

struct WebpFrames {
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t frames = 0;
    std::uint32_t loops = 0;  // 0 for ever
    bool hasAlpha = false;
    std::vector<std::uint32_t> delaysMs;
};

// True for the RIFF container of a WebP file.
bool isWebp(std::span<const std::uint8_t> head);

// Decodes `file`; `pixels(width, height, frames)` hands out the memory for every frame (frame
// k at k * width * height), or nullptr when it cannot. Frames over the loader's limits are
// refused before they are decoded.
Outcome readWebpFrames(
    std::span<const std::uint8_t> file, WebpFrames& info,
    const std::function<std::uint32_t*(std::int64_t, std::int64_t, std::int64_t)>& pixels);

}  // namespace glint::helper
