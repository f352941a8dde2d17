#include "PngDecoder.h"

#include <png.h>

#include <csetjmp>
#include <cstring>
#include <string>
#include <vector>

#include "LoadLimits.h"

namespace glint {
namespace {

constexpr int kSignatureBytes = 8;
constexpr int kSizeAt = 16;  // width and height in the header chunk

struct MemoryInput {
    const png_byte* data;
    qsizetype size;
    qsizetype at;
    std::string error;
    bool indexPastPalette = false;
    std::vector<QRgb> palette;  // with the transparency of each entry
};

void readMemory(png_structp png, png_bytep into, png_size_t length) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (static_cast<qsizetype>(length) > in->size - in->at) png_error(png, "file is cut short");
    std::memcpy(into, in->data + in->at, length);
    in->at += static_cast<qsizetype>(length);
}

void onError(png_structp png, png_const_charp message) {
    auto* in = static_cast<MemoryInput*>(png_get_io_ptr(png));
    if (in != nullptr && in->error.empty()) in->error = message;
    png_longjmp(png, 1);
}

// Warnings are about ancillary chunks or extra data after the pixels: nothing is missing.
void onWarning(png_structp, png_const_charp) {}

// Turns a row of palette indexes (one byte each) into 32-bit colours, in place from the end.
// A pixel whose index lies past the palette has no colour: the file is damaged.
void expandPalette(png_structp png, png_row_infop row, png_bytep data) {
    auto* in = static_cast<MemoryInput*>(png_get_user_transform_ptr(png));
    const std::size_t entries = in->palette.size();
    auto* out = reinterpret_cast<QRgb*>(data);
    for (png_uint_32 x = row->width; x-- > 0;) {
        const png_byte index = data[x];
        if (index >= entries) {
            in->indexPastPalette = true;
            out[x] = 0;
        } else {
            out[x] = in->palette[index];
        }
    }
    row->color_type = PNG_COLOR_TYPE_RGB_ALPHA;
    row->channels = 4;
    row->bit_depth = 8;
    row->pixel_depth = 32;
    row->rowbytes = std::size_t{row->width} * 4;
}

// The palette as colours, and whether any entry is not opaque.
bool readPalette(png_structp png, png_infop info, std::vector<QRgb>& palette) {
    png_colorp colours = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &colours, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    palette.resize(static_cast<std::size_t>(std::max(count, 0)));
    bool seeThrough = false;
    for (int i = 0; i < count; ++i) {
        const int a = i < alphaCount ? alphas[i] : 0xFF;
        seeThrough = seeThrough || a != 0xFF;
        palette[static_cast<std::size_t>(i)] =
            qRgba(colours[i].red, colours[i].green, colours[i].blue, a);
    }
    return seeThrough;
}

bool recognisesPng(QByteArrayView head) {
    return head.size() >= kSignatureBytes &&
           png_sig_cmp(reinterpret_cast<png_const_bytep>(head.data()), 0, kSignatureBytes) == 0;
}

QSize pngHeaderSize(QByteArrayView file) {
    if (file.size() < kSizeAt + 8 || !recognisesPng(file)) return kUnknownSize;
    const auto* p = reinterpret_cast<const unsigned char*>(file.data()) + kSizeAt;
    const auto be32 = [](const unsigned char* q) {
        return std::uint32_t{q[0]} << 24 | std::uint32_t{q[1]} << 16 | std::uint32_t{q[2]} << 8 |
               q[3];
    };
    const std::uint32_t w = be32(p);
    const std::uint32_t h = be32(p + 4);
    const auto side = [](std::uint32_t v) {
        return static_cast<int>(std::min<std::uint32_t>(v, 0x7fffffff));
    };
    return {side(w), side(h)};
}

// Sets the transformations that give 8-bit BGRA rows; true when the picture has alpha.
bool setTransforms(png_structp png, png_infop info, MemoryInput& input) {
    const png_byte type = png_get_color_type(png, info);
    bool alpha = (type & PNG_COLOR_MASK_ALPHA) != 0 || png_get_valid(png, info, PNG_INFO_tRNS);
    if (type == PNG_COLOR_TYPE_PALETTE) {
        alpha = readPalette(png, info, input.palette);
        png_set_packing(png);  // one byte per index
        png_set_user_transform_info(png, &input, 8, 4);
        png_set_read_user_transform_fn(png, expandPalette);
    } else {
        png_set_expand(png);  // grey below 8 bits to 8, tRNS to an alpha channel
        png_set_scale_16(png);
        if ((type & PNG_COLOR_MASK_COLOR) == 0) png_set_gray_to_rgb(png);
        png_set_bgr(png);
        if (!alpha) png_set_filler(png, 0xFF, PNG_FILLER_AFTER);
    }
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    return alpha;
}

// All libpng calls happen here; nothing with a destructor is alive in this frame while libpng
// runs, so a jump out of the library skips no cleanup.
bool decompress(png_structp png, png_infop info, MemoryInput& input, QImage& picture,
                std::vector<png_bytep>& rows) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_read_info(png, info);
    const png_uint_32 width = png_get_image_width(png, info);
    const png_uint_32 height = png_get_image_height(png, info);
    if (!pictureSizeAccepted(width, height)) png_error(png, "picture is too large");
    const bool alpha = setTransforms(png, info, input);
    if (png_get_rowbytes(png, info) != std::size_t{width} * 4) png_error(png, "unexpected layout");
    picture = QImage(static_cast<int>(width), static_cast<int>(height),
                     alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (picture.isNull()) png_error(png, "out of memory for the picture");
    rows.resize(height);
    for (png_uint_32 y = 0; y < height; ++y) rows[y] = picture.scanLine(static_cast<int>(y));
    png_read_image(png, rows.data());
    png_read_end(png, nullptr);
    return true;
}

Status decodePng(QByteArrayView file, QImage& picture) {
    MemoryInput input{
        reinterpret_cast<const png_byte*>(file.data()), file.size(), 0, {}, false, {}};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, onError, onWarning);
    if (png == nullptr) return Status::failure("out of memory for the PNG reader");
    png_infop info = png_create_info_struct(png);
    png_set_read_fn(png, &input, readMemory);
    // Reading the same stream twice would not help; the CRC of an ancillary chunk is a warning.
    png_set_crc_action(png, PNG_CRC_DEFAULT, PNG_CRC_WARN_DISCARD);
    QImage decoded;
    std::vector<png_bytep> rows;
    const bool ok = info != nullptr && decompress(png, info, input, decoded, rows);
    png_destroy_read_struct(&png, info != nullptr ? &info : nullptr, nullptr);
    if (ok && input.indexPastPalette) return Status::failure("damaged PNG: pixel past the palette");
    if (!ok) {
        const std::string why = input.error.empty() ? "out of memory" : input.error;
        return why == "picture is too large" ? Status::failure(why)
                                             : Status::failure("damaged PNG: " + why);
    }
    picture = std::move(decoded);
    return Status::ok();
}

}  // namespace

const RasterDecoder kPngDecoder{recognisesPng, pngHeaderSize, decodePng, nullptr};

}  // namespace glint
