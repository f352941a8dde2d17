#include "TestPictures.h"

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

QImage readPixels(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(0);
    const QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

}  // namespace glint::test
