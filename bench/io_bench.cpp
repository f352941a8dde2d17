// Picture exchange figures: loading a 4096 x 4096 JPEG and saving its scale-2 result
// (8192 x 8192) as a bitmap, each against plain file I/O of the same number of bytes in the
// same run. Prints "load/read: R" and "save/write: R" (best of several runs each), and the
// load against libjpeg-turbo's own `djpeg` decoding the same file ("load/djpeg", the floor;
// skipped when djpeg is not installed) and against Qt's JPEG reader, which does not check the
// data for damage ("load/qt-reader", the cost of the loader's checks). djpeg writes each row
// to a small buffer; the loader must also fill the whole picture's memory, so the floor is
// printed once more with a first fill of a new picture added ("load/(djpeg+fill)"). Then the
// same picture as PNG and bitmap, loaded against Qt's reader ("png load/qt-reader", ...).
#include <fcntl.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

#include "engine/RowKernel.h"
#include "io/decode/PictureLoader.h"
#include "io/output/PictureWriter.h"

namespace {

constexpr int kSide = 4096;
constexpr int kScale = 2;
constexpr int kRuns = 3;

// Best wall time of kRuns calls, in seconds.
double best(const std::function<void()>& work) {
    double fastest = 1e30;
    for (int i = 0; i < kRuns; ++i) {
        QElapsedTimer clock;
        clock.start();
        work();
        fastest = std::min(fastest, static_cast<double>(clock.nsecsElapsed()) * 1e-9);
    }
    return fastest;
}

// A photo-like picture: smooth gradients with some texture, so the JPEG is of a usual size.
QImage photo() {
    QImage image(kSide, kSide, QImage::Format_RGB32);
    for (int y = 0; y < kSide; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kSide; ++x)
            line[x] = qRgb((x / 16) & 0xff, (y / 16 + ((x * 7 + y * 13) & 31)) & 0xff,
                           ((x + y) / 32) & 0xff);
    }
    return image;
}

QImage scaledResult(const QImage& source) {
    QImage result(source.width() * kScale, source.height() * kScale, QImage::Format_RGB32);
    const glint::ConstPixelView src{reinterpret_cast<const std::uint32_t*>(source.constBits()),
                                    source.width(), source.height(), source.bytesPerLine() / 4};
    const glint::PixelView dst{reinterpret_cast<std::uint32_t*>(result.bits()), result.width(),
                               result.height(), result.bytesPerLine() / 4};
    const glint::RowValues values{kScale, 0x000000, 120, 60};
    for (int i = 0; i < source.height(); ++i)
        if (glint::drawSourceRow(src, i, source.width() - 1, values, dst).failed()) return {};
    return result;
}

// Decodes with Qt's own reader, the way the loader read JPEG, PNG and bitmaps before it
// decoded them itself: a 32-bit picture, damage ignored.
bool qtRead(const QString& file) {
    QImageReader reader(file);
    QImage image;
    if (!reader.read(&image)) return false;
    image.convertTo(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    return !image.isNull();
}

// The loader against Qt's reader for the other formats it decodes itself, at the same size.
bool compareWithQt(const QImage& picture, const QString& folder) {
    for (const char* format : {"png", "bmp"}) {
        const QString file = folder + "/photo." + format;
        if (!picture.save(file, format)) return false;
        QImage decoded;
        const double own = best([&] {
            if (glint::LoadPicture(file, decoded).failed()) std::exit(1);
        });
        const double qt = best([&] {
            if (!qtRead(file)) std::exit(1);
        });
        std::printf("%s: load %.3f s, qt reader %.3f s: %s load/qt-reader: %.2f\n", format, own, qt,
                    format, own / qt);
    }
    return true;
}

// libjpeg-turbo's command-line decoder, its output thrown away; includes its process start.
bool djpeg(const QString& program, const QString& file) {
    return QProcess::execute(program, {"-outfile", "/dev/null", file}) == 0;
}

bool readAllOf(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) && !f.readAll().isEmpty();
}

// Writes `bytes` in 1 MiB pieces and syncs, as the bitmap writer's commit does.
bool writePlain(const QString& file, qint64 bytes) {
    QFile f(file);
    if (!f.open(QIODevice::WriteOnly)) return false;
    const QByteArray piece(1 << 20, '\x5a');
    for (qint64 left = bytes; left > 0; left -= piece.size())
        if (f.write(piece.constData(), std::min<qint64>(left, piece.size())) < 0) return false;
    return f.flush() && ::fdatasync(f.handle()) == 0;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString jpeg = dir.filePath("photo.jpg");
    if (!photo().save(jpeg, "JPEG", 90)) return 1;
    const qint64 jpegBytes = QFileInfo(jpeg).size();

    QImage loaded;
    const double load = best([&] {
        if (glint::LoadPicture(jpeg, loaded).failed()) std::exit(1);
    });
    const double read = best([&] {
        if (!readAllOf(jpeg)) std::exit(1);
    });
    QImageReader::setAllocationLimit(1024);
    const double qtReader = best([&] {
        if (!qtRead(jpeg)) std::exit(1);
    });
    const double fill = best([&] {
        QImage fresh(kSide, kSide, QImage::Format_RGB32);
        fresh.fill(0u);
        if (fresh.isNull()) std::exit(1);
    });
    const QString djpegProgram = QStandardPaths::findExecutable("djpeg");
    const double floor = djpegProgram.isEmpty() ? 0 : best([&] {
        if (!djpeg(djpegProgram, jpeg)) std::exit(1);
    });

    const QImage result = scaledResult(loaded);
    if (result.isNull()) return 1;
    const QString bmp = dir.filePath("result.bmp");
    const double save = best([&] {
        if (glint::SavePicture(result, bmp).failed()) std::exit(1);
    });
    const qint64 bmpBytes = QFileInfo(bmp).size();
    const QString plain = dir.filePath("plain.bin");
    const double write = best([&] {
        if (!writePlain(plain, bmpBytes)) std::exit(1);
    });

    std::printf("jpeg %dx%d, %lld bytes: load %.3f s, plain read %.4f s\n", kSide, kSide,
                static_cast<long long>(jpegBytes), load, read);
    std::printf("load/read: %.1f\n", load / read);
    std::printf("qt reader %.3f s: load/qt-reader: %.2f\n", qtReader, load / qtReader);
    if (floor > 0) {
        std::printf("djpeg %.3f s: load/djpeg: %.2f\n", floor, load / floor);
        std::printf("first fill of a new picture %.3f s: load/(djpeg+fill): %.2f\n", fill,
                    load / (floor + fill));
    } else {
        std::printf("djpeg not installed (libjpeg-turbo-progs): load/djpeg not measured\n");
    }
    std::printf("bitmap %dx%d, %lld bytes: save %.3f s, plain write+sync %.3f s\n", result.width(),
                result.height(), static_cast<long long>(bmpBytes), save, write);
    std::printf("save/write: %.2f\n", save / write);
    return compareWithQt(loaded, dir.path()) ? 0 : 1;
}
