#include "PictureFormats.h"

#include <array>

#include "BmpDecoder.h"
#include "GifDecoder.h"
#include "IcoDecoder.h"
#include "JpegDecoder.h"
#include "MetafileProbe.h"
#include "PhotoProbe.h"
#include "PngDecoder.h"
#include "PnmDecoder.h"
#include "XbmDecoder.h"

namespace glint {
namespace {

static_assert(kFormatProbeBytes >= kMetafileProbeBytes && kFormatProbeBytes >= kPhotoProbeBytes);

// Bytes of a file's beginning searched for the size its header gives: a few first, more only
// when the header is not within them (a JPEG's frame header may follow metadata segments).
constexpr qint64 kHeaderFirstBytes = qint64{16} << 10;
constexpr qint64 kHeaderSearchBytes = qint64{256} << 10;

constexpr PictureFormat kEmf{"emf", DecodedBy::MetafileHelper, nullptr, nullptr};
constexpr PictureFormat kWmf{"wmf", DecodedBy::MetafileHelper, nullptr, nullptr};
constexpr PictureFormat kHeif{"heif", DecodedBy::PhotoHelper, nullptr, nullptr};
constexpr PictureFormat kJxl{"jxl", DecodedBy::PhotoHelper, nullptr, nullptr};
constexpr PictureFormat kOther{"other", DecodedBy::PictureHelper, nullptr, nullptr};
const std::array<PictureFormat, 7> kOwn{{
    {"jpeg", DecodedBy::Loader, &kJpegDecoder, nullptr},
    {"png", DecodedBy::Loader, &kPngDecoder, nullptr},
    {"bmp", DecodedBy::Loader, &kBmpDecoder, nullptr},
    {"gif", DecodedBy::Loader, &kGifDecoder, decodeGifFrames},
    {"ico", DecodedBy::Loader, &kIcoDecoder, nullptr},
    {"pnm", DecodedBy::Loader, &kPnmDecoder, nullptr},
    {"xbm", DecodedBy::Loader, &kXbmDecoder, nullptr},
}};

QByteArray bytesOf(QByteArrayView head) { return head.toByteArray(); }

QSize ownHeaderSize(const RasterDecoder& decoder, QIODevice& file) {
    if (!file.seek(0)) return kUnknownSize;
    QByteArray head = file.read(kHeaderFirstBytes);
    QSize size = decoder.headerSize(head);
    if (size == kUnknownSize && head.size() == kHeaderFirstBytes) {
        head += file.read(kHeaderSearchBytes - kHeaderFirstBytes);
        size = decoder.headerSize(head);
    }
    return size;
}

}  // namespace

const PictureFormat& pictureFormatFor(QByteArrayView head) {
    const QByteArray bytes =
        bytesOf(head.first(std::min<qsizetype>(head.size(), kFormatProbeBytes)));
    switch (metafileKind(bytes)) {
        case MetafileKind::Emf:
            return kEmf;
        case MetafileKind::Wmf:
            return kWmf;
        case MetafileKind::None:
            break;
    }
    switch (photoKind(bytes)) {
        case PhotoKind::Heif:
            return kHeif;
        case PhotoKind::Jxl:
            return kJxl;
        case PhotoKind::None:
            break;
    }
    for (const PictureFormat& format : kOwn)
        if (format.decoder->recognises(head)) return format;
    return kOther;
}

QSize storedHeaderSize(const PictureFormat& format, QIODevice& file, QByteArrayView head) {
    switch (format.decodedBy) {
        case DecodedBy::Loader:
            return ownHeaderSize(*format.decoder, file);
        case DecodedBy::MetafileHelper: {
            const QSize size = metafileSize(bytesOf(head));
            return size.isValid() ? size : kUnknownSize;
        }
        case DecodedBy::PhotoHelper:
        case DecodedBy::PictureHelper:
            break;
    }
    return kUnknownSize;
}

}  // namespace glint
