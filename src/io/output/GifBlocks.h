#pragma once
// How a GIF frame is drawn without any loss: every colour of a frame stays what it is, no
// dithering. A frame of at most 256 colours is one image block with one colour table. A frame
// of more is split by colour: each image block draws the pixels of up to 255 colours (the most
// frequent first) over the area they cover, and leaves the others transparent for the blocks
// that draw them; each pixel is drawn by exactly one block. A scan-line render has its run
// colours (one per green that occurs) and the background, so it needs at most two blocks.
#include <QRect>
#include <cstdint>
#include <vector>

#include "engine/PixelView.h"

namespace glint {

inline constexpr int kGifTableColours = 256;
inline constexpr int kNoTransparency = -1;

struct GifBlock {
    QRect area;                          // within the frame given to planGifBlocks
    std::vector<std::uint32_t> colours;  // 0xRRGGBB, index order; at most 256
    int transparent = kNoTransparency;   // index of the pixels that other blocks draw
};

// The blocks that draw `frame` (alpha ignored), in drawing order.
std::vector<GifBlock> planGifBlocks(const ConstPixelView& frame);

// Looks up colours of one table: the index of a 0xRRGGBB colour, or `missing` for one that the
// table does not hold. Fast on runs of one colour.
class GifColourIndex {
  public:
    GifColourIndex(const std::vector<std::uint32_t>& colours, int missing);
    int operator()(std::uint32_t pixel) {
        const std::uint32_t colour = pixel & kColourBits;
        if (colour != lastColour_) {
            lastColour_ = colour;
            lastIndex_ = find(colour);
        }
        return lastIndex_;
    }

  private:
    static constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
    static constexpr std::uint32_t kEmpty = 0xFFFFFFFFu;
    int find(std::uint32_t colour) const;

    std::vector<std::uint32_t> keys_;
    std::vector<std::int32_t> indices_;
    int missing_;
    std::uint32_t lastColour_ = kEmpty;
    int lastIndex_ = 0;
};

}  // namespace glint
