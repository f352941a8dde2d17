#include "GifBlocks.h"

#include <algorithm>
#include <climits>
#include <unordered_map>

namespace glint {

namespace {

constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
// Colours of a block that has a transparent index besides.
constexpr int kSharedTableColours = kGifTableColours - 1;
constexpr std::uint32_t kHashMultiplier = 2654435761u;

// Pixels of each colour in `frame`, one pass, fast on runs of one colour.
std::unordered_map<std::uint32_t, std::int64_t> countColours(const ConstPixelView& frame) {
    std::unordered_map<std::uint32_t, std::int64_t> counts;
    for (std::int32_t y = 0; y < frame.height; ++y) {
        const std::uint32_t* row = frame.row(y);
        std::int32_t x = 0;
        while (x < frame.width) {
            const std::uint32_t colour = row[x] & kColourBits;
            std::int32_t end = x + 1;
            while (end < frame.width && (row[end] & kColourBits) == colour) ++end;
            counts[colour] += end - x;
            x = end;
        }
    }
    return counts;
}

}  // namespace

std::vector<GifBlock> planGifBlocks(const ConstPixelView& frame) {
    const auto counts = countColours(frame);
    std::vector<std::pair<std::uint32_t, std::int64_t>> byCount(counts.begin(), counts.end());
    std::sort(byCount.begin(), byCount.end(), [](const auto& a, const auto& b) {
        return a.second != b.second ? a.second > b.second : a.first < b.first;
    });
    const QRect whole(0, 0, frame.width, frame.height);
    if (byCount.size() <= static_cast<std::size_t>(kGifTableColours)) {
        GifBlock block{whole, {}, kNoTransparency};
        for (const auto& entry : byCount) block.colours.push_back(entry.first);
        return {block};
    }
    const std::size_t groups = (byCount.size() + kSharedTableColours - 1) / kSharedTableColours;
    std::vector<GifBlock> blocks(groups);
    std::vector<std::uint32_t> groupColours;
    for (std::size_t i = 0; i < byCount.size(); ++i) {
        GifBlock& block = blocks[i / kSharedTableColours];
        block.colours.push_back(byCount[i].first);
        groupColours.push_back(byCount[i].first);
    }
    // The area of each block: where its colours lie.
    std::vector<int> groupOf(groupColours.size());
    for (std::size_t i = 0; i < groupOf.size(); ++i)
        groupOf[i] = static_cast<int>(i / kSharedTableColours);
    GifColourIndex position(groupColours, 0);
    struct Bounds {
        std::int32_t left = INT32_MAX, top = INT32_MAX, right = -1, bottom = -1;
    };
    std::vector<Bounds> bounds(groups);
    for (std::int32_t y = 0; y < frame.height; ++y) {
        const std::uint32_t* row = frame.row(y);
        for (std::int32_t x = 0; x < frame.width; ++x) {
            Bounds& b = bounds[static_cast<std::size_t>(groupOf[position(row[x])])];
            b.left = std::min(b.left, x);
            b.right = std::max(b.right, x);
            b.top = std::min(b.top, y);
            b.bottom = y;
        }
    }
    for (std::size_t g = 0; g < groups; ++g) {
        const Bounds& b = bounds[g];
        blocks[g].area = QRect(QPoint(b.left, b.top), QPoint(b.right, b.bottom));
        blocks[g].transparent = static_cast<int>(blocks[g].colours.size());
    }
    return blocks;
}

GifColourIndex::GifColourIndex(const std::vector<std::uint32_t>& colours, int missing)
    : missing_(missing) {
    std::size_t size = 16;
    while (size < colours.size() * 2) size *= 2;
    keys_.assign(size, kEmpty);
    indices_.assign(size, 0);
    for (std::size_t i = 0; i < colours.size(); ++i) {
        std::size_t slot = (colours[i] * kHashMultiplier) & (size - 1);
        while (keys_[slot] != kEmpty && keys_[slot] != colours[i]) slot = (slot + 1) & (size - 1);
        if (keys_[slot] == kEmpty) {  // the first of equal colours keeps its index
            keys_[slot] = colours[i];
            indices_[slot] = static_cast<std::int32_t>(i);
        }
    }
}

int GifColourIndex::find(std::uint32_t colour) const {
    const std::size_t mask = keys_.size() - 1;
    for (std::size_t slot = (colour * kHashMultiplier) & mask;; slot = (slot + 1) & mask) {
        if (keys_[slot] == colour) return indices_[slot];
        if (keys_[slot] == kEmpty) return missing_;
    }
}

}  // namespace glint
