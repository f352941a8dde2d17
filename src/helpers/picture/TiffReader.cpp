#include "TiffReader.h"

#include <tiffio.h>

#include <algorithm>
#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "io/decode/LoadLimits.h"

namespace glint::picture {
namespace {

using photo::DecodedPhoto;

// Memory libtiff may ask for at once, and the most the rows of one strip or tile band take.
constexpr std::uint64_t kMaxAllocation = std::uint64_t{kReaderAllocationLimitMiB} << 20;
constexpr std::size_t kMessageBytes = 512;

// The bytes libtiff reads, and its first complaint about them.
struct MemoryFile {
    const std::uint8_t* data = nullptr;
    std::uint64_t size = 0;
    std::uint64_t at = 0;
    bool decodingPixels = false;  // from here on warnings are about the pixels
    bool failed = false;
    std::string complaint;
};

tmsize_t readBytes(thandle_t handle, void* into, tmsize_t count) {
    auto* file = static_cast<MemoryFile*>(handle);
    if (count <= 0 || file->at >= file->size) return 0;
    const auto n =
        std::min<std::uint64_t>(static_cast<std::uint64_t>(count), file->size - file->at);
    std::memcpy(into, file->data + file->at, n);
    file->at += n;
    return static_cast<tmsize_t>(n);
}
tmsize_t writeNothing(thandle_t, void*, tmsize_t) { return 0; }
toff_t seekTo(thandle_t handle, toff_t offset, int whence) {
    auto* file = static_cast<MemoryFile*>(handle);
    const std::uint64_t base = whence == SEEK_CUR ? file->at : whence == SEEK_END ? file->size : 0;
    file->at = base + offset;  // a negative offset arrives wrapped around
    return file->at;
}
int closeNothing(thandle_t) { return 0; }
toff_t sizeOf(thandle_t handle) { return static_cast<MemoryFile*>(handle)->size; }
int mapWhole(thandle_t handle, void** base, toff_t* size) {
    const auto* file = static_cast<MemoryFile*>(handle);
    *base = const_cast<std::uint8_t*>(file->data);
    *size = file->size;
    return 1;
}
void unmapNothing(thandle_t, void*, toff_t) {}

void complain(MemoryFile& file, const char* module, const char* format, va_list args) {
    if (file.failed) return;
    std::array<char, kMessageBytes> text{};
    std::vsnprintf(text.data(), text.size(), format, args);
    file.failed = true;
    file.complaint = module != nullptr ? std::string(module) + ": " + text.data() : text.data();
}
// Both return 1: the message is handled, libtiff's own handlers (standard error) stay silent.
int onError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    complain(*static_cast<MemoryFile*>(user), module, format, args);
    return 1;
}
int onWarning(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto& file = *static_cast<MemoryFile*>(user);
    if (file.decodingPixels) complain(file, module, format, args);
    return 1;
}

struct TiffCloser {
    void operator()(TIFF* tif) const { TIFFClose(tif); }
};
struct OptionsFreer {
    void operator()(TIFFOpenOptions* options) const { TIFFOpenOptionsFree(options); }
};

// What the first page's tags say about its samples.
struct Layout {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint16_t photometric = 0xFFFF;  // none given
    std::uint16_t bits = 1;
    std::uint16_t samples = 1;
    std::uint16_t planar = PLANARCONFIG_CONTIG;
    std::uint16_t sampleFormat = SAMPLEFORMAT_UINT;
    std::uint16_t compression = COMPRESSION_NONE;
    int colours = 0;   // colour samples converted here: 1 grey, 3 RGB, 4 CMYK; 0 for libtiff's
    int alphaAt = -1;  // the alpha sample's index
    bool associated = false;
};

Layout readLayout(TIFF* tif) {
    Layout l;
    TIFFGetField(tif, TIFFTAG_IMAGEWIDTH, &l.width);
    TIFFGetField(tif, TIFFTAG_IMAGELENGTH, &l.height);
    TIFFGetField(tif, TIFFTAG_PHOTOMETRIC, &l.photometric);
    TIFFGetFieldDefaulted(tif, TIFFTAG_BITSPERSAMPLE, &l.bits);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLESPERPIXEL, &l.samples);
    TIFFGetFieldDefaulted(tif, TIFFTAG_PLANARCONFIG, &l.planar);
    TIFFGetFieldDefaulted(tif, TIFFTAG_SAMPLEFORMAT, &l.sampleFormat);
    TIFFGetFieldDefaulted(tif, TIFFTAG_COMPRESSION, &l.compression);
    std::uint16_t inkSet = INKSET_CMYK;
    TIFFGetFieldDefaulted(tif, TIFFTAG_INKSET, &inkSet);
    switch (l.photometric) {
        case PHOTOMETRIC_MINISWHITE:
        case PHOTOMETRIC_MINISBLACK:
            l.colours = 1;
            break;
        case PHOTOMETRIC_RGB:
            l.colours = 3;
            break;
        case PHOTOMETRIC_SEPARATED:
            l.colours = inkSet == INKSET_CMYK ? 4 : 0;
            break;
        default:
            break;
    }
    const bool deep = l.bits == 8 || l.bits == 16;
    const bool packedGrey = l.colours == 1 && (l.bits == 1 || l.bits == 2 || l.bits == 4);
    if (l.samples < l.colours || l.sampleFormat != SAMPLEFORMAT_UINT || !(deep || packedGrey))
        l.colours = 0;
    std::uint16_t extraCount = 0;
    std::uint16_t* extra = nullptr;
    TIFFGetFieldDefaulted(tif, TIFFTAG_EXTRASAMPLES, &extraCount, &extra);
    if (l.colours == 0 || l.samples == l.colours) return l;
    // As libtiff's RGBA interface reads them: an unspecified extra sample after RGB, or a
    // fourth sample without ExtraSamples, is associated alpha.
    const std::uint16_t kind = extraCount > 0 ? extra[0] : EXTRASAMPLE_UNSPECIFIED;
    const bool rgbGuess = l.colours == 3 && kind == EXTRASAMPLE_UNSPECIFIED;
    if (kind == EXTRASAMPLE_ASSOCALPHA || kind == EXTRASAMPLE_UNASSALPHA || rgbGuess) {
        l.alphaAt = l.colours;
        l.associated = kind != EXTRASAMPLE_UNASSALPHA;
    }
    return l;
}

