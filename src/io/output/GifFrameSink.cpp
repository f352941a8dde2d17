#include "GifFrameSink.h"

#include <gif_lib.h>

#include <algorithm>
#include <string>

namespace glint {

namespace {

constexpr int kColourResolution = 8;
constexpr int kMaxDelayCs = 65535;
constexpr std::uint32_t kColourBits = 0x00FFFFFFu;
// The NETSCAPE2.0 application extension: its identifier, then the loop sub-block (id 1 and a
// 16-bit count of repeats after the first play).
constexpr char kLoopApplication[] = "NETSCAPE2.0";
constexpr int kLoopApplicationBytes = 11;
constexpr int kLoopSubBlockBytes = 3;
constexpr std::int32_t kMaxRepeats = 65535;

struct MapFree {
    void operator()(ColorMapObject* map) const { GifFreeMapObject(map); }
};
using ColourMap = std::unique_ptr<ColorMapObject, MapFree>;

// A colour table of `colours` padded to a power of two entries, as GIF needs.
ColourMap colourMap(const std::vector<std::uint32_t>& colours) {
    int size = 2;
    while (size < static_cast<int>(colours.size())) size *= 2;
    ColourMap map(GifMakeMapObject(size, nullptr));
    if (!map) return map;
    for (int i = 0; i < size; ++i) {
        const std::uint32_t c = i < static_cast<int>(colours.size()) ? colours[i] : 0;
        map->Colors[i] = {static_cast<GifByteType>(c >> 16), static_cast<GifByteType>(c >> 8),
                          static_cast<GifByteType>(c)};
    }
    return map;
}

bool holdsAll(const std::vector<std::uint32_t>& table, const std::vector<std::uint32_t>& colours) {
    GifColourIndex index(table, -1);
    return std::all_of(colours.begin(), colours.end(),
                       [&index](std::uint32_t c) { return index(c) >= 0; });
}

std::int32_t centiseconds(std::int32_t delayMs) {
    return std::clamp((std::max(delayMs, 0) + 5) / 10, 0, kMaxDelayCs);
}

}  // namespace

GifFrameSink::GifFrameSink() = default;

GifFrameSink::GifFrameSink(QIODevice& device) : target_(device) {}

GifFrameSink::~GifFrameSink() { cancel(); }

int GifFrameSink::onWrite(GifFileType* gif, const unsigned char* data, int length) {
    auto* self = static_cast<GifFrameSink*>(gif->UserData);
    const qint64 written =
        self->target_.device().write(reinterpret_cast<const char*>(data), length);
    return written == length ? length : 0;
}

Status GifFrameSink::failure(const char* what) {
    failed_ = true;
    const char* detail = gif_ != nullptr ? GifErrorString(gif_->Error) : nullptr;
    return Status::failure(std::string(what) + (detail ? std::string(": ") + detail : ""));
}

void GifFrameSink::release() {
    if (gif_ != nullptr) {
        int error = 0;
        EGifCloseFile(gif_, &error);
    }
    gif_ = nullptr;
    previous_ = {};
    global_ = {};
}

Status GifFrameSink::open(const QString& fileName, std::int32_t width, std::int32_t height,
                          const FrameTiming& timing) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty gif picture");
    if (width > kMaxGifSide || height > kMaxGifSide)
        return Status::failure("picture is too large for gif");
    width_ = width;
    height_ = height;
    timing_ = timing;
    framesWritten_ = 0;
    failed_ = false;
    if (Status st = target_.open(fileName); st.failed()) return st;
    int error = 0;
    gif_ = EGifOpen(this, &GifFrameSink::onWrite, &error);
    if (gif_ == nullptr) {
        cancel();
        return Status::failure("no memory for the gif writer");
    }
    EGifSetGifVersion(gif_, true);
    return Status::ok();
}

Status GifFrameSink::start(const std::vector<std::uint32_t>& globalColours) {
    global_ = globalColours;
    const ColourMap map = global_.empty() ? ColourMap() : colourMap(global_);
    if (!global_.empty() && !map) return Status::failure("no memory for the gif colour table");
    if (EGifPutScreenDesc(gif_, width_, height_, kColourResolution, 0, map.get()) == GIF_ERROR)
        return failure("cannot start the gif file");
    if (timing_.loops == 1) return Status::ok();
    const int repeats = timing_.loops == 0 ? 0 : std::min(timing_.loops - 1, kMaxRepeats);
    const GifByteType loop[kLoopSubBlockBytes] = {1, static_cast<GifByteType>(repeats & 0xFF),
                                                  static_cast<GifByteType>(repeats >> 8)};
    if (EGifPutExtensionLeader(gif_, APPLICATION_EXT_FUNC_CODE) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, kLoopApplicationBytes, kLoopApplication) == GIF_ERROR ||
        EGifPutExtensionBlock(gif_, kLoopSubBlockBytes, loop) == GIF_ERROR ||
        EGifPutExtensionTrailer(gif_) == GIF_ERROR)
        return failure("cannot write the gif loop count");
    return Status::ok();
}

