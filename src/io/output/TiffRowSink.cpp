#include "TiffRowSink.h"

#include <tiffio.h>

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <limits>

namespace glint {

namespace {

constexpr std::int64_t kStripBytes = std::int64_t{1} << 20;
constexpr int kSamples = 3;
constexpr int kBitsPerSample = 8;
constexpr float kDotsPerInch = 96.0f;  // as Qt's writer stored a new picture's density
// A deflated strip may come out a little larger than its rows; the directory needs room too.
constexpr std::int64_t kClassicTiffBytes = std::numeric_limits<std::uint32_t>::max();
constexpr std::int64_t kDirectoryRoom = std::int64_t{1} << 20;
constexpr std::int64_t kDeflateGrowthDivisor = 64;

// libtiff's file procedures over the QIODevice the handle points to.
QIODevice& deviceOf(thandle_t handle) { return *static_cast<QIODevice*>(handle); }

tmsize_t readProc(thandle_t handle, void* data, tmsize_t size) {
    return deviceOf(handle).read(static_cast<char*>(data), size);
}

tmsize_t writeProc(thandle_t handle, void* data, tmsize_t size) {
    return deviceOf(handle).write(static_cast<const char*>(data), size);
}

toff_t seekProc(thandle_t handle, toff_t offset, int whence) {
    QIODevice& device = deviceOf(handle);
    qint64 base = 0;
    if (whence == SEEK_CUR) base = device.pos();
    if (whence == SEEK_END) base = device.size();
    const qint64 target = base + static_cast<qint64>(offset);
    if (target < 0 || !device.seek(target)) return static_cast<toff_t>(-1);
    return static_cast<toff_t>(target);
}

int closeProc(thandle_t) { return 0; }  // the sink's SinkDevice owns the device

toff_t sizeProc(thandle_t handle) { return static_cast<toff_t>(deviceOf(handle).size()); }

int mapProc(thandle_t, void**, toff_t*) { return 0; }  // never mapped

void unmapProc(thandle_t, void*, toff_t) {}

// Keeps libtiff's first error message in the std::string `user` points to.
int keepError(TIFF*, void* user, const char* module, const char* format, va_list args) {
    auto& kept = *static_cast<std::string*>(user);
    if (kept.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof(text), format, args);
        kept = std::string(module ? module : "libtiff") + ": " + text;
    }
    return 1;  // handled: nothing goes to standard error
}

int ignoreWarning(TIFF*, void*, const char*, const char*, va_list) { return 1; }

bool setTags(TIFF* tiff, std::int32_t width, std::int32_t height, int effort) {
    const std::int64_t rowBytes = std::int64_t{width} * kSamples;
    const auto stripRows =
        static_cast<std::uint32_t>(std::max<std::int64_t>(1, kStripBytes / rowBytes));
    bool ok = TIFFSetField(tiff, TIFFTAG_IMAGEWIDTH, static_cast<std::uint32_t>(width)) &&
              TIFFSetField(tiff, TIFFTAG_IMAGELENGTH, static_cast<std::uint32_t>(height)) &&
              TIFFSetField(tiff, TIFFTAG_PLANARCONFIG, PLANARCONFIG_CONTIG) &&
              TIFFSetField(tiff, TIFFTAG_PHOTOMETRIC, PHOTOMETRIC_RGB) &&
              TIFFSetField(tiff, TIFFTAG_SAMPLESPERPIXEL, kSamples) &&
              TIFFSetField(tiff, TIFFTAG_BITSPERSAMPLE, kBitsPerSample) &&
              TIFFSetField(tiff, TIFFTAG_ORIENTATION, ORIENTATION_TOPLEFT) &&
              TIFFSetField(tiff, TIFFTAG_ROWSPERSTRIP, stripRows) &&
              TIFFSetField(tiff, TIFFTAG_RESOLUTIONUNIT, RESUNIT_INCH) &&
              TIFFSetField(tiff, TIFFTAG_XRESOLUTION, kDotsPerInch) &&
              TIFFSetField(tiff, TIFFTAG_YRESOLUTION, kDotsPerInch);
    if (effort == 0) return ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_NONE);
    return ok && TIFFSetField(tiff, TIFFTAG_COMPRESSION, COMPRESSION_ADOBE_DEFLATE) &&
           TIFFSetField(tiff, TIFFTAG_ZIPQUALITY, effort) &&
           TIFFSetField(tiff, TIFFTAG_PREDICTOR, PREDICTOR_HORIZONTAL);
}

