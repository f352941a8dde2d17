// The loader's own decoders of icons, netpbm pictures, X bitmaps and CMYK JPEGs give, pixel for
// pixel, what an independent decoder reads from the same file.
#include <QBuffer>
#include <QProcess>

#include "LoaderFixture.h"
#include "ReferenceDecoders.h"
#include "io/decode/PictureLoader.h"
#include "io/decode/PnmDecoder.h"

namespace glint::test {
namespace {

QImage texture(int width, int height, QImage::Format format) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb((x * 37) & 0xff, (y * 23 + x) & 0xff, (x * y * 5) & 0xff));
    return image.convertToFormat(format);
}

bool diagonalMask(int x, int y) { return (3 * x + y) % 5 == 0; }

// Sample values spread over 0..maxval.
std::vector<unsigned> samples(int count, unsigned maxval) {
    std::vector<unsigned> values;
    for (int i = 0; i < count; ++i)
        values.push_back(static_cast<unsigned>(i * 7919u + 13u) % (maxval + 1));
    return values;
}

enum class Coding { Plain, Raw };

// A netpbm file: `header` (magic to maximum value, or a PAM header), then `values` as text or
// as bytes (two per sample above 255).
QByteArray netpbm(const QByteArray& header, const std::vector<unsigned>& values, Coding coding,
                  unsigned maxval) {
    QByteArray file = header;
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (coding == Coding::Plain) {
            file += QByteArray::number(values[i]) + (i % 7 == 6 ? "\n" : " ");
        } else {
            if (maxval > 255) file += static_cast<char>(values[i] >> 8);
            file += static_cast<char>(values[i] & 0xff);
        }
    }
    return file;
}

QByteArray pam(int width, int height, int depth, unsigned maxval, const char* tupleType) {
    const QByteArray header =
        QStringLiteral("P7\nWIDTH %1\nHEIGHT %2\nDEPTH %3\nMAXVAL %4\n%5ENDHDR\n")
            .arg(width)
            .arg(height)
            .arg(depth)
            .arg(maxval)
            .arg(tupleType ? QStringLiteral("TUPLTYPE %1\n").arg(tupleType) : "")
            .toLatin1();
    return netpbm(header, samples(width * height * depth, maxval), Coding::Raw, maxval);
}

class ReferenceDecode : public LoaderTest {
  protected:
    void expectLikeReference(const char* name, const QByteArray& bytes, Reference reference,
                             const QByteArray& referenceBytes = {}) {
        SCOPED_TRACE(name);
        QImage picture;
        const Status status = LoadPicture(write(name, bytes), picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        const QString file = write(QStringLiteral("reference-") + name,
                                   referenceBytes.isEmpty() ? bytes : referenceBytes);
        EXPECT_TRUE(samePixels(picture, referenceImage(reference, file)));
    }
};

TEST_F(ReferenceDecode, IconsOfEveryDepthWithTheirMask) {
    const QImage colours = texture(32, 32, QImage::Format_RGB32);
    QByteArray bits4 = rleBitmap(7, 3, 4, {0x102030, 0xff0000, 0x00ff00, 0x0000ff},
                                 QByteArray::fromHex("01230100"
                                                     "32103200"
                                                     "00112200"));
    bits4[30] = 0;  // uncompressed
    Bytes bits16;   // 6 x 5 pixels of 5-5-5, rows of 12 bytes
    for (unsigned v : samples(6 * 5, 0x7FFF)) bits16.u16(v);
    // Pillow widens 5-bit channels by shifting; the bitmap decoder rounds (tested on its own).
    const QByteArray bits16Bmp = maskedBitmap(6, 5, 16, {}, bits16.data());
    QImage bits16Colours;
    ASSERT_TRUE(LoadPicture(write("bits16.bmp", bits16Bmp), bits16Colours).isOk());
    Bytes clearAlpha;  // 32-bit pixels whose alpha is 0 everywhere: meant with the mask
    for (int y = colours.height() - 1; y >= 0; --y)
        for (int x = 0; x < colours.width(); ++x) clearAlpha.u32(colours.pixel(x, y) & 0xffffff);
    QImage seeThrough = texture(16, 8, QImage::Format_ARGB32);
    seeThrough.setPixel(3, 2, 0x40ff0000);
    seeThrough.setPixel(4, 2, 0x00000000);
    const QByteArray rgb24 = iconHolding(1, encoded(colours, "BMP"), diagonalMask);
    const struct {
        const char* name;
        QByteArray icon;
        QByteArray reference;  // when Pillow reads another file as this icon is meant
    } cases[] = {
        {"mono.ico",
         iconHolding(1, encoded(texture(19, 5, QImage::Format_Mono), "BMP"), diagonalMask),
         {}},
        {"bits4.ico", iconHolding(1, bits4, diagonalMask), {}},
        {"indexed8.ico",
         iconHolding(1, encoded(texture(20, 9, QImage::Format_Indexed8), "BMP"), diagonalMask),
         {}},
        {"bits16.ico", iconHolding(1, bits16Bmp, diagonalMask),
         iconHolding(1, encoded(bits16Colours, "BMP"), diagonalMask)},
        {"rgb24.ico", rgb24, {}},
        {"rgb24.cur", iconHolding(2, encoded(colours, "BMP"), diagonalMask), rgb24},
        {"clear-alpha.ico",
         iconHolding(1, maskedBitmap(32, 32, 32, {}, clearAlpha.data()), diagonalMask), rgb24},
        {"alpha.ico", iconFile(1, seeThrough), {}},
        {"png.ico", iconHolding(1, encoded(seeThrough, "PNG"), diagonalMask), {}},
    };
    for (const auto& c : cases) expectLikeReference(c.name, c.icon, Reference::Pillow, c.reference);
}

TEST_F(ReferenceDecode, MaskedIconPixelsAreTransparent) {
    QImage picture;
    ASSERT_TRUE(
        LoadPicture(
            write("m.ico", iconHolding(1, encoded(texture(32, 32, QImage::Format_RGB32), "BMP"),
                                       diagonalMask)),
            picture)
            .isOk());
    EXPECT_EQ(picture.format(), QImage::Format_ARGB32);
    EXPECT_EQ(qAlpha(picture.pixel(0, 0)), 0);
    EXPECT_EQ(qAlpha(picture.pixel(1, 0)), 255);
}

TEST_F(ReferenceDecode, NetpbmOfEveryFormAndDepth) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"plain.pbm", "P1\n# comment\n5 3\n10110\n0 1 0 0 1\n11111\n"},
        {"raw.pbm", QByteArray("P4 10 2\n\xA5\xC0\x0F\x40", 12)},
        {"maxval-100.pgm", netpbm("P2 9 4 100\n", samples(36, 100), Coding::Plain, 100)},
        {"maxval-1000.pgm", netpbm("P5 9 4 1000\n", samples(36, 1000), Coding::Raw, 1000)},
        {"plain.ppm", netpbm("P3\n6 5\n255\n", samples(90, 255), Coding::Plain, 255)},
        {"raw.ppm", netpbm("P6 6 5 255\n", samples(90, 255), Coding::Raw, 255)},
        {"deep.ppm", netpbm("P6 6 5 65535\n", samples(90, 65535), Coding::Raw, 65535)},
        {"bw.pam", pam(11, 3, 1, 1, "BLACKANDWHITE")},
        {"bw-alpha.pam", pam(5, 3, 2, 1, "BLACKANDWHITE_ALPHA")},
        {"grey.pam", pam(7, 3, 1, 200, "GRAYSCALE")},
        {"grey-alpha.pam", pam(7, 3, 2, 3, "GRAYSCALE_ALPHA")},
        {"rgb.pam", pam(7, 3, 3, 4095, "RGB")},
        {"rgb-alpha.pam", pam(7, 3, 4, 65535, "RGB_ALPHA")},
    };
    for (const auto& c : cases) expectLikeReference(c.name, c.bytes, Reference::Netpbm);
    // netpbm's converters want a tuple type; ImageMagick reads three samples as RGB.
    expectLikeReference("untyped.pam", pam(7, 3, 3, 255, nullptr), Reference::ImageMagick);
}

