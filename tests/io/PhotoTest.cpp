// HEIF (HEIC, AVIF) and JPEG XL pictures: the pixels another decoder of the same file gives,
// samples deeper than 8 bits rounded to the nearest 8-bit value, and files that must fail.
#include <QFile>

#include "LoaderFixture.h"
#include "PhotoSamples.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

constexpr QRgb kBefore = 0xff123456;

// A picture with smooth gradients and sharp edges; with `alpha` a transparent band.
QImage photoLike(bool alpha) {
    QImage image(40, 24, alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y,
                           qRgba(x * 6, y * 10, (x / 8 + y / 8) % 2 ? 230 : 20,
                                 alpha && y >= 8 && y < 16 ? x * 6 : 255));
    return image;
}

// Source samples of 16 bits chosen where truncation and rounding to 8 bits part ways.
QImage deepPicture() {
    const quint16 samples[] = {3 * 64, 7 * 64, 1018 * 64, 514 * 64,  65535,     32768,
                               100,    300,    1021 * 64, 4095 * 16, 2047 * 16, 40000};
    QImage image(4, 1, QImage::Format_RGBX64);
    for (int x = 0; x < 4; ++x)
        image.setPixelColor(
            x, 0, QColor::fromRgba64(samples[3 * x], samples[3 * x + 1], samples[3 * x + 2]));
    return image;
}

// A reference decode at 16 bits per sample (the file's `bits`-bit samples in the high bits)
// reduced to 8 bits by rounding to the nearest value.
QImage roundedToEightBits(const QImage& reference, int bits) {
    const int max = (1 << bits) - 1;
    const auto eight = [bits, max](int v16) {
        return ((v16 >> (16 - bits)) * 255 + max / 2) / max;
    };
    QImage expected(reference.size(), QImage::Format_RGB32);
    for (int y = 0; y < reference.height(); ++y)
        for (int x = 0; x < reference.width(); ++x) {
            const QRgba64 c = reference.pixelColor(x, y).rgba64();
            expected.setPixel(x, y, qRgb(eight(c.red()), eight(c.green()), eight(c.blue())));
        }
    return expected;
}

::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected) {
    if (actual.size() != expected.size() || actual.format() != expected.format())
        return ::testing::AssertionFailure() << "size or format differ";
    for (int y = 0; y < actual.height(); ++y)
        for (int x = 0; x < actual.width(); ++x)
            if (actual.pixel(x, y) != expected.pixel(x, y))
                return ::testing::AssertionFailure()
                       << "pixel " << x << "," << y << " is " << std::hex << actual.pixel(x, y)
                       << ", not " << expected.pixel(x, y);
    return ::testing::AssertionSuccess();
}

using Photo = LoaderTest;