// "w8" (BigTIFF) when the file could pass the 4 GiB offsets of a classic tiff.
const char* openMode(std::int32_t width, std::int32_t height) {
    const std::int64_t pixels = std::int64_t{width} * height * kSamples;
    const std::int64_t most = pixels + pixels / kDeflateGrowthDivisor + kDirectoryRoom;
    return most > kClassicTiffBytes ? "w8" : "w";
}

}  // namespace

TiffRowSink::TiffRowSink(int effort) : EncodingSink("tiff"), effort_(effort) {}

TiffRowSink::TiffRowSink(int effort, QIODevice& device)
    : EncodingSink("tiff", device, SinkDevice::Access::Seeking), effort_(effort) {}

TiffRowSink::~TiffRowSink() { cancel(); }

Status TiffRowSink::failure(const char* what) {
    rows_.fail();
    return Status::failure(std::string(what) + (tiffError_.empty() ? "" : ": " + tiffError_));
}

void TiffRowSink::releaseEncoder() {
    // Closing also writes what libtiff holds; the file is dropped or kept after this.
    if (tiff_ != nullptr) TIFFClose(tiff_);
    tiff_ = nullptr;
}

Status TiffRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty tiff picture");
    rows_.start(width, height);
    tiffError_.clear();
    if (Status st = target_.open(fileName); st.failed()) return st;
    TIFFOpenOptions* options = TIFFOpenOptionsAlloc();
    if (options == nullptr) {
        cancel();
        return Status::failure("no memory for the tiff writer");
    }
    TIFFOpenOptionsSetErrorHandlerExtR(options, &keepError, &tiffError_);
    TIFFOpenOptionsSetWarningHandlerExtR(options, &ignoreWarning, nullptr);
    tiff_ = TIFFClientOpenExt("output", openMode(width, height), &target_.device(), &readProc,
                              &writeProc, &seekProc, &closeProc, &sizeProc, &mapProc, &unmapProc,
                              options);
    TIFFOpenOptionsFree(options);
    if (tiff_ == nullptr || !setTags(tiff_, width, height, effort_)) {
        Status st = failure("cannot start the tiff file");
        cancel();
        return st;
    }
    row_.resize(static_cast<std::size_t>(width) * kSamples);
    return Status::ok();
}

Status TiffRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (tiff_ == nullptr) return Status::failure("tiff file is not open");
    if (Status st = rows_.accept(firstRow, rows, "tiff"); st.failed()) return st;
    for (std::int32_t y = 0; y < rows.height; ++y) {
        const std::uint32_t* pixels = rows.row(y);
        unsigned char* out = row_.data();
        for (std::int32_t x = 0; x < rows.width; ++x, out += kSamples) {
            out[0] = static_cast<unsigned char>(pixels[x] >> 16);
            out[1] = static_cast<unsigned char>(pixels[x] >> 8);
            out[2] = static_cast<unsigned char>(pixels[x]);
        }
        if (TIFFWriteScanline(tiff_, row_.data(), static_cast<std::uint32_t>(rows_.written()), 0) !=
            1)
            return failure("cannot write a tiff row");
        rows_.advance(1);
    }
    return Status::ok();
}

Status TiffRowSink::finishEncoding() {
    if (TIFFFlush(tiff_) == 1) return Status::ok();
    return failure("cannot finish the tiff file");
}

}  // namespace glint
