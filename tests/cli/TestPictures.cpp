#include "TestPictures.h"

#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>

namespace glint::test {

QImage randomPicture(int width, int height, std::uint32_t seed, bool withAlpha) {
    QImage picture(width, height, withAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x) {
            QRgb p = random.generate() | 0xFF000000u;
            if (withAlpha) {
                const quint32 alpha[] = {0x00, 0x80, 0xFF};
                p = (p & 0x00FFFFFFu) | (alpha[random.bounded(3)] << 24);
            }
            row[x] = p;
        }
    }
    return picture;
}

bool writePicture(const QImage& picture, const QString& path) { return picture.save(path); }

bool writeTopDownBmp(const QImage& picture, const QString& path) {
    const int stride = (picture.width() * 3 + 3) / 4 * 4;
    QByteArray b(54 + stride * picture.height(), '\0');
    const auto put = [&b](int at, quint32 v) {
        for (int i = 0; i < 4; ++i) b[at + i] = char((v >> (8 * i)) & 0xff);
    };
    b[0] = 'B';
    b[1] = 'M';
    put(2, quint32(b.size()));
    put(10, 54);
    put(14, 40);
    put(18, quint32(picture.width()));
    put(22, quint32(-picture.height()));
    put(26, 1 | 24 << 16);  // one plane, 24 bits per pixel
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb p = picture.pixel(x, y);
            char* out = b.data() + 54 + y * stride + 3 * x;
            out[0] = char(qBlue(p));
            out[1] = char(qGreen(p));
            out[2] = char(qRed(p));
        }
    }
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(b) == b.size();
}

QImage readPixels(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(0);
    const QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace glint::test
