#include "GifDecoder.h"

#include <gif_lib.h>

#include <QRect>
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "LoadLimits.h"

namespace glint {
namespace {

constexpr int kScreenHeaderBytes = 10;
constexpr int kGraphicControlBytes = 4;
constexpr unsigned kHasTransparency = 0x01;
// Disposal methods of a graphic control extension: what becomes of a frame's area once the
// frame was shown.
constexpr int kDisposalShift = 2;
constexpr unsigned kDisposalBits = 0x07;
constexpr int kDisposeNone = 1;
constexpr int kDisposeBackground = 2;
constexpr int kDisposePrevious = 3;
// The application extension that holds the loop count: an 11-byte identifier, then a sub-block
// of id 1 and a 16-bit count.
constexpr int kApplicationIdBytes = 11;
constexpr int kLoopBlockBytes = 3;
constexpr int kLoopSubBlockId = 1;
constexpr QRgb kTransparent = 0x00000000;
// An image descriptor after its separator: position, size and flags; the flags tell whether a
// local colour table of 3 << (1 + size bits) bytes follows.
constexpr int kImageDescriptorBytes = 9;
constexpr unsigned kLocalTable = 0x80;
constexpr unsigned kTableSizeBits = 0x07;
// LZW minimum code sizes: giflib decodes up to 8; up to 11 the first codes (clear, end) still
// fit in the 12-bit codes LZW allows.
constexpr int kGiflibCodeSize = 8;
constexpr int kLzwCodeSize = 11;

struct MemoryInput {
    const GifByteType* data;
    qsizetype size;
    qsizetype at = 0;
};

int readMemory(GifFileType* gif, GifByteType* into, int length) {
    auto* in = static_cast<MemoryInput*>(gif->UserData);
    const auto n = static_cast<int>(std::min<qsizetype>(length, in->size - in->at));
    std::memcpy(into, in->data + in->at, static_cast<std::size_t>(n));
    in->at += n;
    return n;
}

struct GifCloser {
    void operator()(GifFileType* gif) const {
        int error = 0;
        DGifCloseFile(gif, &error);
    }
};
using GifFile = std::unique_ptr<GifFileType, GifCloser>;

bool recognisesGif(QByteArrayView head) {
    return head.startsWith("GIF87a") || head.startsWith("GIF89a");
}

QSize gifHeaderSize(QByteArrayView file) {
    if (file.size() < kScreenHeaderBytes || !recognisesGif(file)) return kUnknownSize;
    const auto* p = reinterpret_cast<const unsigned char*>(file.data());
    return {p[6] | p[7] << 8, p[8] | p[9] << 8};
}

Status damaged(int error, const char* what) {
    const char* detail = GifErrorString(error);
    return Status::failure(std::string("damaged GIF: ") + what + (detail ? ": " : "") +
                           (detail ? detail : ""));
}
Status damaged(const GifFile& gif, const char* what) { return damaged(gif->Error, what); }

// Why the frame header whose descriptor starts at `at` (after its separator) was refused: a
// code size that giflib does not decode but LZW allows is unsupported, anything else damage.
Status frameHeaderRefused(const GifFile& gif, qsizetype at) {
    const auto* in = static_cast<const MemoryInput*>(gif->UserData);
    if (at + kImageDescriptorBytes <= in->size) {
        const unsigned flags = in->data[at + kImageDescriptorBytes - 1];
        const qsizetype table = (flags & kLocalTable) ? 3 << (1 + (flags & kTableSizeBits)) : 0;
        const qsizetype codeSizeAt = at + kImageDescriptorBytes + table;
        const int codeSize = codeSizeAt < in->size ? in->data[codeSizeAt] : 0;
        if (codeSize > kGiflibCodeSize && codeSize <= kLzwCodeSize) {
            return Status::unsupported("a GIF with an LZW minimum code size of " +
                                       std::to_string(codeSize));
        }
    }
    return damaged(gif, "frame header");
}

Status tooManyFrames() {
    return Status::failure("the frames together are over the limit of " +
                           std::to_string(kMaxFramePixels >> 20) + " Mi pixels");
}

// What a graphic control extension says of the image that follows it.
struct FrameControl {
    int transparent = -1;  // colour index, or -1
    int disposal = kDisposeNone;
    std::int32_t delayCs = 0;
};

FrameControl frameControl(const GifByteType* block) {
    FrameControl control;
    if (block == nullptr || block[0] < kGraphicControlBytes) return control;
    control.transparent = (block[1] & kHasTransparency) ? block[4] : -1;
    control.disposal = (block[1] >> kDisposalShift) & kDisposalBits;
    control.delayCs = block[2] | block[3] << 8;
    return control;
}

// True for the application extension that holds the loop count, NETSCAPE2.0 (or ANIMEXTS1.0):
// its sub-block of id 1 counts the repeats after the first play, 0 for ever.
bool isLoopExtension(const GifByteType* block) {
    return block != nullptr && block[0] == kApplicationIdBytes &&
           (std::memcmp(block + 1, "NETSCAPE2.0", kApplicationIdBytes) == 0 ||
            std::memcmp(block + 1, "ANIMEXTS1.0", kApplicationIdBytes) == 0);
}

// The screen as a viewer shows it while the frames are drawn on it one after the other.
class Screen {
  public:
    Screen(const GifFile& gif, PictureFrames* frames) : gif_(gif), frames_(frames) {}