const char* photometricName(std::uint16_t photometric) {
    switch (photometric) {
        case PHOTOMETRIC_MINISWHITE:
            return "min-is-white";
        case PHOTOMETRIC_MINISBLACK:
            return "min-is-black";
        case PHOTOMETRIC_RGB:
            return "RGB";
        case PHOTOMETRIC_PALETTE:
            return "palette";
        case PHOTOMETRIC_MASK:
            return "transparency mask";
        case PHOTOMETRIC_SEPARATED:
            return "separated";
        case PHOTOMETRIC_YCBCR:
            return "YCbCr";
        case PHOTOMETRIC_CIELAB:
            return "CIE L*a*b*";
        case PHOTOMETRIC_ICCLAB:
            return "ICC L*a*b*";
        case PHOTOMETRIC_ITULAB:
            return "ITU L*a*b*";
        case PHOTOMETRIC_CFA:
            return "colour filter array";
        case PHOTOMETRIC_LOGL:
            return "LogL";
        case PHOTOMETRIC_LOGLUV:
            return "LogLuv";
        default:
            return nullptr;
    }
}

// The variant named for the user: "a TIFF of 12-bit samples in the RGB colour model".
std::string variantOf(const Layout& l) {
    std::array<char, kMessageBytes> text{};
    if (l.sampleFormat == SAMPLEFORMAT_IEEEFP) {
        std::snprintf(text.data(), text.size(), "a TIFF of %u-bit floating-point samples", l.bits);
    } else if (l.sampleFormat != SAMPLEFORMAT_UINT) {
        std::snprintf(text.data(), text.size(), "a TIFF of signed or complex %u-bit samples",
                      l.bits);
    } else if (const char* name = photometricName(l.photometric)) {
        std::snprintf(text.data(), text.size(),
                      "a TIFF of %u %u-bit samples in the %s colour model", l.samples, l.bits,
                      name);
    } else {
        std::snprintf(text.data(), text.size(), "a TIFF of the unknown colour model %u",
                      l.photometric);
    }
    return text.data();
}

TiffResult damaged(const MemoryFile& file, const char* otherwise) {
    return {TiffOutcome::Damaged, file.failed ? file.complaint : otherwise};
}

