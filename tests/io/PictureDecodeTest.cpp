// The loader's own decoders: damaged and cut files of every format fail, bitmap channels of
// any width are scaled to the full range, and each doubtful bitmap is either read or refused.
#include <QBuffer>
#include <QImageWriter>

#include "LoaderFixture.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

// A photo-like picture, so that its JPEG has a long scan to cut.
QImage texture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 7) & 0xff, (x * y) & 0xff, (y * 5) & 0xff));
    return image;
}

QByteArray progressiveJpeg(const QImage& image) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "JPEG");
    writer.setProgressiveScanWrite(true);
    EXPECT_TRUE(writer.write(image));
    return bytes;
}

// The first `fraction` of `bytes`, at least one byte past the first start of scan.
QByteArray cutInScan(const QByteArray& bytes, double fraction) {
    const qsizetype sos = bytes.indexOf("\xff\xda");
    EXPECT_GT(sos, 0);
    return bytes.left(
        std::max(sos + 20, static_cast<qsizetype>(static_cast<double>(bytes.size()) * fraction)));
}

using DamagedPicture = LoaderTest;

TEST_F(DamagedPicture, CutOrCorruptFilesOfEveryFormatFail) {
    const QImage photo = texture(160, 120);
    const QByteArray jpg = encoded(photo, "JPEG", 90);
    QByteArray flipped = jpg;
    flipped[flipped.size() / 2] = static_cast<char>(0xFF);  // a marker inside the scan
    flipped[flipped.size() / 2 + 1] = static_cast<char>(0xD0 + 7);
    QImage indexed(4, 2, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(255, 0, 0), qRgb(0, 0, 255)});
    indexed.fill(1);
    indexed.scanLine(1)[2] = 5;  // past the two colours
    const std::vector<int> rows(4 * 8, 2);
    const QByteArray gif = gifFile(4, 8, {rows});
    const std::pair<const char*, QByteArray> cases[] = {
        {"scan-cut-early.jpg", cutInScan(jpg, 0.1)},
        {"scan-cut-late.jpg", cutInScan(jpg, 0.95)},
        {"no-end-marker.jpg", jpg.left(jpg.size() - 2)},
        {"corrupt-scan.jpg", flipped},
        {"progressive-cut.jpg", cutInScan(progressiveJpeg(photo), 0.7)},
        {"cut-frame.gif", gif.left(gif.size() / 2)},
        {"no-trailer.gif", gif.left(gif.size() - 1)},
        {"second-frame-cut.gif", gifFile(4, 8, {rows, rows}).left(gif.size() + 20)},
        {"index-past-palette.png", encoded(indexed, "PNG")},
        {"cut.png", encoded(photo, "PNG").left(2000)},
        {"cut.tiff", encoded(photo, "TIFF").left(20000)},
        {"cut.webp", encoded(photo, "WEBP").left(2000)},
        {"cut.ico", iconFile(1, photo.scaled(32, 32)).left(2000)},
    };
    for (const auto& [name, bytes] : cases) {
        SCOPED_TRACE(name);
        QImage picture;
        EXPECT_TRUE(LoadPicture(write(name, bytes), picture).failed());
        EXPECT_TRUE(picture.isNull());
    }
    QImage whole;
    EXPECT_TRUE(LoadPicture(write("whole.jpg", jpg), whole).isOk());
    EXPECT_TRUE(LoadPicture(write("whole.gif", gif), whole).isOk());
}

