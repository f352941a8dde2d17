#include "GifDecoder.h"

#include <gif_lib.h>

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

// The transparent colour index a graphic control extension sets, or -1.
int transparentIndex(int code, const GifByteType* block, int current) {
    if (code != GRAPHICS_EXT_FUNC_CODE || block == nullptr || block[0] < kGraphicControlBytes)
        return current;
    return (block[1] & kHasTransparency) ? block[4] : -1;
}

// Reads the first frame's rows into `picture`, clipped to the screen.
Status drawFrame(const GifFile& gif, int transparent, QImage& picture) {
    const GifImageDesc& frame = gif->Image;
    const ColorMapObject* map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    if (map == nullptr) return Status::failure("damaged GIF: no colour table");
    if (frame.Width > 0 && frame.Height > 0 && !pictureSizeAccepted(frame.Width, frame.Height))
        return Status::failure("GIF frame is too large");
    std::vector<QRgb> colours(static_cast<std::size_t>(map->ColorCount));
    for (std::size_t i = 0; i < colours.size(); ++i) {
        const GifColorType& c = map->Colors[i];
        colours[i] =
            static_cast<int>(i) == transparent ? kTransparent : qRgb(c.Red, c.Green, c.Blue);
    }
    std::vector<GifPixelType> line(static_cast<std::size_t>(std::max(frame.Width, 1)));
    const int visible = std::max(0, std::min(frame.Width, picture.width() - frame.Left));
    const int firstRows[] = {0, 4, 2, 1};
    const int steps[] = {8, 8, 4, 2};
    const int passes = frame.Interlace ? 4 : 1;
    for (int pass = 0; pass < passes; ++pass) {
        const int step = frame.Interlace ? steps[pass] : 1;
        for (int r = frame.Interlace ? firstRows[pass] : 0; r < frame.Height; r += step) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                return damaged(gif, "frame data");
            const int y = frame.Top + r;
            if (y >= picture.height() || visible == 0) continue;
            auto* out = reinterpret_cast<QRgb*>(picture.scanLine(y)) + frame.Left;
            for (int x = 0; x < visible; ++x) {
                if (line[x] >= colours.size())
                    return Status::failure("damaged GIF: pixel past the colour table");
                out[x] = colours[line[x]];
            }
        }
    }
    return Status::ok();
}

// giflib keeps a copy of every frame header it reads, with its colour table; only the current
// header (GifFileType::Image) is used, so the copies are dropped as they come, else a file of
// many tiny frames would take several times its own size in memory.
void forgetFrames(const GifFile& gif) {
    GifFreeSavedImages(gif.get());
    gif->ImageCount = 0;
}

// The screen before the first frame is drawn on it.
Status newScreen(const GifFile& gif, int transparent, QImage& picture) {
    picture = QImage(gif->SWidth, gif->SHeight,
                     transparent >= 0 ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull()) return Status::failure("out of memory for the picture");
    const ColorMapObject* map = gif->SColorMap;
    const int bg = gif->SBackGroundColor;
    if (transparent >= 0)
        picture.fill(kTransparent);
    else if (map != nullptr && bg < map->ColorCount)
        picture.fill(qRgb(map->Colors[bg].Red, map->Colors[bg].Green, map->Colors[bg].Blue));
    else
        picture.fill(qRgb(0, 0, 0));
    return Status::ok();
}

// Walks every record to the trailer: the first image is drawn, the others' data only read
// through, so that a cut anywhere in the file is noticed.
Status readRecords(const GifFile& gif, QImage& picture) {
    int transparent = -1;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) return damaged(gif, "records");
        if (type == TERMINATE_RECORD_TYPE)
            return picture.isNull() ? Status::failure("GIF holds no picture") : Status::ok();
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif.get(), &code, &block) == GIF_ERROR)
                return damaged(gif, "extension");
            if (picture.isNull()) transparent = transparentIndex(code, block, transparent);
            while (block != nullptr)
                if (DGifGetExtensionNext(gif.get(), &block) == GIF_ERROR)
                    return damaged(gif, "extension");
            continue;
        }
        if (type != IMAGE_DESC_RECORD_TYPE) return damaged(gif, "unknown record");
        const qsizetype descriptorAt = static_cast<const MemoryInput*>(gif->UserData)->at;
        if (DGifGetImageDesc(gif.get()) == GIF_ERROR) return frameHeaderRefused(gif, descriptorAt);
        forgetFrames(gif);
        if (picture.isNull()) {
            if (Status st = newScreen(gif, transparent, picture); st.failed()) return st;
            if (Status st = drawFrame(gif, transparent, picture); st.failed()) return st;
            continue;
        }
        int codeSize = 0;
        GifByteType* block = nullptr;
        if (DGifGetCode(gif.get(), &codeSize, &block) == GIF_ERROR) return damaged(gif, "frame");
        while (block != nullptr)
            if (DGifGetCodeNext(gif.get(), &block) == GIF_ERROR) return damaged(gif, "frame");
    }
}

Status decodeGif(QByteArrayView file, QImage& picture) {
    MemoryInput input{reinterpret_cast<const GifByteType*>(file.data()), file.size()};
    int error = 0;
    const GifFile gif(DGifOpen(&input, readMemory, &error));
    if (!gif) return damaged(error, "header");
    if (!pictureSizeAccepted(gif->SWidth, gif->SHeight))
        return Status::failure("picture is too large");
    QImage decoded;
    if (Status st = readRecords(gif, decoded); st.failed()) return st;
    picture = std::move(decoded);
    return Status::ok();
}

}  // namespace

const RasterDecoder kGifDecoder{recognisesGif, gifHeaderSize, decodeGif, nullptr};

}  // namespace glint
