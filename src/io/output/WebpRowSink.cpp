#include "WebpRowSink.h"

#include <webp/encode.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <string>

#include "MemoryBudget.h"

namespace glint {

namespace {

// Rows converted to YUV at a time: an even count, so that every pair of rows that shares its
// chroma samples is converted together, as in a conversion of the whole picture.
constexpr std::int32_t kConvertRows = 16;
constexpr std::uint32_t kOpaque = 0xFF000000u;
// libwebp's methods without rate-distortion optimisation (0 to 2): on scan-line pictures
// spatial noise shaping makes their files larger for no better PSNR or SSIM, so it is off.
constexpr int kLastFastMethod = 2;

// Imports `rows` rows of 0xAARRGGBB words into `picture`'s own YUV planes.
bool importRows(WebPPicture& picture, const std::uint32_t* pixels, std::int32_t stride) {
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(pixels);
    const int byteStride = stride * 4;
    if constexpr (std::endian::native == std::endian::little) {
        return WebPPictureImportBGRX(&picture, bytes, byteStride) != 0;
    } else {
        // The words lie as A, R, G, B: from the second byte on, R, G, B and an ignored byte.
        return WebPPictureImportRGBX(&picture, bytes + 1, byteStride) != 0;
    }
}

void copyPlane(std::uint8_t* to, int toStride, const std::uint8_t* from, int fromStride, int width,
               int rows) {
    for (int y = 0; y < rows; ++y) {
        std::memcpy(to + static_cast<std::ptrdiff_t>(y) * toStride,
                    from + static_cast<std::ptrdiff_t>(y) * fromStride,
                    static_cast<std::size_t>(width));
    }
}

int writeBytes(const std::uint8_t* data, size_t size, const WebPPicture* picture) {
    auto& device = *static_cast<QIODevice*>(picture->custom_ptr);
    const auto length = static_cast<qint64>(size);
    return device.write(reinterpret_cast<const char*>(data), length) == length ? 1 : 0;
}

std::string encoderError(WebPEncodingError code) {
    switch (code) {
        case VP8_ENC_ERROR_OUT_OF_MEMORY:
        case VP8_ENC_ERROR_BITSTREAM_OUT_OF_MEMORY:
            return "out of memory";
        case VP8_ENC_ERROR_PARTITION0_OVERFLOW:
        case VP8_ENC_ERROR_PARTITION_OVERFLOW:
            return "the picture is too large for lossy webp";
        case VP8_ENC_ERROR_FILE_TOO_BIG:
            return "the file would be over 4 GiB";
        default:
            return "error " + std::to_string(static_cast<int>(code));
    }
}

}  // namespace

WebpRowSink::WebpRowSink(const EncoderSettings& settings)
    : EncodingSink("webp"), settings_(settings) {}

WebpRowSink::WebpRowSink(const EncoderSettings& settings, QIODevice& device)
    : EncodingSink("webp", device), settings_(settings) {}

WebpRowSink::~WebpRowSink() { cancel(); }

void WebpRowSink::releaseEncoder() {
    if (picture_) WebPPictureFree(picture_.get());
    picture_.reset();
    staged_ = {};
    if (budgetTaken_ > 0) MemoryBudget::wholePictures().give(budgetTaken_);
    budgetTaken_ = 0;
}

Status WebpRowSink::open(const QString& fileName, std::int32_t width, std::int32_t height) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty webp picture");
    if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION) {
        return Status::failure("picture is too large for webp");
    }
    rows_.start(width, height);
    stagedFirst_ = 0;
    stagedRows_ = 0;
    budgetTaken_ = webpEncodeBytes(width, height, settings_);
    MemoryBudget::wholePictures().take(budgetTaken_);
    picture_ = std::make_unique<WebPPicture>();
    if (!WebPPictureInit(picture_.get())) {
        picture_.reset();
        cancel();
        return Status::failure("the webp library does not match the one built with");
    }
    picture_->width = width;
    picture_->height = height;
    picture_->use_argb = settings_.lossless ? 1 : 0;
    if (!WebPPictureAlloc(picture_.get())) {
        cancel();
        return Status::failure("no memory for the webp picture");
    }
    if (!settings_.lossless) staged_.resize(static_cast<std::size_t>(width) * kConvertRows);
    if (Status st = target_.open(fileName); st.failed()) {
        cancel();
        return st;
    }
    return Status::ok();
}