// The rows of one strip or tile band, a buffer for each plane (one for chunky samples).
class Bands {
  public:
    Bands(TIFF* tif, const Layout& l)
        : tif_(tif),
          l_(l),
          planes_(l.planar == PLANARCONFIG_SEPARATE ? l.samples : 1),
          perPixel_(l.planar == PLANARCONFIG_SEPARATE ? 1 : l.samples),
          rowBytes_((std::uint64_t{l.width} * perPixel_ * l.bits + 7) / 8),
          tiled_(TIFFIsTiled(tif) != 0) {
        std::uint32_t rows = 0;
        if (tiled_) {
            TIFFGetField(tif, TIFFTAG_TILEWIDTH, &tileWidth_);
            TIFFGetField(tif, TIFFTAG_TILELENGTH, &rows);
        } else {
            rows = l.height;
            TIFFGetFieldDefaulted(tif, TIFFTAG_ROWSPERSTRIP, &rows);
        }
        bandRows_ = std::clamp<std::uint32_t>(rows, 1, l.height);
    }

    // False when a band would take more memory than a picture may.
    bool allocate() {
        const std::uint64_t tileBytes =
            tiled_ ? static_cast<std::uint64_t>(TIFFTileSize64(tif_)) : 0;
        if (rowBytes_ * bandRows_ * planes_ + tileBytes > kMaxAllocation) return false;
        rows_.assign(planes_, std::vector<std::uint8_t>(rowBytes_ * bandRows_));
        tile_.resize(tileBytes);
        return true;
    }
    std::uint32_t bandRows() const { return bandRows_; }
    // The bytes of row `row` of the band, of chunky samples.
    const std::uint8_t* chunkyRow(std::uint32_t row) const {
        return rows_[0].data() + row * rowBytes_;
    }

    // Reads the band that starts at row `first`.
    bool read(std::uint32_t first) {
        const std::uint32_t count = std::min(bandRows_, l_.height - first);
        for (std::uint16_t p = 0; p < planes_; ++p)
            if (!(tiled_ ? readTiles(first, count, p) : readStrip(first, count, p))) return false;
        return true;
    }
    // Sample `s` of pixel `x` in row `row` of the band.
    std::uint32_t sample(std::uint32_t row, std::uint32_t x, int s) const {
        const std::size_t plane = planes_ > 1 ? static_cast<std::size_t>(s) : 0;
        const std::uint64_t index = std::uint64_t{x} * perPixel_ + (planes_ > 1 ? 0 : s);
        const std::uint8_t* bytes = rows_[plane].data() + row * rowBytes_;
        if (l_.bits == 8) return bytes[index];
        if (l_.bits == 16) {
            std::uint16_t v = 0;  // libtiff has put it in this machine's byte order
            std::memcpy(&v, bytes + 2 * index, 2);
            return v;
        }
        const std::uint64_t bit = index * l_.bits;
        const unsigned shift = 8 - l_.bits - static_cast<unsigned>(bit % 8);
        return (bytes[bit / 8] >> shift) & ((1u << l_.bits) - 1);
    }

  private:
    bool readStrip(std::uint32_t first, std::uint32_t count, std::uint16_t plane) {
        const auto bytes = static_cast<tmsize_t>(rowBytes_ * count);
        return TIFFReadEncodedStrip(tif_, TIFFComputeStrip(tif_, first, plane), rows_[plane].data(),
                                    bytes) == bytes;
    }
    bool readTiles(std::uint32_t first, std::uint32_t count, std::uint16_t plane) {
        const auto tileRowBytes = static_cast<std::uint64_t>(TIFFTileRowSize64(tif_));
        for (std::uint32_t x = 0; x < l_.width; x += tileWidth_) {
            const ttile_t tile = TIFFComputeTile(tif_, x, first, 0, plane);
            if (TIFFReadEncodedTile(tif_, tile, tile_.data(), static_cast<tmsize_t>(tile_.size())) <
                0)
                return false;
            const std::uint64_t at = std::uint64_t{x} * perPixel_ * l_.bits / 8;
            const std::uint64_t n = std::min(tileRowBytes, rowBytes_ - at);
            for (std::uint32_t r = 0; r < count; ++r)
                std::memcpy(rows_[plane].data() + r * rowBytes_ + at,
                            tile_.data() + r * tileRowBytes, n);
        }
        return true;
    }

