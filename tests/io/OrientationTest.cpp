// Photos whose file records a rotation or mirroring load as they are meant to be seen.
#include <QFile>

#include "LoaderFixture.h"
#include "PhotoSamples.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

constexpr int kBlock = 16;
constexpr int kColumns = 3;
constexpr int kRows = 2;
// Lossy coding keeps flat blocks of these far-apart colours close to their value.
constexpr int kTolerance = 40;
constexpr QRgb kBlockColours[kRows][kColumns] = {{0xffff0000, 0xff00ff00, 0xff0000ff},
                                                 {0xffffffff, 0xff000000, 0xffffff00}};

QImage storedBlocks() {
    QImage image(kColumns * kBlock, kRows * kBlock, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, kBlockColours[y / kBlock][x / kBlock]);
    return image;
}

// For each orientation: the stored block shown at upright block (ux, uy), as EXIF defines
// where the stored first row and first column are seen.
QPoint storedBlockAt(int orientation, int ux, int uy) {
    constexpr int w = kColumns - 1;
    constexpr int h = kRows - 1;
    switch (orientation) {
        case 2:
            return {w - ux, uy};
        case 3:
            return {w - ux, h - uy};
        case 4:
            return {ux, h - uy};
        case 5:
            return {uy, ux};
        case 6:
            return {uy, h - ux};
        case 7:
            return {w - uy, h - ux};
        case 8:
            return {w - uy, ux};
        default:
            return {ux, uy};
    }
}

using Orientation = LoaderTest;

TEST_F(Orientation, EveryRecordedOrientationLoadsUprightInEveryFormat) {
    const QImage stored = storedBlocks();
    const QByteArray jpeg = encoded(stored, "JPEG", 95);
    const QByteArray png = encoded(stored, "PNG");
    const QByteArray webp = encoded(stored, "WEBP", 100);
    for (int orientation = 1; orientation <= 8; ++orientation) {
        const QString tag = QString::number(orientation);
        const std::pair<QString, QByteArray> files[] = {
            {"o" + tag + ".jpg", jpegWithOrientation(jpeg, orientation)},
            {"o" + tag + ".png", pngWithOrientation(png, orientation)},
            {"o" + tag + ".webp", webpWithOrientation(webp, stored.size(), orientation)},
            {"o" + tag + ".tiff", tiffWithOrientation(stored, orientation)},
            {"o" + tag + ".heic", QByteArray()},
        };
        for (const auto& [name, bytes] : files) {
            SCOPED_TRACE(name.toStdString());
            if (bytes.isEmpty())
                ASSERT_TRUE(writeHeif(stored, orientation, path(name)));
            else
                write(name, bytes);
            QImage picture;
            const Status status = LoadPicture(path(name), picture);
            ASSERT_TRUE(status.isOk()) << status.reason();
            const bool turned = orientation >= 5;
            ASSERT_EQ(picture.size(), turned ? stored.size().transposed() : stored.size());
            for (int uy = 0; uy < picture.height() / kBlock; ++uy)
                for (int ux = 0; ux < picture.width() / kBlock; ++ux) {
                    const QPoint s = storedBlockAt(orientation, ux, uy);
                    EXPECT_TRUE(colourNear(
                        picture.pixel(ux * kBlock + kBlock / 2, uy * kBlock + kBlock / 2),
                        kBlockColours[s.y()][s.x()], kTolerance))
                        << "upright block " << ux << "," << uy;
                }
        }
    }
}

// A record that cannot be used leaves the picture as stored.
TEST_F(Orientation, UnusableRecordsAreIgnored) {
    const QImage stored = storedBlocks();
    const QByteArray jpeg = encoded(stored, "JPEG", 95);
    QByteArray wrongType = jpegWithOrientation(jpeg, 6);
    wrongType[wrongType.indexOf(QByteArray::fromHex("01120003")) + 3] = 4;  // LONG, not SHORT
    QByteArray farDirectory = jpegWithOrientation(jpeg, 6);
    farDirectory[farDirectory.indexOf(QByteArray("MM\0*", 4)) + 7] = 100;  // beyond the segment
    const std::pair<const char*, QByteArray> cases[] = {
        {"zero.jpg", jpegWithOrientation(jpeg, 0)},
        {"nine.jpg", jpegWithOrientation(jpeg, 9)},
        {"long.jpg", wrongType},
        {"far.jpg", farDirectory},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status status = LoadPicture(write(name, bytes), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        ASSERT_EQ(picture.size(), stored.size());
        EXPECT_TRUE(
            colourNear(picture.pixel(kBlock / 2, kBlock / 2), kBlockColours[0][0], kTolerance));
    }
}

}  // namespace
}  // namespace glint::test
