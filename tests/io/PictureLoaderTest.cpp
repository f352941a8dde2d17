// Opening raster pictures: every offered format, content over extension, damaged and
// oversized files.
#include <QFile>
#include <QFileInfo>

#include "../support/Unprivileged.h"
#include "LoaderFixture.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

constexpr QRgb kRed = 0xffff0000;
constexpr QRgb kGreen = 0xff00ff00;
constexpr QRgb kBlue = 0xff0000ff;

// A 4 x 3 picture: red top row, green middle row, blue bottom row, one white pixel.
QImage stripes() {
    QImage image(4, 3, QImage::Format_RGB32);
    for (int x = 0; x < 4; ++x) {
        image.setPixel(x, 0, kRed);
        image.setPixel(x, 1, kGreen);
        image.setPixel(x, 2, kBlue);
    }
    image.setPixel(3, 2, 0xffffffff);
    return image;
}

void expectStripes(const QImage& picture, int tolerance) {
    ASSERT_EQ(picture.size(), QSize(4, 3));
    EXPECT_TRUE(colourNear(picture.pixel(0, 0), kRed, tolerance));
    EXPECT_TRUE(colourNear(picture.pixel(1, 1), kGreen, tolerance));
    EXPECT_TRUE(colourNear(picture.pixel(0, 2), kBlue, tolerance));
    EXPECT_TRUE(colourNear(picture.pixel(3, 2), 0xffffffff, tolerance));
}

using LoadRaster = LoaderTest;

