#include "MetafileOutputReader.h"

#include <cstdint>
#include <cstring>

#include "io/decode/LoadLimits.h"

namespace glint {
namespace {

constexpr int kBytesPerPixel = 4;
constexpr std::uint32_t kOpaque = 0xff000000u;

std::uint32_t hostU32(const char* at) {
    std::uint32_t v = 0;
    std::memcpy(&v, at, sizeof v);
    return v;
}

}  // namespace

bool MetafileOutputReader::takeHeader() {
    if (std::memcmp(header_, kMetafileMagic, sizeof kMetafileMagic) != 0) {
        error_ = "metafile helper gave no picture";
        return false;
    }
    const std::int64_t width = hostU32(header_ + 4);
    const std::int64_t height = hostU32(header_ + 8);
    if (!pictureSizeAccepted(width, height) || width * height > kMaxMetafilePixels) {
        error_ = "metafile picture is too large";
        return false;
    }
    image_ = QImage(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    pixelBytes_ = width * height * kBytesPerPixel;
    // Rows of 32-bit pixels need no padding: the image's memory is the rows back to back.
    if (image_.isNull() || image_.sizeInBytes() != pixelBytes_) {
        image_ = QImage();
        error_ = "out of memory for the metafile picture";
        return false;
    }
    return true;
}

bool MetafileOutputReader::readFrom(QIODevice& device) {
    while (!error_ && device.bytesAvailable() > 0) {
        if (headerRead_ < kMetafileHeaderBytes) {
            const qint64 got =
                device.read(header_ + headerRead_, kMetafileHeaderBytes - headerRead_);
            if (got <= 0) break;
            headerRead_ += got;
            if (headerRead_ == kMetafileHeaderBytes && !takeHeader()) return false;
        } else if (pixelBytesRead_ < pixelBytes_) {
            char* into = reinterpret_cast<char*>(image_.bits()) + pixelBytesRead_;
            const qint64 got = device.read(into, pixelBytes_ - pixelBytesRead_);
            if (got <= 0) break;
            pixelBytesRead_ += got;
        } else {
            error_ = "metafile helper wrote too much";
        }
    }
    return !error_;
}

const char* MetafileOutputReader::error() const {
    if (error_) return error_;
    if (headerRead_ < kMetafileHeaderBytes) return "metafile helper gave no picture";
    if (!complete()) return "metafile helper output is incomplete";
    return "";
}

QImage MetafileOutputReader::takePicture() {
    if (error_ || !complete()) return {};
    auto* pixel = reinterpret_cast<std::uint32_t*>(image_.bits());
    const qint64 count = pixelBytes_ / kBytesPerPixel;
    for (qint64 i = 0; i < count; ++i) pixel[i] |= kOpaque;
    return std::move(image_);
}

}  // namespace glint