Status WebpRowSink::convertStaged() {
    if (stagedRows_ == 0) return Status::ok();
    WebPPicture chunk;
    if (!WebPPictureInit(&chunk)) return Status::failure("cannot convert webp rows");
    chunk.width = picture_->width;
    chunk.height = stagedRows_;
    const bool ok = importRows(chunk, staged_.data(), picture_->width);
    if (ok) {
        const int chromaWidth = (picture_->width + 1) / 2;
        const int chromaFirst = stagedFirst_ / 2;
        const int chromaRows = (stagedRows_ + 1) / 2;
        copyPlane(picture_->y + static_cast<std::ptrdiff_t>(stagedFirst_) * picture_->y_stride,
                  picture_->y_stride, chunk.y, chunk.y_stride, picture_->width, stagedRows_);
        copyPlane(picture_->u + static_cast<std::ptrdiff_t>(chromaFirst) * picture_->uv_stride,
                  picture_->uv_stride, chunk.u, chunk.uv_stride, chromaWidth, chromaRows);
        copyPlane(picture_->v + static_cast<std::ptrdiff_t>(chromaFirst) * picture_->uv_stride,
                  picture_->uv_stride, chunk.v, chunk.uv_stride, chromaWidth, chromaRows);
    }
    WebPPictureFree(&chunk);
    stagedFirst_ += stagedRows_;
    stagedRows_ = 0;
    return ok ? Status::ok() : Status::failure("no memory to convert webp rows");
}

Status WebpRowSink::writeRows(std::int32_t firstRow, const ConstPixelView& rows) {
    if (!picture_) return Status::failure("webp file is not open");
    if (Status st = rows_.accept(firstRow, rows, "webp"); st.failed()) return st;
    const auto width = static_cast<std::size_t>(rows.width);
    for (std::int32_t y = 0; y < rows.height; ++y) {
        const std::uint32_t* from = rows.row(y);
        std::uint32_t* to =
            settings_.lossless
                ? picture_->argb + static_cast<std::ptrdiff_t>(firstRow + y) * picture_->argb_stride
                : staged_.data() + width * static_cast<std::size_t>(stagedRows_);
        std::transform(from, from + width, to, [](std::uint32_t p) { return p | kOpaque; });
        if (!settings_.lossless && ++stagedRows_ == kConvertRows) {
            if (Status st = convertStaged(); st.failed()) {
                rows_.fail();
                return st;
            }
        }
    }
    rows_.advance(rows.height);
    return Status::ok();
}

Status WebpRowSink::encode() {
    WebPConfig config;
    if (!WebPConfigInit(&config)) return Status::failure("cannot set up the webp encoder");
    const int effort = effortOf(OutputFormat::Webp, settings_);
    if (settings_.lossless) {
        WebPConfigLosslessPreset(&config, effort);
    } else {
        config.quality = static_cast<float>(qualityOf(OutputFormat::Webp, settings_));
        config.method = effort;
        if (effort <= kLastFastMethod) config.sns_strength = 0;
    }
    picture_->writer = &writeBytes;
    picture_->custom_ptr = &target_.device();
    if (WebPEncode(&config, picture_.get())) return Status::ok();
    if (picture_->error_code == VP8_ENC_ERROR_BAD_WRITE) {
        return Status::failure(target_.device().errorString().toStdString());
    }
    return Status::failure("cannot encode the webp file: " + encoderError(picture_->error_code));
}

Status WebpRowSink::finishEncoding() {
    if (!settings_.lossless) {
        if (Status st = convertStaged(); st.failed()) return st;
    }
    return encode();
}

}  // namespace glint
