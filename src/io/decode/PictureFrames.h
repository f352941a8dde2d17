#pragma once
// Every frame of a picture, as a viewer shows them: an animation's frames composed on its
// screen one after the other, a document's pages, or the one frame of a still picture; with
// the time each frame stays and how often the whole plays.
#include <QImage>
#include <cstdint>
#include <vector>

namespace glint {

struct PictureFrame {
    QImage picture;            // Format_RGB32 or Format_ARGB32, all frames of one size
    std::int32_t delayMs = 0;  // how long the frame stays; 0 for a still picture
};

struct PictureFrames {
    std::vector<PictureFrame> frames;
    // Times the frames play: 0 for ever, 1 for once (a still picture, an animation without a
    // loop count).
    std::int32_t loops = 1;
};

}  // namespace glint
