#include "OutputFormat.h"

#include <QFileInfo>
#include <QImageWriter>

#include "BmpFormat.h"

namespace glint {

std::optional<OutputFormat> formatForPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix.isEmpty() || suffix == "bmp") return OutputFormat::Bmp;
    if (suffix == "png") return OutputFormat::Png;
    if (suffix == "jpg" || suffix == "jpeg") return OutputFormat::Jpeg;
    if (suffix == "tif" || suffix == "tiff") return OutputFormat::Tiff;
    if (suffix == "webp") return OutputFormat::Webp;
    return std::nullopt;
}

QString supportedFormatList() { return QStringLiteral("bmp, png, jpg, tiff, webp"); }

const char* formatName(OutputFormat format) {
    switch (format) {
        case OutputFormat::Bmp: return "bmp";
        case OutputFormat::Png: return "png";
        case OutputFormat::Jpeg: return "jpg";
        case OutputFormat::Tiff: return "tiff";
        case OutputFormat::Webp: return "webp";
    }
    return "bmp";
}

bool isStreamed(OutputFormat format) {
    return format == OutputFormat::Bmp || format == OutputFormat::Png;
}

bool writerAvailable(OutputFormat format) {
    if (isStreamed(format)) return true;  // written by the program itself
    return QImageWriter::supportedImageFormats().contains(QByteArray(formatName(format)));
}

QString outputLimitProblem(OutputFormat format, bool streamed, std::int64_t width,
                           std::int64_t height) {
    const QString what = QStringLiteral("the output, %1x%2 pixels, is over ").arg(width).arg(height);
    if (width > kMaxSide || height > kMaxSide) {
        return what + QStringLiteral("the limit of %1 pixels per side").arg(kMaxSide);
    }
    if (format == OutputFormat::Jpeg && (width > kMaxJpegSide || height > kMaxJpegSide)) {
        return what + QStringLiteral("the jpg limit of %1 pixels per side").arg(kMaxJpegSide);
    }
    if (format == OutputFormat::Webp && (width > kMaxWebpSide || height > kMaxWebpSide)) {
        return what + QStringLiteral("the webp limit of %1 pixels per side").arg(kMaxWebpSide);
    }
    if (!streamed && width * height * 4 > kMaxInMemoryBytes) {
        return what + QStringLiteral("the in-memory limit of 2 GiB of 32-bit pixels "
                                     "(%1 is written from a whole picture)")
                          .arg(QString::fromLatin1(formatName(format)));
    }
    if (format == OutputFormat::Bmp && !bmpFits(width, height)) {
        return what + QStringLiteral("the bitmap file limit of 4 GiB");
    }
    return {};
}

}  // namespace glint