// Every kind of PNG comes out as the 32-bit picture of what Qt's own reader reads.
TEST_F(DamagedPicture, PngOfEveryKindReadsAsQtReadsIt) {
    const QImage photo = texture(37, 23);
    QImage halfClear = photo.convertToFormat(QImage::Format_ARGB32);
    halfClear.setPixel(3, 4, 0x40102030);
    QImage palette = photo.convertToFormat(QImage::Format_Indexed8);
    QImage seeThroughPalette = halfClear.convertToFormat(QImage::Format_Indexed8);
    const QImage kinds[] = {
        photo,
        halfClear,
        palette,
        seeThroughPalette,
        photo.convertToFormat(QImage::Format_Grayscale8),
        photo.convertToFormat(QImage::Format_Grayscale16),
        photo.convertToFormat(QImage::Format_Mono),
        halfClear.convertToFormat(QImage::Format_RGBA64),
    };
    for (const QImage& kind : kinds) {
        SCOPED_TRACE(kind.format());
        const QByteArray png = encoded(kind, "PNG");
        QImage expected = QImage::fromData(png, "PNG");
        expected.convertTo(expected.hasAlphaChannel() ? QImage::Format_ARGB32
                                                      : QImage::Format_RGB32);
        QImage picture;
        const Status status = LoadPicture(write("kind.png", png), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        EXPECT_EQ(picture.format(), expected.format());
        EXPECT_EQ(picture, expected);
    }
}

TEST_F(DamagedPicture, EmptyPictureHasItsOwnReason) {
    const std::pair<const char*, QByteArray> cases[] = {
        {"empty.gif", gifFile(20, 0, {})},
        {"empty.bmp", maskedBitmap(20, 0, 24, {}, {})},
    };
    for (const auto& [name, bytes] : cases) {
        QImage picture;
        const Status status = LoadPicture(write(name, bytes), picture);
        ASSERT_TRUE(status.failed()) << name;
        EXPECT_NE(status.reason().find("picture is empty (20x0 pixels)"), std::string::npos)
            << status.reason();
    }
}

TEST_F(DamagedPicture, GifRowsLandInPlaceWhetherInterlacedOrNot) {
    std::vector<int> frame;  // row y in palette entry y % 4, 3 x 10
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 3; ++x) frame.push_back(y % 4);
    const QRgb colours[] = {0xffff0000, 0xff00ff00, 0xff0000ff, 0xffffffff};
    for (const bool interlaced : {false, true}) {
        SCOPED_TRACE(interlaced);
        QImage picture;
        const Status status =
            LoadPicture(write("rows.gif", gifFile(3, 10, {frame}, interlaced)), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        ASSERT_EQ(picture.size(), QSize(3, 10));
        for (int y = 0; y < 10; ++y) EXPECT_EQ(picture.pixel(2, y), colours[y % 4]) << y;
    }
}

// 16- and 32-bit bitmaps, one pixel per row: every channel scaled from its own width.
TEST_F(DamagedPicture, BitmapChannelsOfAnyWidthReachTheFullRange) {
    auto pixels16 = [](std::initializer_list<unsigned> values) {
        Bytes b;
        for (unsigned v : values) b.u16(v).u16(0);  // one pixel, padded to four bytes
        return b.data();
    };
    struct Case {
        const char* name;
        int bits;
        std::vector<std::uint32_t> masks;
        int infoSize;
        QByteArray rows;             // bottom row first
        std::vector<QRgb> expected;  // top row first
    };
    const Case cases[] = {
        // 5-5-5 without masks: white, then 16 of 31 in each channel.
        {"555", 16, {}, 40, pixels16({0x7FFF, 0x4210}), {0xff848484, 0xffffffff}},
        {"565",
         16,
         {0xF800, 0x07E0, 0x001F},
         40,
         pixels16({0xFFFF, 0x8410}),
         {0xff848284, 0xffffffff}},
        {"565-v4", 16, {0xF800, 0x07E0, 0x001F, 0}, 108, pixels16({0xFFFF}), {0xffffffff}},
        // 1-bit alpha and a 3-bit green: 4 of 7 is 146.
        {"1-3-5-5 alpha",
         16,
         {0x001F, 0x00E0, 0x7C00, 0x8000},
         108,
         pixels16({0x801F | 4u << 5}),
         {0xffff9200}},
        // 10 bits per channel: 512 of 1023 is 128.
        {"10-10-10",
         32,
         {0x3FF00000, 0x000FFC00, 0x000003FF},
         40,
         Bytes().u32(512u << 20 | 1023u << 10).data(),
         {0xff80ff00}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto height = static_cast<int>(c.expected.size());
        QImage picture;
        const Status status = LoadPicture(
            write("c.bmp", maskedBitmap(1, height, c.bits, c.masks, c.rows, c.infoSize)), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        for (int y = 0; y < height; ++y)
            EXPECT_EQ(picture.pixel(0, y), c.expected[static_cast<std::size_t>(y)]) << std::hex;
    }
}

TEST_F(DamagedPicture, DoubtfulBitmapsAreReadOrRefusedByKind) {
    const std::vector<std::uint32_t> palette = {0x0000ff, 0xff0000};  // blue, red
    auto rle8 = [&](const char* hex) {
        return rleBitmap(4, 2, 8, palette, QByteArray::fromHex(hex));
    };
    auto rle4 = [&](const char* hex) {
        return rleBitmap(4, 2, 4, palette, QByteArray::fromHex(hex));
    };
    QByteArray topDown = rle8("0401 0000 0400 0001");  // first stored row red
    topDown[22] = static_cast<char>(0xFE);             // height 2 becomes -2
    std::fill(topDown.begin() + 23, topDown.begin() + 26, static_cast<char>(0xFF));
    QByteArray wrongSizes = rle8("0401 0000 0400 0001");
    wrongSizes[2] = 0x7F;   // file size
    wrongSizes[34] = 0x01;  // image size
    QByteArray indexed = rleBitmap(4, 1, 8, palette, QByteArray::fromHex("00010203"));
    indexed[30] = 0;  // uncompressed
    struct Case {
        const char* name;
        QByteArray bytes;
        bool loads;
    };
    const Case cases[] = {
        {"run past the right edge", rle8("0501 0001"), false},
        {"literal past the right edge", rle4("0005 11100000 0001"), false},
        {"delta past the right edge", rle8("0002 0500 0001"), false},
        {"delta past the last row", rle8("0002 0002 0001"), false},
        {"end of line past the last row", rle8("0000 0000 0000 0001"), false},
        {"index past the palette", rle8("0402 0001"), false},
        {"uncompressed index past the palette", indexed, false},
        {"no end-of-bitmap code", rle8("0401 0000 0401"), false},
        {"wrong file-size and image-size fields", wrongSizes, true},
        {"closing end of line", rle8("0401 0000 0400 0000 0001"), true},
        {"run-length marked top-down", topDown, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture;
        const Status status = LoadPicture(write("doubt.bmp", c.bytes), picture);
        EXPECT_EQ(status.isOk(), c.loads) << status.reason();
    }
    QImage picture;
    ASSERT_TRUE(LoadPicture(write("top-down.bmp", topDown), picture).isOk());
    EXPECT_EQ(picture.pixel(0, 0), 0xffff0000u);
    EXPECT_EQ(picture.pixel(0, 1), 0xff0000ffu);
}

bool cornerMask(int x, int y) { return x + y < 3; }

// `jpg` with its baseline frame header turned into another frame type (and sample precision).
QByteArray withFrameType(QByteArray jpg, unsigned marker, int precision = 8) {
    const qsizetype sof = jpg.indexOf("\xff\xc0");
    EXPECT_GT(sof, 0);
    jpg[sof + 1] = static_cast<char>(marker);
    jpg[sof + 4] = static_cast<char>(precision);
    return jpg;
}

QByteArray inserted(QByteArray bytes, const QByteArray& before, const QByteArray& junk) {
    const qsizetype at = bytes.lastIndexOf(before);
    EXPECT_GT(at, 0);
    return bytes.insert(at, junk);
}

enum class Outcome { Loads, Damaged, Unsupported };

// Icons, JPEG, GIF, netpbm and X bitmaps: each doubtful file is read (as its sound twin, when
// given), refused as damaged or refused as unsupported, as DamageRules.h lists.
TEST_F(DamagedPicture, DoubtfulFilesOfTheOtherOwnFormatsAreReadOrRefusedByKind) {
    const QImage photo = texture(24, 16);
    const QByteArray bmp = encoded(photo, "BMP");
    const QByteArray icon = iconHolding(1, bmp, cornerMask);
    const QByteArray cursor = iconHolding(2, bmp, cornerMask);
    QImage seeThrough = photo.convertToFormat(QImage::Format_ARGB32);
    seeThrough.setPixel(1, 1, 0x20ffffff);
    const QByteArray alphaIcon = iconFile(1, seeThrough);
    Bytes hugePng;  // a PNG header claiming 40000 x 10 pixels, no data
    hugePng.raw(encoded(photo, "PNG").left(16)).u32(0x409c0000).u32(0x0a000000).u8(8).u8(2);
    QByteArray farOffset = icon;
    farOffset[18 + 1] = 0x7f;  // the entry's offset: past the end
    const QByteArray jpg = encoded(photo, "JPEG", 90);
    const std::vector<int> pixels(8, 1);
    const QByteArray ppm = QByteArray("P6 2 1 255\n\x01\x02\x03\x04\x05\x06", 17);
    const QByteArray xbm =
        "#define x_width 9\n#define x_height 2\n/* hot spot: */\n"
        "#define x_x_hot 0\n#define x_y_hot 0\n"
        "static char x_bits[] = { 0x01, 0x00, 0xff, 0x01 };\n";
    struct Case {
        const char* name;
        QByteArray bytes;
        Outcome outcome;
        QByteArray twin;  // for Loads: the sound file it must read as
    };
    const Case cases[] = {
        {"short-entry.ico", iconHolding(1, bmp, cornerMask, 40), Outcome::Loads, icon},
        {"short-entry.cur", iconHolding(2, bmp, cornerMask, 40), Outcome::Loads, cursor},
        {"alpha-without-mask.ico", alphaIcon.left(alphaIcon.size() - 4 * 16), Outcome::Loads,
         alphaIcon},
        {"cut-mask.ico", icon.left(icon.size() - 5), Outcome::Damaged, {}},
        {"offset-past-end.ico", farOffset, Outcome::Damaged, {}},
        {"huge-png.ico", iconHolding(1, hugePng.data(), cornerMask), Outcome::Damaged, {}},
        {"junk-between-segments.jpg", inserted(jpg, "\xff\xdb", "\x00\x11\x22"), Outcome::Loads,
         jpg},
        {"junk-after-scan.jpg", inserted(jpg, "\xff\xd9", "\x00\x11"), Outcome::Loads, jpg},
        {"12-bit.jpg", withFrameType(jpg, 0xC1, 12), Outcome::Unsupported, {}},
        {"lossless.jpg", withFrameType(jpg, 0xC3), Outcome::Unsupported, {}},
        {"hierarchical.jpg", withFrameType(jpg, 0xC5), Outcome::Unsupported, {}},
        {"code-size-11.gif", gifFile(4, 2, {pixels}, false, 11), Outcome::Unsupported, {}},
        {"code-size-12.gif", gifFile(4, 2, {pixels}, false, 12), Outcome::Damaged, {}},
        {"cut.ppm", ppm.left(ppm.size() - 1), Outcome::Damaged, {}},
        {"over-maxval.pgm", "P2 2 1 10\n5 11\n", Outcome::Damaged, {}},
        {"depth-mismatch.pam",
         "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 3\nMAXVAL 255\nTUPLTYPE GRAYSCALE\nENDHDR\nabc",
         Outcome::Damaged,
         {}},
        {"cmyk.pam",
         "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 4\nMAXVAL 255\nTUPLTYPE CMYK\nENDHDR\nabcd",
         Outcome::Unsupported,
         {}},
        {"untyped-depth-2.pam",
         "P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\nENDHDR\nab",
         Outcome::Unsupported,
         {}},
        {"trailing-data.ppm", ppm + "P6 junk", Outcome::Loads, ppm},
        {"hot-spot-and-comments.xbm", xbm, Outcome::Loads, {}},
        {"cut.xbm",
         "#define c_width 16\n#define c_height 16\nstatic char c_bits[] = {\n0xff",
         Outcome::Damaged,
         {}},
        {"claims-546-MB.xbm",
         "#define h_width 30000\n#define h_height 4473\nstatic char h_bits[] = {0x00};\n",
         Outcome::Damaged,
         {}},
        {"extra-value.xbm",
         QByteArray(xbm).replace("0x01 }", "0x01, 0x02 }"),
         Outcome::Damaged,
         {}},
        {"value-too-wide.xbm", QByteArray(xbm).replace("0xff", "0x100"), Outcome::Damaged, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture;
        const Status status = LoadPicture(write(c.name, c.bytes), picture);
        EXPECT_EQ(status.isOk(), c.outcome == Outcome::Loads) << status.reason();
        EXPECT_EQ(status.isUnsupported(), c.outcome == Outcome::Unsupported) << status.reason();
        if (c.twin.isEmpty() || status.failed()) continue;
        QImage twin;
        ASSERT_TRUE(LoadPicture(write("twin", c.twin), twin).isOk());
        EXPECT_EQ(picture, twin);
    }
    const std::pair<const char*, const char*> told[] = {
        {"12-bit.jpg", "12-bit.jpg is a 12-bit JPEG, which this installation cannot decode"},
        {"code-size-11.gif",
         "code-size-11.gif is a GIF with an LZW minimum code size of 11, "
         "which this installation cannot decode"},
    };
    for (const auto& [name, message] : told) {
        QImage picture;
        EXPECT_EQ(LoadPicture(path(name), picture).reason(), message);
    }
}

}  // namespace
}  // namespace glint::test