TEST_F(LoadRaster, ReadsBitmapIconCursorAndJpeg) {
    QImage opaque = stripes();
    QImage withAlpha = stripes().convertToFormat(QImage::Format_ARGB32);
    withAlpha.setPixel(2, 0, 0x00000000);
    struct Case {
        QString name;
        QByteArray bytes;
        int tolerance;
        QImage::Format format;
    };
    const Case cases[] = {
        {"plain.bmp", encoded(opaque, "BMP"), 0, QImage::Format_RGB32},
        {"icon.ico", iconFile(1, withAlpha), 0, QImage::Format_ARGB32},
        {"pointer.cur", iconFile(2, withAlpha), 0, QImage::Format_ARGB32},
        // 4 x 3 blocks of flat colour survive a high-quality JPEG nearly unchanged.
        {"photo.jpg", encoded(opaque.scaled(64, 48), "JPEG", 100), 0, QImage::Format_RGB32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name.toStdString());
        QImage picture;
        const Status status = LoadPicture(write(c.name, c.bytes), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        EXPECT_EQ(picture.format(), c.format);
        if (c.name.endsWith(".jpg")) {
            ASSERT_EQ(picture.size(), QSize(64, 48));
            EXPECT_TRUE(colourNear(picture.pixel(8, 6), kRed, 8));
            EXPECT_TRUE(colourNear(picture.pixel(24, 24), kGreen, 8));
            EXPECT_TRUE(colourNear(picture.pixel(8, 40), kBlue, 8));
            continue;
        }
        expectStripes(picture, c.tolerance);
        if (c.format == QImage::Format_ARGB32) {
            EXPECT_EQ(qAlpha(picture.pixel(2, 0)), 0);
        }
    }
}

TEST_F(LoadRaster, GifGivesItsFirstFrame) {
    QImage picture;
    const Status status = LoadPicture(write("two.gif", twoFrameGif(3, 1, 2)), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    ASSERT_EQ(picture.size(), QSize(3, 1));
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
    for (int x = 0; x < 3; ++x) EXPECT_EQ(picture.pixel(x, 0), kGreen) << x;
}

// Run-length bitmaps may skip pixels (delta and early end codes); those get palette entry 0.
TEST_F(LoadRaster, RunLengthBitmapsFillSkippedPixelsWithFirstPaletteEntry) {
    const std::vector<std::uint32_t> palette = {0x0000ff, 0xff0000, 0x00ff00};  // blue, red, green
    // Bottom row: two red, then a delta of two columns and one row, then the end of the bitmap,
    // so the rest of the bottom row and the whole top row are never written.
    const QByteArray rle8 = QByteArray::fromHex(
        "0201"
        "00020201"
        "0001");
    const QByteArray rle4 = QByteArray::fromHex(
        "0211"
        "00020201"
        "0001");  // two red nibbles
    for (const auto& [name, bits, runs] :
         {std::tuple{"skip8.bmp", 8, rle8}, std::tuple{"skip4.bmp", 4, rle4},
          std::tuple{"skip8.rle", 8, rle8}}) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status status =
            LoadPicture(write(name, rleBitmap(4, 2, bits, palette, runs)), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        ASSERT_EQ(picture.size(), QSize(4, 2));
        EXPECT_EQ(picture.format(), QImage::Format_RGB32);
        EXPECT_EQ(picture.pixel(0, 1), kRed);
        EXPECT_EQ(picture.pixel(1, 1), kRed);
        EXPECT_EQ(picture.pixel(2, 1), kBlue);
        EXPECT_EQ(picture.pixel(3, 1), kBlue);
        for (int x = 0; x < 4; ++x) EXPECT_EQ(picture.pixel(x, 0), kBlue) << x;
    }
}

TEST_F(LoadRaster, DecidesByContentNotByName) {
    QImage withAlpha(2, 2, QImage::Format_ARGB32);
    withAlpha.fill(0x80112233);
    QImage picture;
    Status status = LoadPicture(write("really-a-png.bmp", encoded(withAlpha, "PNG")), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_EQ(picture.format(), QImage::Format_ARGB32);
    EXPECT_EQ(picture.pixel(1, 1), 0x80112233u);

    status = LoadPicture(write("bitmap.JPG", encoded(stripes(), "BMP")), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    expectStripes(picture, 0);

    status = LoadPicture(write("no-extension", encoded(stripes(), "PNG")), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_EQ(picture.format(), QImage::Format_RGB32);
}

// The reader's default allocation limit (128 MB) would refuse this picture at 32 bits.
TEST_F(LoadRaster, ReadsPicturesLargerThanTheReaderDefaultLimit) {
    QImage large(6000, 6000, QImage::Format_RGB888);
    large.fill(QColor(10, 200, 30));
    const QString file = write("large.png", encoded(large, "PNG"));
    large = QImage();
    QImage picture;
    const Status status = LoadPicture(file, picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_EQ(picture.size(), QSize(6000, 6000));
    EXPECT_EQ(picture.pixel(5999, 5999), qRgb(10, 200, 30));
}

QByteArray withSize(QByteArray bytes, int at, int width, int height, bool bigEndian) {
    auto put16 = [&](int i, int v) {
        bytes[i + (bigEndian ? 0 : 1)] = static_cast<char>(v >> 8);
        bytes[i + (bigEndian ? 1 : 0)] = static_cast<char>(v & 0xff);
    };
    if (bigEndian) {  // JPEG frame header: height, then width
        put16(at, height);
        put16(at + 2, width);
    } else {  // bitmap info header: 32-bit width, then height
        put16(at, width);
        put16(at + 4, height);
    }
    return bytes;
}

TEST_F(LoadRaster, DamagedEmptyAndOversizedFilesFailAndKeepThePicture) {
    const QByteArray bmp = encoded(stripes(), "BMP");
    const QByteArray png = encoded(stripes().scaled(40, 30), "PNG");
    const QByteArray jpg = encoded(stripes().scaled(64, 48), "JPEG", 90);
    const qsizetype sof = jpg.indexOf("\xff\xc0");
    ASSERT_GT(sof, 0);
    Bytes absurd;  // sizes whose row bytes times rows pass 2^63
    absurd.raw(bmp);
    absurd.setU32(18, 0x7fffffff);
    absurd.setU32(22, 0x7fffffff);
    absurd.setU16(28, 0xffff);
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty.bmp", QByteArray()},
        {"absurd.bmp", absurd.data()},
        {"text.bmp", "This is no picture at all.\n"},
        {"header-only.bmp", bmp.left(54)},
        {"cut-rows.bmp", bmp.left(bmp.size() - 10)},
        {"cut.png", png.left(png.size() / 2)},
        {"cut.jpg", jpg.left(jpg.size() / 2)},
        {"garbled.png", png.left(16) + QByteArray(200, '\x5a')},
        {"huge.bmp", withSize(bmp, 18, 20000, 20000, false)},
        {"huge.jpg", withSize(jpg, static_cast<int>(sof) + 5, 20000, 20000, true)},
    };
    const QImage before = stripes();
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        QImage picture = before;
        EXPECT_TRUE(LoadPicture(write(name, bytes), picture).failed());
        EXPECT_EQ(picture, before);
    }
}

TEST_F(LoadRaster, FoldersMissingAndSpecialFilesFail) {
    QImage picture;
    EXPECT_TRUE(LoadPicture(dir_.path(), picture).failed());
    EXPECT_TRUE(LoadPicture(path("missing.bmp"), picture).failed());
    EXPECT_TRUE(LoadPicture(QString(), picture).failed());
    EXPECT_TRUE(LoadPicture(QStringLiteral("/dev/zero"), picture).failed());
    EXPECT_TRUE(picture.isNull());
}

TEST_F(LoadRaster, UnreadableFileFails) {
    const QString locked = write("locked.bmp", encoded(stripes(), "BMP"));
    ASSERT_TRUE(openForPassage(dir_.path()));
    ASSERT_TRUE(QFile::setPermissions(locked, QFileDevice::Permissions()));
    // 1: the file cannot be reached at all; 2: it loaded, or failed for another reason;
    // 3: the picture was touched.
    const int refused = runUnprivileged([&] {
        if (!QFileInfo::exists(locked)) return 1;
        QImage picture;
        const Status status = LoadPicture(locked, picture);
        if (status.isOk() || status.reason().find("cannot be opened") == std::string::npos)
            return 2;
        return picture.isNull() ? 0 : 3;
    });
    EXPECT_EQ(refused, 0);
}

}  // namespace
}  // namespace glint::test