QRect GifFrameSink::changedArea(const ConstPixelView& frame) const {
    const QRect whole(0, 0, width_, height_);
    if (previous_.empty()) return whole;
    std::int32_t top = height_, bottom = -1, left = width_, right = -1;
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint32_t* now = frame.row(y);
        const std::uint32_t* before = previous_.data() + static_cast<std::ptrdiff_t>(y) * width_;
        std::int32_t first = 0;
        while (first < width_ && ((now[first] ^ before[first]) & kColourBits) == 0) ++first;
        if (first == width_) continue;
        std::int32_t last = width_ - 1;
        while (((now[last] ^ before[last]) & kColourBits) == 0) --last;
        top = std::min(top, y);
        bottom = y;
        left = std::min(left, first);
        right = std::max(right, last);
    }
    // An unchanged frame still takes its time: one pixel drawn again.
    if (bottom < 0) return QRect(0, 0, 1, 1);
    return QRect(QPoint(left, top), QPoint(right, bottom));
}

Status GifFrameSink::writeBlock(const ConstPixelView& area, QPoint at, const GifBlock& block,
                                std::int32_t delayCs) {
    const bool useGlobal = block.transparent == kNoTransparency && !global_.empty() &&
                           holdsAll(global_, block.colours);
    const std::vector<std::uint32_t>& table = useGlobal ? global_ : block.colours;
    GraphicsControlBlock control{};
    control.DisposalMode = DISPOSE_DO_NOT;
    control.DelayTime = delayCs;
    control.TransparentColor =
        block.transparent == kNoTransparency ? NO_TRANSPARENT_COLOR : block.transparent;
    GifByteType extension[4];
    EGifGCBToExtension(&control, extension);
    const ColourMap local = useGlobal ? ColourMap() : colourMap(table);
    if (!useGlobal && !local) return Status::failure("no memory for a gif colour table");
    if (useGlobal && gif_->Image.ColorMap != nullptr) {
        // giflib forgets, without freeing it, the copy of the last frame's own table when a
        // frame without one follows.
        GifFreeMapObject(gif_->Image.ColorMap);
        gif_->Image.ColorMap = nullptr;
    }
    const QRect r = block.area;
    if (EGifPutExtension(gif_, GRAPHICS_EXT_FUNC_CODE, sizeof extension, extension) == GIF_ERROR ||
        EGifPutImageDesc(gif_, at.x() + r.left(), at.y() + r.top(), r.width(), r.height(), false,
                         local.get()) == GIF_ERROR)
        return failure("cannot write a gif frame");
    GifColourIndex index(table, block.transparent);
    std::vector<GifPixelType> line(static_cast<std::size_t>(r.width()));
    for (int y = r.top(); y <= r.bottom(); ++y) {
        const std::uint32_t* pixels = area.row(y) + r.left();
        for (int x = 0; x < r.width(); ++x) line[x] = static_cast<GifPixelType>(index(pixels[x]));
        if (EGifPutLine(gif_, line.data(), r.width()) == GIF_ERROR)
            return failure("cannot write a gif frame");
    }
    return Status::ok();
}

Status GifFrameSink::addFrame(const ConstPixelView& frame, std::int32_t delayMs) {
    if (gif_ == nullptr || failed_) return Status::failure("gif file is not open");
    if (frame.width != width_ || frame.height != height_ || framesWritten_ >= timing_.frames) {
        failed_ = true;
        return Status::failure("gif frame does not fit the file");
    }
    const QRect changed = changedArea(frame);
    const ConstPixelView area{frame.row(changed.top()) + changed.left(), changed.width(),
                              changed.height(), frame.stride};
    const std::vector<GifBlock> blocks = planGifBlocks(area);
    if (framesWritten_ == 0) {
        const bool oneTable = blocks.size() == 1;
        if (Status st = start(oneTable ? blocks.front().colours : std::vector<std::uint32_t>{});
            st.failed()) {
            failed_ = true;
            return st;
        }
    }
    // The frame's delay goes with its last block: the blocks before it show at once.
    for (std::size_t b = 0; b < blocks.size(); ++b) {
        const std::int32_t delay = b + 1 == blocks.size() ? centiseconds(delayMs) : 0;
        if (Status st = writeBlock(area, changed.topLeft(), blocks[b], delay); st.failed()) {
            failed_ = true;
            return st;
        }
    }
    if (timing_.frames > 1) {
        previous_.resize(static_cast<std::size_t>(width_) * height_);
        for (std::int32_t y = 0; y < height_; ++y)
            std::copy(frame.row(y), frame.row(y) + width_,
                      previous_.begin() + static_cast<std::ptrdiff_t>(y) * width_);
    }
    ++framesWritten_;
    return Status::ok();
}

Status GifFrameSink::commit() {
    if (gif_ == nullptr || failed_ || framesWritten_ != timing_.frames) {
        cancel();
        return Status::failure("gif file incomplete");
    }
    int error = 0;
    const int closed = EGifCloseFile(gif_, &error);
    gif_ = nullptr;
    if (closed == GIF_ERROR) {
        const char* detail = GifErrorString(error);
        cancel();
        return Status::failure(std::string("cannot finish the gif file") +
                               (detail ? std::string(": ") + detail : ""));
    }
    release();
    return target_.commit();
}

void GifFrameSink::cancel() {
    release();
    target_.cancel();
}

}  // namespace glint