    TIFF* tif_;
    const Layout& l_;
    std::uint16_t planes_;
    std::uint16_t perPixel_;
    std::uint64_t rowBytes_;
    bool tiled_;
    std::uint32_t tileWidth_ = 1;
    std::uint32_t bandRows_ = 1;
    std::vector<std::vector<std::uint8_t>> rows_;
    std::vector<std::uint8_t> tile_;
};

// One pixel from its samples at `bits` bits.
std::uint32_t convert(const Layout& l, const std::array<std::uint32_t, 5>& s) {
    const std::uint32_t max = (std::uint32_t{1} << l.bits) - 1;
    const std::uint32_t alpha = l.alphaAt >= 0 ? s[4] : max;
    std::array<std::uint32_t, 4> c{};
    for (int i = 0; i < l.colours; ++i) {
        c[i] = l.associated ? photo::unpremultiplied(s[i], alpha, l.bits) : s[i];
    }
    const std::uint32_t a = photo::toEightBits(alpha, l.bits);
    if (l.colours == 4) {  // (1 - ink)(1 - black), rounded; the square of max is odd: no ties
        const std::uint64_t square = std::uint64_t{max} * max;
        const auto rgb = [&](std::uint32_t ink) {
            return static_cast<std::uint32_t>(
                (std::uint64_t{max - ink} * (max - c[3]) * 255 + square / 2) / square);
        };
        return photo::argb(a, rgb(c[0]), rgb(c[1]), rgb(c[2]));
    }
    if (l.colours == 1) {
        const std::uint32_t grey =
            photo::toEightBits(l.photometric == PHOTOMETRIC_MINISWHITE ? max - c[0] : c[0], l.bits);
        return photo::argb(a, grey, grey, grey);
    }
    return photo::argb(a, photo::toEightBits(c[0], l.bits), photo::toEightBits(c[1], l.bits),
                       photo::toEightBits(c[2], l.bits));
}

// The common case without arithmetic: 8-bit RGB or min-is-black grey, chunky, alpha (if any)
// not premultiplied. The same pixels as convert() gives, a few times faster.
bool plainEightBits(const Layout& l) {
    return l.bits == 8 && l.planar != PLANARCONFIG_SEPARATE &&
           (l.colours == 3 || (l.colours == 1 && l.photometric == PHOTOMETRIC_MINISBLACK)) &&
           (l.alphaAt < 0 || !l.associated);
}

void convertPlainRow(const Layout& l, const std::uint8_t* in, std::uint32_t* out) {
    const std::uint32_t step = l.samples;
    const bool grey = l.colours == 1;
    for (std::uint32_t x = 0; x < l.width; ++x, in += step) {
        const std::uint32_t a = l.alphaAt >= 0 ? in[l.alphaAt] : 0xFF;
        out[x] = grey ? photo::argb(a, in[0], in[0], in[0]) : photo::argb(a, in[0], in[1], in[2]);
    }
}

TiffResult readOwnWay(TIFF* tif, MemoryFile& file, const Layout& l, DecodedPhoto& photo) {
    Bands bands(tif, l);
    if (!bands.allocate()) return {TiffOutcome::TooLarge, {}};
    const bool plain = plainEightBits(l);
    std::array<std::uint32_t, 5> s{};  // the colour samples, then alpha
    for (std::uint32_t first = 0; first < l.height; first += bands.bandRows()) {
        if (!bands.read(first) || file.failed) return damaged(file, "pixel data cannot be read");
        const std::uint32_t count = std::min(bands.bandRows(), l.height - first);
        for (std::uint32_t r = 0; r < count; ++r) {
            std::uint32_t* out = photo.pixels.data() + std::uint64_t{first + r} * l.width;
            if (plain) {
                convertPlainRow(l, bands.chunkyRow(r), out);
                continue;
            }
            for (std::uint32_t x = 0; x < l.width; ++x) {
                for (int i = 0; i < l.colours; ++i) s[i] = bands.sample(r, x, i);
                if (l.alphaAt >= 0) s[4] = bands.sample(r, x, l.alphaAt);
                out[x] = convert(l, s);
            }
        }
    }
    return {TiffOutcome::Ok, {}};
}