TEST_F(ReferenceDecode, XBitmapsOfCharAndShort) {
    const struct {
        const char* name;
        QByteArray bytes;
    } cases[] = {
        {"x11.xbm",
         "/* made by hand */\n#define a_width 10\n#define a_height 3\n#define a_x_hot 1\n"
         "#define a_y_hot 2\nstatic unsigned char a_bits[] = {\n"
         "   0x01, 0x02, 0xf3, 0x00, 0x55, 0x03 };\n"},
        {"x10.xbm",
         "#define b_width 40\n#define b_height 2\nstatic short b_bits[] = {\n"
         "   0x1234, 0xabcd, 0x000f,\n   0x8001, 0x7ffe, 0x0009,\n};\n"},
    };
    for (const auto& c : cases) expectLikeReference(c.name, c.bytes, Reference::ImageMagick);
}

TEST_F(ReferenceDecode, CmykJpegIsRoundedAsPillowConvertsIt) {
    const QString rgb = write("rgb.png", encoded(texture(64, 48, QImage::Format_RGB32), "PNG"));
    QProcess convert;
    convert.start(QStringLiteral("convert"), {rgb, QStringLiteral("-colorspace"),
                                              QStringLiteral("CMYK"), QStringLiteral("jpg:-")});
    ASSERT_TRUE(convert.waitForFinished(60000));
    const QByteArray cmyk = convert.readAllStandardOutput();
    ASSERT_FALSE(cmyk.isEmpty());
    expectLikeReference("cmyk.jpg", cmyk, Reference::Pillow);
}

// Pictures one after the other, as a video pipe delivers them: each read leaves the device at
// the next one, whether it can seek (a buffer) or not (a process's output).
TEST_F(ReferenceDecode, NetpbmStreamGivesOnePictureAtATime) {
    const std::vector<QByteArray> frames = {
        netpbm("P6 6 5 255\n", samples(90, 255), Coding::Raw, 255),
        netpbm("P5 3 2 65535\n", samples(6, 65535), Coding::Raw, 65535),
        netpbm("P3 2 2 15\n", samples(12, 15), Coding::Plain, 15) + "\n\n",
        pam(4, 2, 4, 255, "RGB_ALPHA"),
    };
    std::vector<QImage> expected;
    QByteArray stream;
    for (const QByteArray& frame : frames) {
        expected.emplace_back();
        ASSERT_TRUE(LoadPicture(write("frame.pnm", frame), expected.back()).isOk());
        stream += frame;
    }
    const QString file = write("stream.pnm", stream);
    QBuffer buffer(&stream);
    buffer.open(QIODevice::ReadOnly);
    QProcess pipe;
    pipe.start(QStringLiteral("cat"), {file});
    ASSERT_TRUE(pipe.waitForStarted());
    for (QIODevice* device : {static_cast<QIODevice*>(&buffer), static_cast<QIODevice*>(&pipe)}) {
        for (const QImage& frame : expected) {
            QImage picture;
            const Status status = readPnmPicture(*device, picture);
            ASSERT_TRUE(status.isOk()) << status.reason();
            EXPECT_EQ(picture, frame);
        }
        QImage after;
        EXPECT_TRUE(readPnmPicture(*device, after).failed());
    }
    pipe.waitForFinished();
}

}  // namespace
}  // namespace glint::test