TEST_F(Photo, PixelsAreThoseTheFormatsOwnDecoderGives) {
    ASSERT_TRUE(photoLike(false).save(path("opaque.png")));
    ASSERT_TRUE(photoLike(true).save(path("alpha.png")));
    ASSERT_TRUE(deepPicture().save(path("deep.png")));
    // Samples of 12 bits (the PNG's significant bits), which cjxl keeps as the picture's depth.
    write("deep12.png",
          pngWithChunk(encoded(photoLike(false).convertToFormat(QImage::Format_RGBX64), "png"),
                       "sBIT", QByteArray(3, 12)));
    const QStringList lossless444 = {"-L", "-p", "chroma=444", "--matrix_coefficients", "0"};
    const QStringList deep10 = lossless444 + QStringList{"-b", "10", "deep.png", "-o"};
    const QStringList deep12 = lossless444 + QStringList{"-A", "-b", "12", "deep.png", "-o"};
    const QStringList avif = {"-A", "-q", "60", "opaque.png", "-o"};
    const QStringList frames10 = {"-s", "10", "-d", "10", "deep.png", "deep.png"};
    const QStringList sixteenBits = {"--bits_per_sample=16"};
    struct Case {
        const char* name;
        QString encoder;
        QStringList arguments;  // the output follows
        QString decoder;
        QStringList decoderArguments;  // after the file and the reference
        int sourceBits;  // 8: the reference is compared as it is; 16: one rounding of its samples
        bool stillless;  // an image sequence, its still image taken out
    };
    const Case cases[] = {
        {"photo.heic", "heif-enc", {"-q", "60", "opaque.png", "-o"}, "heif-convert", {}, 8, false},
        {"photo.avif", "heif-enc", avif, "heif-convert", {}, 8, false},
        {"alpha.heic", "heif-enc", {"-q", "60", "alpha.png", "-o"}, "heif-convert", {}, 8, false},
        {"photo.jxl", "cjxl", {"-d", "2", "opaque.png"}, "djxl", {}, 8, false},
        {"alpha.jxl", "cjxl", {"-d", "0", "alpha.png"}, "djxl", {}, 8, false},
        {"deep10.heic", "heif-enc", deep10, "heif-convert", {}, 10, false},
        {"deep12.avif", "heif-enc", deep12, "heif-convert", {}, 12, false},
        {"deep16.jxl", "cjxl", {"-d", "0", "deep.png"}, "djxl", {}, 16, false},
        // Lossy: the decoded samples fall between the steps of 12 bits.
        {"deep12.jxl", "cjxl", {"-d", "1", "deep12.png"}, "djxl", sixteenBits, 16, false},
        // The first frame, not the second (the frames differ in every pixel).
        {"frames.avif", "avifenc", {"-s", "10", "alpha.png", "opaque.png"}, "avifdec", {}, 8, true},
        {"frames10.avif", "avifenc", frames10, "avifdec", {"-d", "8"}, 8, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        const QString refFile = file + ".png";
        ASSERT_TRUE(runTool(c.encoder, QStringList(c.arguments) << file, dir_.path()));
        if (c.stillless) write(c.name, withoutStillImage(readFile(file)));
        ASSERT_TRUE(
            runTool(c.decoder, QStringList{file, refFile} + c.decoderArguments, dir_.path()));
        QImage reference(refFile);
        ASSERT_FALSE(reference.isNull());
        const QImage expected =
            c.sourceBits == 8
                ? reference.convertToFormat(reference.hasAlphaChannel() ? QImage::Format_ARGB32
                                                                        : QImage::Format_RGB32)
                : roundedToEightBits(reference, c.sourceBits);
        QImage picture;
        const Status status = LoadPicture(file, picture);
        ASSERT_TRUE(status.isOk()) << status.reason();
        EXPECT_TRUE(samePixels(picture, expected));
    }
}

// The GIF with each frame shown for 0.1 s (a graphic control block before each image); frames
// without a duration would be layers of one picture.
QByteArray withFrameDelays(QByteArray gif) {
    constexpr qsizetype kFirstImage = 13 + 12;  // after the header and a 4-colour palette
    const QByteArray control = QByteArray::fromHex("21f904000a000000");
    for (qsizetype at = kFirstImage; at < gif.size() && gif[at] == ',';) {
        gif.insert(at, control);
        at += control.size() + 10 + 1;  // image descriptor, code size
        while (at < gif.size() && gif[at] != 0) at += static_cast<unsigned char>(gif[at]) + 1;
        ++at;
    }
    return gif;
}

TEST_F(Photo, AnAnimationGivesItsFirstFrame) {
    write("two.gif", withFrameDelays(twoFrameGif(3, 1, 2)));  // a green frame, then a blue one
    ASSERT_TRUE(runTool("cjxl", {"two.gif", "two.jxl"}, dir_.path()));
    QImage picture;
    const Status status = LoadPicture(path("two.jxl"), picture);
    ASSERT_TRUE(status.isOk()) << status.reason();
    ASSERT_EQ(picture.size(), QSize(3, 1));
    for (int x = 0; x < 3; ++x) EXPECT_EQ(picture.pixel(x, 0), 0xff00ff00) << x;
}

QByteArray withIspe(QByteArray heif, quint32 width, quint32 height) {
    const qsizetype at = heif.indexOf("ispe") + 8;  // after the type, version and flags
    for (int i = 0; i < 4; ++i) {
        heif[at + i] = static_cast<char>(width >> (24 - 8 * i));
        heif[at + 4 + i] = static_cast<char>(height >> (24 - 8 * i));
    }
    return heif;
}

TEST_F(Photo, DamagedAndOversizedFilesFailAndKeepThePicture) {
    // A coded size of whole blocks: the header's size is the picture's size, with no cropping.
    ASSERT_TRUE(photoLike(false).scaled(64, 64).save(path("opaque.png")));
    QImage wide(30001, 1, QImage::Format_RGB32);
    wide.fill(Qt::gray);
    ASSERT_TRUE(wide.save(path("wide.png")));
    ASSERT_TRUE(runTool("heif-enc", {"opaque.png", "-o", path("a.heic")}, dir_.path()));
    ASSERT_TRUE(runTool("heif-enc", {"-A", "opaque.png", "-o", path("a.avif")}, dir_.path()));
    ASSERT_TRUE(runTool("cjxl", {path("opaque.png"), path("a.jxl")}, dir_.path()));
    ASSERT_TRUE(runTool("cjxl", {path("wide.png"), path("wide.jxl")}, dir_.path()));
    QFile::remove(path("wide.png"));
    const auto bytes = [this](const char* name) { return readFile(path(name)); };
    const QByteArray heic = bytes("a.heic");
    const QByteArray avif = bytes("a.avif");
    const QByteArray jxl = bytes("a.jxl");
    const std::pair<const char*, QByteArray> cases[] = {
        {"cut.heic", heic.left(heic.size() * 3 / 4)},
        {"cut.avif", avif.left(avif.size() * 3 / 4)},
        {"cut.jxl", jxl.left(jxl.size() / 2)},
        {"header-only.heic", heic.left(32)},
        {"garbled.jxl", jxl.left(16) + QByteArray(jxl.size(), '\x5a')},
        {"huge.heic", withIspe(heic, 40000, 40000)},
        {"too-many.heic", withIspe(heic, 20000, 20000)},
        {"wide.jxl", bytes("wide.jxl")},
    };
    for (const auto& [name, data] : cases) {
        SCOPED_TRACE(name);
        QImage picture(1, 1, QImage::Format_RGB32);
        picture.fill(kBefore);
        EXPECT_TRUE(LoadPicture(write(name, data), picture).failed());
        EXPECT_EQ(picture.pixel(0, 0), kBefore);
    }
}

// A well-formed file of a variant that no decoder here reads is named, not called damaged.
TEST_F(Photo, EachFailureSaysWhy) {
    // Whole blocks: no cropping box, so the header's size is the picture's size.
    ASSERT_TRUE(photoLike(false).scaled(64, 64).save(path("opaque.png")));
    ASSERT_TRUE(runTool("heif-enc", {"opaque.png", "-o", path("a.heic")}, dir_.path()));
    ASSERT_TRUE(
        runTool("avifenc", {"-s", "10", "opaque.png", "opaque.png", "a.avif"}, dir_.path()));
    const QByteArray heic = readFile(path("a.heic"));
    const QByteArray frames = withoutStillImage(readFile(path("a.avif")));
    const auto codedAs = [&heic](const char* type) {
        return withRenamedBox(heic, "iinf", "hvc1", type);  // the primary item's type
    };
    const QByteArray mini = QByteArray::fromHex("00000010") + "ftypmif3heic" +
                            QByteArray::fromHex("0000000c") + "mini" + QByteArray(4, 'Z');
    const auto unsupported = [](const char* variant) {
        return std::string("is ") + variant + ", which this installation cannot decode";
    };
    const struct {
        const char* name;
        QByteArray bytes;
        std::string why;
    } cases[] = {
        {"avc.heic", codedAs("avc1"), unsupported("a HEIF with an AVC-coded image")},
        {"jpeg.heic", codedAs("jpeg"), unsupported("a HEIF with a JPEG-coded image")},
        {"j2k.heic", codedAs("j2k1"), unsupported("a HEIF with a JPEG 2000-coded image")},
        {"unci.heic", codedAs("unci"), unsupported("a HEIF with an uncompressed image")},
        {"mini.heic", mini, unsupported("a HEIF in the low-overhead 'mini' layout")},
        {"hevc-frames.heif", withRenamedBox(frames, "stsd", "av01", "hvc1"),
         unsupported("a HEIF image sequence of HEVC-coded frames")},
        {"empty.heic", withIspe(heic, 0, 0), "picture is empty"},
        {"cut-frames.avif", frames.left(frames.size() * 3 / 4), "picture is damaged or unreadable"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        QImage picture;
        const Status status = LoadPicture(write(c.name, c.bytes), picture);
        // "x.heic is a ..., which ..." for what is unsupported, "x.heic: ..." for the rest.
        EXPECT_EQ(status.reason(),
                  std::string(c.name) + (status.isUnsupported() ? " " : ": ") + c.why);
    }
}

}  // namespace
}  // namespace glint::test