// Through libtiff's RGBA interface, whose pixels come premultiplied when there is alpha.
TiffResult readThroughRgba(TIFF* tif, MemoryFile& file, const Layout& l, DecodedPhoto& photo) {
    char message[1024] = "";
    if (!TIFFRGBAImageOK(tif, message)) return {TiffOutcome::Unsupported, variantOf(l)};
    TIFFRGBAImage image{};
    if (!TIFFRGBAImageBegin(&image, tif, 0, message))
        return file.failed ? damaged(file, message)
                           : TiffResult{TiffOutcome::Unsupported, variantOf(l)};
    image.req_orientation = image.orientation;  // rows as stored, no flips
    const int got = TIFFRGBAImageGet(&image, photo.pixels.data(), l.width, l.height);
    const bool alpha = image.alpha != 0;
    TIFFRGBAImageEnd(&image);
    if (got == 0 || file.failed) return damaged(file, "pixel data cannot be read");
    for (std::uint32_t& p : photo.pixels) {
        const std::uint32_t a = TIFFGetA(p);
        const auto colour = [&](std::uint32_t v) {
            return alpha ? photo::unpremultiplied(v, a, 8) : v;
        };
        p = photo::argb(a, colour(TIFFGetR(p)), colour(TIFFGetG(p)), colour(TIFFGetB(p)));
    }
    return {TiffOutcome::Ok, {}};
}

// True when the first directory of a classic TIFF gives a width or height of 0: libtiff refuses
// to open such a file (its strips have no size), but it is an empty picture, not a damaged one.
bool firstPageIsEmpty(const std::uint8_t* data, std::uint64_t size) {
    constexpr std::uint64_t kHeaderBytes = 8;
    constexpr std::uint64_t kEntryBytes = 12;
    constexpr std::uint32_t kClassic = 42;
    if (size < kHeaderBytes || data[0] != data[1] || (data[0] != 'I' && data[0] != 'M'))
        return false;
    const bool little = data[0] == 'I';
    const auto number = [&](std::uint64_t at, int bytes) {
        std::uint32_t v = 0;
        for (int i = 0; i < bytes; ++i)
            v |= std::uint32_t{data[at + (little ? i : bytes - 1 - i)]} << (8 * i);
        return v;
    };
    if (number(2, 2) != kClassic) return false;
    const std::uint64_t directory = number(4, 4);
    if (directory + 2 > size) return false;
    const std::uint32_t entries = number(directory, 2);
    for (std::uint32_t i = 0; i < entries; ++i) {
        const std::uint64_t at = directory + 2 + i * kEntryBytes;
        if (at + kEntryBytes > size) return false;
        const std::uint32_t tag = number(at, 2);
        const std::uint32_t value = number(at + 8, number(at + 2, 2) == TIFF_SHORT ? 2 : 4);
        if ((tag == TIFFTAG_IMAGEWIDTH || tag == TIFFTAG_IMAGELENGTH) && value == 0) return true;
    }
    return false;
}

TiffResult decode(TIFF* tif, MemoryFile& file, DecodedPhoto& photo) {
    const Layout l = readLayout(tif);
    if (file.failed) return damaged(file, "");
    if (pictureIsEmpty(l.width, l.height)) return {TiffOutcome::Empty, {}};
    if (!pictureSizeAccepted(l.width, l.height)) return {TiffOutcome::TooLarge, {}};
    if (!TIFFIsCODECConfigured(l.compression)) {
        return {TiffOutcome::Unsupported,
                "a TIFF compressed with scheme " + std::to_string(l.compression)};
    }
    photo.width = l.width;
    photo.height = l.height;
    photo.pixels.assign(std::uint64_t{l.width} * l.height, 0);
    file.decodingPixels = true;
    TiffResult result =
        l.colours > 0 ? readOwnWay(tif, file, l, photo) : readThroughRgba(tif, file, l, photo);
    if (result.outcome != TiffOutcome::Ok) return result;
    photo.hasAlpha = std::any_of(photo.pixels.begin(), photo.pixels.end(),
                                 [](std::uint32_t p) { return p >> 24 != 0xFF; });
    return result;
}

}  // namespace

