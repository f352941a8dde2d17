#include "Pictures.h"

#include <QImageReader>

namespace glint::e2e {

QImage makeTestPicture(int width, int height) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 37 + y * 5) & 0xFF, (x * 11 + y * 23 + 7) & 0xFF,
                          (y * 53 + x * 3) & 0xFF);
    }
    return picture;
}

QImage readRgb(const QString& path) {
    QImageReader reader(path);
    reader.setAllocationLimit(0);
    const QImage image = reader.read();
    return image.isNull() ? image : image.convertToFormat(QImage::Format_RGB32);
}

namespace {

QString pixelText(QRgb p) {
    return QStringLiteral("(%1,%2,%3)").arg(qRed(p)).arg(qGreen(p)).arg(qBlue(p));
}

}  // namespace

QString describeDifference(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size())
        return QStringLiteral("size %1x%2, expected %3x%4")
            .arg(actual.width())
            .arg(actual.height())
            .arg(expected.width())
            .arg(expected.height());
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    qint64 differing = 0;
    QString first;
    for (int y = 0; y < a.height(); ++y) {
        const auto* ra = reinterpret_cast<const QRgb*>(a.constScanLine(y));
        const auto* rb = reinterpret_cast<const QRgb*>(b.constScanLine(y));
        for (int x = 0; x < a.width(); ++x) {
            if ((ra[x] & 0xFFFFFFu) == (rb[x] & 0xFFFFFFu)) continue;
            if (differing++ == 0)
                first = QStringLiteral("pixel %1,%2 is %3, expected %4")
                            .arg(x)
                            .arg(y)
                            .arg(pixelText(rb[x]), pixelText(ra[x]));
        }
    }
    if (differing == 0) return {};
    return QStringLiteral("%1 pixels differ; first: %2").arg(differing).arg(first);
}

}  // namespace glint::e2e
