#include "EncoderSettings.h"

namespace glint {

namespace {
constexpr int kMaxDeflateEffort = 9;       // zlib levels, png and tiff
constexpr int kMaxLossyWebpEffort = 6;     // libwebp's methods
constexpr int kMaxLosslessWebpEffort = 9;  // libwebp's lossless levels

QString name(OutputFormat format) { return QString::fromLatin1(formatName(format)); }
}  // namespace

bool takesQuality(OutputFormat format, bool lossless) {
    return format == OutputFormat::Jpeg || (format == OutputFormat::Webp && !lossless);
}

int maxEffort(OutputFormat format, bool lossless) {
    switch (format) {
        case OutputFormat::Png:
        case OutputFormat::Tiff:
            return kMaxDeflateEffort;
        case OutputFormat::Webp:
            return lossless ? kMaxLosslessWebpEffort : kMaxLossyWebpEffort;
        case OutputFormat::Bmp:
        case OutputFormat::Jpeg:
            break;
    }
    return -1;
}

int qualityOf(OutputFormat format, const EncoderSettings& settings) {
    if (settings.quality) return *settings.quality;
    return format == OutputFormat::Jpeg ? kDefaultJpegQuality : kDefaultWebpQuality;
}

int effortOf(OutputFormat format, const EncoderSettings& settings) {
    if (settings.effort) return *settings.effort;
    switch (format) {
        case OutputFormat::Png:
            return kDefaultPngEffort;
        case OutputFormat::Tiff:
            return kDefaultTiffEffort;
        case OutputFormat::Webp:
            return settings.lossless ? kDefaultLosslessWebpEffort : kDefaultWebpEffort;
        case OutputFormat::Bmp:
        case OutputFormat::Jpeg:
            break;
    }
    return 0;
}

QString settingsProblem(OutputFormat format, const EncoderSettings& settings) {
    if (settings.lossless && format != OutputFormat::Webp) {
        return QStringLiteral("--lossless applies to webp outputs, not %1").arg(name(format));
    }
    if (settings.quality) {
        if (!takesQuality(format, settings.lossless)) {
            return format == OutputFormat::Webp
                       ? QStringLiteral("--quality applies to lossy webp, not with --lossless")
                       : QStringLiteral("--quality applies to jpg and webp outputs, not %1")
                             .arg(name(format));
        }
        if (*settings.quality < 0 || *settings.quality > kMaxQuality) {
            return QStringLiteral("--quality must be a whole number from 0 to %1, not '%2'")
                .arg(kMaxQuality)
                .arg(*settings.quality);
        }
    }
    if (settings.effort) {
        const int most = maxEffort(format, settings.lossless);
        if (most < 0) {
            return QStringLiteral("--effort applies to png, tiff and webp outputs, not %1")
                .arg(name(format));
        }
        if (*settings.effort < 0 || *settings.effort > most) {
            return QStringLiteral("--effort for %1%2 must be a whole number from 0 to %3, not '%4'")
                .arg(name(format), settings.lossless ? QStringLiteral(" --lossless") : QString())
                .arg(most)
                .arg(*settings.effort);
        }
    }
    return {};
}

}  // namespace glint