    bool empty() const { return screen_.isNull(); }
    bool wantsMore() const { return frames_ != nullptr || screen_.isNull(); }
    const QImage& picture() const { return screen_; }

    // Draws the frame whose header giflib has just read.
    Status draw(const FrameControl& control) {
        if (screen_.isNull()) {
            if (Status st = newScreen(control.transparent); st.failed()) return st;
        } else if (!framesAccepted(screen_.width(), screen_.height(),
                                   static_cast<std::int64_t>(frames_->frames.size()) + 1)) {
            return tooManyFrames();
        }
        const GifImageDesc& frame = gif_->Image;
        const QRect area =
            QRect(frame.Left, frame.Top, frame.Width, frame.Height).intersected(screen_.rect());
        const QImage before = control.disposal == kDisposePrevious ? screen_.copy(area) : QImage();
        if (Status st = drawFrame(control.transparent); st.failed()) return st;
        if (frames_ == nullptr) return Status::ok();  // the first frame as it is shown
        frames_->frames.push_back({screen_.copy(), control.delayCs * 10});
        if (control.disposal == kDisposeBackground && !area.isEmpty()) {
            for (int y = area.top(); y <= area.bottom(); ++y) {
                auto* row = reinterpret_cast<QRgb*>(screen_.scanLine(y));
                std::fill(row + area.left(), row + area.right() + 1, fill_);
            }
        } else if (control.disposal == kDisposePrevious && !before.isNull()) {
            for (int y = 0; y < before.height(); ++y)
                std::memcpy(screen_.scanLine(area.top() + y) + area.left() * 4,
                            before.constScanLine(y), static_cast<std::size_t>(before.width()) * 4);
        }
        return Status::ok();
    }

  private:
    // The screen before the first frame is drawn on it: the background colour, or transparent
    // when the first frame has a transparent colour.
    Status newScreen(int transparent) {
        screen_ = QImage(gif_->SWidth, gif_->SHeight,
                         transparent >= 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        if (screen_.isNull()) return Status::failure("out of memory for the picture");
        const ColorMapObject* map = gif_->SColorMap;
        const int bg = gif_->SBackGroundColor;
        if (transparent >= 0)
            fill_ = kTransparent;
        else if (map != nullptr && bg < map->ColorCount)
            fill_ = qRgb(map->Colors[bg].Red, map->Colors[bg].Green, map->Colors[bg].Blue);
        else
            fill_ = qRgb(0, 0, 0);
        screen_.fill(fill_);
        return Status::ok();
    }

    // Reads the frame's rows onto the screen, clipped to it; transparent pixels leave the
    // screen as it was.
    Status drawFrame(int transparent) {
        const GifImageDesc& frame = gif_->Image;
        const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif_->SColorMap;
        if (map == nullptr) return Status::failure("damaged GIF: no colour table");
        if (frame.Width > 0 && frame.Height > 0 && !pictureSizeAccepted(frame.Width, frame.Height))
            return Status::failure("GIF frame is too large");
        std::vector<QRgb> colours(static_cast<std::size_t>(map->ColorCount));
        for (std::size_t i = 0; i < colours.size(); ++i) {
            const GifColorType& c = map->Colors[i];
            colours[i] = qRgb(c.Red, c.Green, c.Blue);
        }
        std::vector<GifPixelType> line(static_cast<std::size_t>(std::max(frame.Width, 1)));
        const int visible = std::max(0, std::min(frame.Width, screen_.width() - frame.Left));
        const int firstRows[] = {0, 4, 2, 1};
        const int steps[] = {8, 8, 4, 2};
        const int passes = frame.Interlace ? 4 : 1;
        for (int pass = 0; pass < passes; ++pass) {
            const int step = frame.Interlace ? steps[pass] : 1;
            for (int r = frame.Interlace ? firstRows[pass] : 0; r < frame.Height; r += step) {
                if (DGifGetLine(gif_.get(), line.data(), frame.Width) == GIF_ERROR)
                    return damaged(gif_, "frame data");
                const int y = frame.Top + r;
                if (y >= screen_.height() || visible == 0) continue;
                auto* out = reinterpret_cast<QRgb*>(screen_.scanLine(y)) + frame.Left;
                for (int x = 0; x < visible; ++x) {
                    if (line[x] >= colours.size())
                        return Status::failure("damaged GIF: pixel past the colour table");
                    if (line[x] != transparent) out[x] = colours[line[x]];
                }
            }
        }
        return Status::ok();
    }

    const GifFile& gif_;
    PictureFrames* frames_;
    QImage screen_;
    QRgb fill_ = kTransparent;
};

// giflib keeps a copy of every frame header it reads, with its colour table; only the current
// header (GifFileType::Image) is used, so the copies are dropped as they come, else a file of
// many tiny frames would take several times its own size in memory.
void forgetFrames(const GifFile& gif) {
    GifFreeSavedImages(gif.get());
    gif->ImageCount = 0;
}

// Reads an extension's sub-blocks to their end; `loops` is set from a loop extension.
Status readExtension(const GifFile& gif, FrameControl& control, std::int32_t& loops) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return damaged(gif, "extension");
    if (code == GRAPHICS_EXT_FUNC_CODE) control = frameControl(block);
    const bool loopExtension = code == APPLICATION_EXT_FUNC_CODE && isLoopExtension(block);
    while (block != nullptr) {
        if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return damaged(gif, "extension");
        if (loopExtension && block != nullptr && block[0] >= kLoopBlockBytes &&
            block[1] == kLoopSubBlockId) {
            const int repeats = block[2] | block[3] << 8;
            loops = repeats == 0 ? 0 : repeats + 1;
        }
    }
    return Status::ok();
}

// Walks every record to the trailer: the frames the screen wants are drawn, the others' data
// only read through, so that a cut anywhere in the file is noticed.
Status readRecords(const GifFile& gif, Screen& screen, std::int32_t& loops) {
    FrameControl control;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return damaged(gif, "records");
        if (type == TERMINATE_RECORD_TYPE)
            return screen.empty() ? Status::failure("GIF holds no picture") : Status::ok();
        if (type == EXTENSION_RECORD_TYPE) {
            if (Status st = readExtension(gif, control, loops); st.failed()) return st;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) return damaged(gif, "unknown record");
        const qsizetype descriptorAt = static_cast<const MemoryInput*>(gif->UserData)->at;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return frameHeaderRefused(gif, descriptorAt);
        forgetFrames(gif);
        if (screen.wantsMore()) {
            if (Status st = screen.draw(control); st.failed()) return st;
            control = FrameControl{};
            continue;
        }
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif.get(), &codeSize, &block) == GIF_ERROR) return damaged(gif, "frame");
        while (block != nullptr)
            if (DGifGetCodeNext(gif.get(), &block) == GIF_ERROR) return damaged(gif, "frame");
    }
}