namespace {

// The pages of the open file as frames: each full-resolution page (reduced-resolution copies
// are not pages) on a canvas as large as the largest, at its top left, transparent beside it.
TiffResult decodePages(TIFF* tif, MemoryFile& file, DecodedPhoto& photo, std::int64_t& pages) {
    std::vector<tdir_t> directories;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    do {
        std::uint32_t type = 0;
        if (TIFFGetField(tif, TIFFTAG_SUBFILETYPE, &type) && (type & FILETYPE_REDUCEDIMAGE))
            continue;
        const Layout l = readLayout(tif);
        width = std::max(width, l.width);
        height = std::max(height, l.height);
        directories.push_back(TIFFCurrentDirectory(tif));
        if (!framesAccepted(width, height, static_cast<std::int64_t>(directories.size())))
            return {TiffOutcome::TooLarge, {}};
    } while (TIFFReadDirectory(tif));
    if (file.failed) return damaged(file, "");
    if (directories.size() < 2) {
        pages = 1;
        return TIFFSetDirectory(tif, 0) ? decode(tif, file, photo) : damaged(file, "");
    }
    if (!pictureSizeAccepted(width, height)) return {TiffOutcome::TooLarge, {}};
    pages = static_cast<std::int64_t>(directories.size());
    const std::uint64_t frame = std::uint64_t{width} * height;
    photo.width = width;
    photo.height = height;
    photo.pixels.assign(frame * directories.size(), 0);
    photo.hasAlpha = false;
    for (std::size_t k = 0; k < directories.size(); ++k) {
        if (!TIFFSetDirectory(tif, directories[k])) return damaged(file, "");
        file.decodingPixels = false;
        DecodedPhoto page;
        TiffResult result = decode(tif, file, page);
        if (result.outcome != TiffOutcome::Ok) return result;
        std::uint32_t* canvas = photo.pixels.data() + frame * k;
        for (std::int64_t y = 0; y < page.height; ++y)
            std::copy_n(page.pixels.data() + y * page.width, page.width, canvas + y * width);
        photo.hasAlpha =
            photo.hasAlpha || page.hasAlpha || page.width != width || page.height != height;
    }
    return {TiffOutcome::Ok, {}};
}

// Opens `data` with libtiff and runs `read` on it.
template <typename Read>
TiffResult withTiff(const std::uint8_t* data, std::size_t size, Read read) {
    static std::once_flag silenced;
    std::call_once(silenced, [] {  // messages without a handle of their own
        TIFFSetErrorHandler(nullptr);
        TIFFSetWarningHandler(nullptr);
    });
    MemoryFile file;
    file.data = data;
    file.size = size;
    const std::unique_ptr<TIFFOpenOptions, OptionsFreer> options(TIFFOpenOptionsAlloc());
    if (!options) return {TiffOutcome::Damaged, "out of memory"};
    TIFFOpenOptionsSetErrorHandlerExtR(options.get(), onError, &file);
    TIFFOpenOptionsSetWarningHandlerExtR(options.get(), onWarning, &file);
    TIFFOpenOptionsSetMaxSingleMemAlloc(options.get(), static_cast<tmsize_t>(kMaxAllocation));
    const std::unique_ptr<TIFF, TiffCloser> tif(
        TIFFClientOpenExt("TIFF", "r", &file, readBytes, writeNothing, seekTo, closeNothing, sizeOf,
                          mapWhole, unmapNothing, options.get()));
    if (!tif) {
        if (firstPageIsEmpty(data, size)) return {TiffOutcome::Empty, {}};
        return damaged(file, "not a TIFF");
    }
    try {
        return read(tif.get(), file);
    } catch (const std::bad_alloc&) {
        return {TiffOutcome::TooLarge, "out of memory"};
    }
}

}  // namespace

TiffResult readTiff(const std::uint8_t* data, std::size_t size, DecodedPhoto& photo) {
    return withTiff(data, size,
                    [&photo](TIFF* tif, MemoryFile& file) { return decode(tif, file, photo); });
}

TiffResult readTiffPages(const std::uint8_t* data, std::size_t size, DecodedPhoto& photo,
                         std::int64_t& pages) {
    return withTiff(data, size, [&](TIFF* tif, MemoryFile& file) {
        return decodePages(tif, file, photo, pages);
    });
}

}  // namespace glint::picture
