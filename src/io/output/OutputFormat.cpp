#include "OutputFormat.h"

#include <QFileInfo>

#include "BmpFormat.h"
#include "EncoderSettings.h"

namespace glint {

namespace {
// Peak memory of a webp encode with libwebp 1.2, per pixel, with the picture held as
// WebpRowSink holds it, measured on scan-line results of 4096x4096 to 10240x10240 pixels:
// lossy, 1.6 to 2 bytes (YUV 4:2:0 and the encoder's rows and bitstream, any method);
// lossless, 32-bit ARGB and the encoder's transforms and hash chains, 13 to 17 bytes at the
// levels up to 7 and 24 to 25 at levels 8 and 9 (methods 5 and 6).
constexpr std::int64_t kLossyWebpBytesPerPixel = 2;
constexpr std::int64_t kLosslessWebpBytesPerPixel = 18;
constexpr std::int64_t kThoroughLosslessWebpBytesPerPixel = 25;
constexpr int kFirstThoroughLosslessEffort = 8;
}  // namespace

std::optional<OutputFormat> formatForPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty() || suffix == "bmp") return OutputFormat::Bmp;
    if (suffix == "png") return OutputFormat::Png;
    if (suffix == "jpg" || suffix == "jpeg") return OutputFormat::Jpeg;
    if (suffix == "tif" || suffix == "tiff") return OutputFormat::Tiff;
    if (suffix == "webp") return OutputFormat::Webp;
    if (suffix == "gif") return OutputFormat::Gif;
    if (suffix == "ppm") return OutputFormat::Ppm;
    return std::nullopt;
}

QString supportedFormatList() { return QStringLiteral("bmp, png, jpg, tiff, webp, gif, ppm"); }

const char* formatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp:
            return "bmp";
        case OutputFormat::Png:
            return "png";
        case OutputFormat::Jpeg:
            return "jpg";
        case OutputFormat::Tiff:
            return "tiff";
        case OutputFormat::Webp:
            return "webp";
        case OutputFormat::Gif:
            return "gif";
        case OutputFormat::Ppm:
            return "ppm";
    }
    return "bmp";
}

bool isStreamed(OutputFormat format) {
    return format != OutputFormat::Webp && format != OutputFormat::Gif;
}

bool holdsFrames(OutputFormat format) {
    return format == OutputFormat::Gif || format == OutputFormat::Webp ||
           format == OutputFormat::Tiff;
}

std::int64_t webpEncodeBytes(std::int64_t width, std::int64_t height,
                             const EncoderSettings& settings) {
    std::int64_t perPixel = kLossyWebpBytesPerPixel;
    if (settings.lossless) {
        perPixel = effortOf(OutputFormat::Webp, settings) >= kFirstThoroughLosslessEffort
                       ? kThoroughLosslessWebpBytesPerPixel
                       : kLosslessWebpBytesPerPixel;
    }
    return width * height * perPixel;
}

QString outputLimitProblem(OutputFormat format, bool streamed, std::int64_t width,
                           std::int64_t height, const EncoderSettings& settings) {
    const QString what =
        QStringLiteral("the output, %1x%2 pixels, is over ").arg(width).arg(height);
    if (width > kMaxSide || height > kMaxSide) {
        return what + QStringLiteral("the limit of %1 pixels per side").arg(kMaxSide);
    }
    if (format == OutputFormat::Jpeg && (width > kMaxJpegSide || height > kMaxJpegSide)) {
        return what + QStringLiteral("the jpg limit of %1 pixels per side").arg(kMaxJpegSide);
    }
    if (format == OutputFormat::Webp && (width > kMaxWebpSide || height > kMaxWebpSide)) {
        return what + QStringLiteral("the webp limit of %1 pixels per side").arg(kMaxWebpSide);
    }
    if (format == OutputFormat::Gif && (width > kMaxGifSide || height > kMaxGifSide)) {
        return what + QStringLiteral("the gif limit of %1 pixels per side").arg(kMaxGifSide);
    }
    // A gif frame is rendered whole and kept to compare the next frame with.
    if (format == OutputFormat::Gif && width * height * 4 * 2 > kMaxInMemoryBytes) {
        return what + QStringLiteral(
                          "the in-memory limit of 2 GiB: gif frames are written "
                          "whole, which needs about %1 MiB")
                          .arg(width * height * 8 >> 20);
    }
    if (!streamed && width * height * 4 > kMaxInMemoryBytes) {
        return what + QStringLiteral(
                          "the in-memory limit of 2 GiB of 32-bit pixels "
                          "(%1 is written from a whole picture)")
                          .arg(QString::fromLatin1(formatName(format)));
    }
    if (streamed && format == OutputFormat::Webp) {
        const std::int64_t need = webpEncodeBytes(width, height, settings);
        if (need > kMaxInMemoryBytes) {
            return what + QStringLiteral(
                              "the in-memory limit of 2 GiB: %1webp is encoded "
                              "from the whole picture, which needs about %2 MiB")
                              .arg(settings.lossless ? QStringLiteral("lossless ") : QString())
                              .arg(need >> 20);
        }
    }
    if (format == OutputFormat::Bmp && !bmpFits(width, height)) {
        return what + QStringLiteral("the bitmap file limit of 4 GiB");
    }
    return {};
}

}  // namespace glint