// The number of frames of the GIF in `input`, counted without decoding them; -1 when the
// records cannot be walked (the decoding then says why).
std::int64_t countFrames(MemoryInput input) {
    int error = 0;
    const GifFile gif(DGifOpen(&input, readMemory, &error));
    if (!gif) return -1;
    std::int64_t frames = 0;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return -1;
        GifByteType* block = nullptr;
        int code = 0;
        if (type == TERMINATE_RECORD_TYPE) return frames;
        if (type == EXTENSION_RECORD_TYPE) {
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR) return -1;
            while (block != nullptr)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR) return -1;
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif.get()) == GIF_ERROR) return -1;
        forgetFrames(gif);
        ++frames;
        if (DGifGetCode(gif.get(), &code, &block) == GIF_ERROR) return -1;
        while (block != nullptr)
            if (DGifGetCodeNext(gif.get(), &block) == GIF_ERROR) return -1;
    }
}

// Decodes the first frame into `picture`, or every frame into `frames` when it is set.
Status decodeGifScreen(QByteArrayView file, QImage* picture, PictureFrames* frames) {
    MemoryInput input{reinterpret_cast<const GifByteType*>(file.data()), file.size()};
    int error = 0;
    const GifFile gif(DGifOpen(&input, readMemory, &error));
    if (!gif) return damaged(error, "header");
    if (!pictureSizeAccepted(gif->SWidth, gif->SHeight))
        return Status::failure("picture is too large");
    // Frames over the limit are refused before any is decoded.
    if (frames != nullptr &&
        !framesAccepted(gif->SWidth, gif->SHeight, countFrames({input.data, input.size})))
        return tooManyFrames();
    PictureFrames decoded;
    decoded.loops = 1;
    Screen screen(gif, frames != nullptr ? &decoded : nullptr);
    if (Status st = readRecords(gif, screen, decoded.loops); st.failed()) return st;
    if (picture != nullptr) *picture = screen.picture();
    if (frames != nullptr) *frames = std::move(decoded);
    return Status::ok();
}

Status decodeGif(QByteArrayView file, QImage& picture) {
    return decodeGifScreen(file, &picture, nullptr);
}

}  // namespace

const RasterDecoder kGifDecoder{recognisesGif, gifHeaderSize, decodeGif, nullptr};

Status decodeGifFrames(QByteArrayView file, PictureFrames& frames) {
    return decodeGifScreen(file, nullptr, &frames);
}

}  // namespace glint
