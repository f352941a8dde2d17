#include "PictureStream.h"

#include <QtEndian>

#include "BmpDecoder.h"
#include "LoadLimits.h"
#include "PngDecoder.h"
#include "PnmDecoder.h"

namespace glint {

namespace {

constexpr int kSignatureBytes = 2;
// A bitmap's file header: "BM", the file's size (32 bits, little-endian), then the rest.
constexpr qint64 kBmpFileHeaderBytes = 14;
constexpr int kBmpSizeAt = 2;
constexpr char kPngSignature[] = "\x89PNG\r\n\x1a\n";
constexpr qint64 kPngSignatureBytes = 8;
// A PNG chunk: length (32 bits, big-endian) and type, its data, then a CRC.
constexpr qint64 kChunkHeadBytes = 8;
constexpr qint64 kChunkCrcBytes = 4;
constexpr qint64 kMaxChunkBytes = 0x7FFFFFFF;

// Appends exactly `bytes` bytes of `stream` to `into`, waiting for them as long as the stream
// can deliver more; false when it ends first.
bool readExactly(QIODevice& stream, qint64 bytes, QByteArray& into) {
    const qsizetype start = into.size();
    into.resize(start + bytes);
    qint64 done = 0;
    while (done < bytes) {
        const qint64 got = stream.read(into.data() + start + done, bytes - done);
        if (got < 0) return false;
        if (got == 0 && !stream.waitForReadyRead(-1) && stream.atEnd()) return false;
        done += got;
    }
    return true;
}

Status cut(const char* format) {
    return Status::failure(std::string("damaged ") + format + ": the stream ends inside it");
}

Status readBmp(QIODevice& stream, QImage& picture) {
    QByteArray file;
    if (!readExactly(stream, kBmpFileHeaderBytes, file)) return cut("bitmap");
    const auto size =
        static_cast<qint64>(qFromLittleEndian<quint32>(file.constData() + kBmpSizeAt));
    if (size <= kBmpFileHeaderBytes || size > kMaxPictureFileBytes)
        return Status::failure("damaged bitmap: its header gives no file size");
    if (!readExactly(stream, size - kBmpFileHeaderBytes, file)) return cut("bitmap");
    return kBmpDecoder.decode(file, picture);
}

Status readPng(QIODevice& stream, QImage& picture) {
    QByteArray file;
    if (!readExactly(stream, kPngSignatureBytes, file) ||
        !file.startsWith(QByteArrayView(kPngSignature, kPngSignatureBytes)))
        return cut("PNG");
    for (;;) {
        const qsizetype at = file.size();
        if (!readExactly(stream, kChunkHeadBytes, file)) return cut("PNG");
        const auto length = static_cast<qint64>(qFromBigEndian<quint32>(file.constData() + at));
        const bool end = QByteArrayView(file).sliced(at + 4, 4) == "IEND";
        if (length > kMaxChunkBytes || file.size() + length > kMaxPictureFileBytes)
            return Status::failure("damaged PNG: a chunk is too long");
        if (!readExactly(stream, length + kChunkCrcBytes, file)) return cut("PNG");
        if (end) return kPngDecoder.decode(file, picture);
    }
}

}  // namespace

Status readStreamPicture(QIODevice& stream, QImage& picture, StreamRead& read) {
    QByteArray head = stream.peek(kSignatureBytes);
    for (qsizetype before = -1; head.size() < kSignatureBytes && head.size() != before;) {
        before = head.size();
        stream.waitForReadyRead(-1);
        head = stream.peek(kSignatureBytes);
    }
    if (head.isEmpty()) {
        read = StreamRead::End;
        return Status::ok();
    }
    read = StreamRead::Picture;
    if (head.size() == kSignatureBytes && head[0] == 'P' && head[1] >= '1' && head[1] <= '7')
        return readPnmPicture(stream, picture);
    if (head == "BM") return readBmp(stream, picture);
    if (head == QByteArrayView(kPngSignature, kSignatureBytes)) return readPng(stream, picture);
    return Status::failure("not a netpbm, bmp or png picture");
}

}  // namespace glint
