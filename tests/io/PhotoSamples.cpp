#include "PhotoSamples.h"

#include <libheif/heif.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>
#include <QProcess>
#include <QStandardPaths>
#include <array>
#include <cstring>

namespace glint::test {
namespace {

constexpr int kToolTimeoutMs = 60000;
constexpr std::uint32_t kWebpExifFlag = 0x08;

QByteArray be32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v >> 24), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 8), static_cast<char>(v)};
    return QByteArray(b, 4);
}
QByteArray le32(std::uint32_t v) {
    const char b[4] = {static_cast<char>(v), static_cast<char>(v >> 8), static_cast<char>(v >> 16),
                       static_cast<char>(v >> 24)};
    return QByteArray(b, 4);
}

std::uint32_t be32Value(const QByteArray& b) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = v << 8 | static_cast<unsigned char>(b[i]);
    return v;
}

std::uint32_t crc32(const QByteArray& bytes) {
    std::uint32_t crc = 0xffffffffu;
    for (const char c : bytes) {
        crc ^= static_cast<unsigned char>(c);
        for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xedb88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

}  // namespace

QByteArray exifTiff(int orientation) {
    QByteArray tiff("MM\0*", 4);
    tiff += be32(8);                                  // first directory
    tiff += QByteArray::fromHex("0001");              // one entry
    tiff += QByteArray::fromHex("0112000300000001");  // orientation, SHORT, count 1
    tiff += '\0';
    tiff += static_cast<char>(orientation);
    tiff += QByteArray(2, '\0');
    tiff += be32(0);  // no next directory
    return tiff;
}

QByteArray jpegWithOrientation(const QByteArray& jpeg, int orientation) {
    const QByteArray payload = QByteArray("Exif\0\0", 6) + exifTiff(orientation);
    const auto length = static_cast<unsigned>(payload.size() + 2);
    const QByteArray segment = QByteArray("\xff\xe1") + static_cast<char>(length >> 8) +
                               static_cast<char>(length & 0xff) + payload;
    return jpeg.left(2) + segment + jpeg.mid(2);
}

QByteArray pngWithChunk(const QByteArray& png, const char* type, const QByteArray& data) {
    constexpr int kAfterHeader = 8 + 25;  // signature, IHDR chunk
    const QByteArray typed = type + data;
    const QByteArray chunk =
        be32(static_cast<std::uint32_t>(data.size())) + typed + be32(crc32(typed));
    return png.left(kAfterHeader) + chunk + png.mid(kAfterHeader);
}

QByteArray pngWithOrientation(const QByteArray& png, int orientation) {
    return pngWithChunk(png, "eXIf", exifTiff(orientation));
}

QByteArray webpWithOrientation(const QByteArray& webp, QSize size, int orientation) {
    QByteArray vp8x = "VP8X" + le32(10) + le32(kWebpExifFlag);  // flags, three reserved bytes
    const auto w = static_cast<std::uint32_t>(size.width() - 1);
    const auto h = static_cast<std::uint32_t>(size.height() - 1);
    vp8x += le32(w).left(3) + le32(h).left(3);
    QByteArray exif = exifTiff(orientation);
    const QByteArray exifChunk = "EXIF" + le32(static_cast<std::uint32_t>(exif.size())) + exif +
                                 (exif.size() % 2 ? QByteArray(1, '\0') : QByteArray());
    const QByteArray body = "WEBP" + vp8x + webp.mid(12) + exifChunk;
    return "RIFF" + le32(static_cast<std::uint32_t>(body.size())) + body;
}

QByteArray tiffWithOrientation(const QImage& image, int orientation) {
    // The writer records these transformations as orientations 1..8, in this order.
    constexpr std::array<QImageIOHandler::Transformations, 8> kTransformations = {
        QImageIOHandler::TransformationNone,
        QImageIOHandler::TransformationMirror,
        QImageIOHandler::TransformationRotate180,
        QImageIOHandler::TransformationFlip,
        QImageIOHandler::TransformationFlipAndRotate90,
        QImageIOHandler::TransformationRotate90,
        QImageIOHandler::TransformationMirrorAndRotate90,
        QImageIOHandler::TransformationRotate270};
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "tiff");
    writer.setTransformation(kTransformations.at(static_cast<size_t>(orientation - 1)));
    EXPECT_TRUE(writer.write(image)) << writer.errorString().toStdString();
    return bytes;
}

bool writeHeif(const QImage& image, int orientation, const QString& path) {
    const QImage rgb = image.convertToFormat(QImage::Format_RGB888);
    heif_context* context = heif_context_alloc();
    heif_encoder* encoder = nullptr;
    heif_image* picture = nullptr;
    heif_encoding_options* options = heif_encoding_options_alloc();
    bool ok = heif_context_get_encoder_for_format(context, heif_compression_HEVC, &encoder).code ==
                  heif_error_Ok &&
              heif_encoder_set_lossy_quality(encoder, 90).code == heif_error_Ok &&
              heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB,
                                heif_chroma_interleaved_RGB, &picture)
                      .code == heif_error_Ok &&
              heif_image_add_plane(picture, heif_channel_interleaved, rgb.width(), rgb.height(), 8)
                      .code == heif_error_Ok;
    if (ok) {
        int stride = 0;
        std::uint8_t* plane = heif_image_get_plane(picture, heif_channel_interleaved, &stride);
        for (int y = 0; y < rgb.height(); ++y)
            std::memcpy(plane + y * stride, rgb.constScanLine(y),
                        static_cast<size_t>(rgb.width()) * 3);
        options->image_orientation = static_cast<heif_orientation>(orientation);
        ok = heif_context_encode_image(context, picture, encoder, options, nullptr).code ==
                 heif_error_Ok &&
             heif_context_write_to_file(context, path.toLocal8Bit().constData()).code ==
                 heif_error_Ok;
    }
    heif_encoding_options_free(options);
    if (picture) heif_image_release(picture);
    if (encoder) heif_encoder_release(encoder);
    heif_context_free(context);
    return ok;
}

QByteArray withRenamedBox(QByteArray file, const char* inside, const char* from, const char* to) {
    const qsizetype start = file.indexOf(inside);
    const qsizetype at = start < 0 ? -1 : file.indexOf(from, start);
    if (at >= 0) file.replace(at, 4, to);
    return file;
}

QByteArray withoutStillImage(const QByteArray& avifSequence) {
    const QByteArray stripped = withRenamedBox(avifSequence, "meta", "meta", "free");
    const auto ftypEnd = static_cast<qsizetype>(be32Value(stripped));  // the file type box is first
    QByteArray fileType = stripped.left(ftypEnd);
    fileType.replace("avif", "iso8");
    return fileType + stripped.mid(ftypEnd);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

::testing::AssertionResult runTool(const QString& program, const QStringList& arguments,
                                   const QString& folder) {
    // The tools come with the packages the dependency script installs: a missing one fails.
    const QString found = QStandardPaths::findExecutable(program);
    if (found.isEmpty())
        return ::testing::AssertionFailure() << program.toStdString() << " is not installed";
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setWorkingDirectory(folder);
    process.start(found, arguments);
    if (!process.waitForFinished(kToolTimeoutMs) || process.exitStatus() != QProcess::NormalExit ||
        process.exitCode() != 0)
        return ::testing::AssertionFailure()
               << program.toStdString() << " " << arguments.join(' ').toStdString()
               << " failed: " << process.readAll().toStdString();
    return ::testing::AssertionSuccess();
}

}  // namespace glint::test
