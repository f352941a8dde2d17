// HEIF (HEIC, AVIF) and JPEG XL pictures: the pixels another decoder of the same file gives,
// samples deeper than 8 bits rounded to the nearest 8-bit value, and files that must fail.
#include <QFile>

#include "LoaderFixture.h"
#include "PhotoSamples.h"
#include "io/helper/PhotoDecoder.h"
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
    const QStringList lossless444 = {"-L", "-p", "chroma=444", "--matrix_coefficients", "0"};
    struct Case {
        const char* name;
        QString encoder;
        QStringList arguments;  // the source and the output follow
        QString decoder;
        int sourceBits;  // 8: the reference is compared as it is
        QImage::Format format;
    };
    const Case cases[] = {
        {"photo.heic",
         "heif-enc",
         {"-q", "60", "opaque.png", "-o"},
         "heif-convert",
         8,
         QImage::Format_RGB32},
        {"photo.avif",
         "heif-enc",
         {"-A", "-q", "60", "opaque.png", "-o"},
         "heif-convert",
         8,
         QImage::Format_RGB32},
        {"alpha.heic",
         "heif-enc",
         {"-q", "60", "alpha.png", "-o"},
         "heif-convert",
         8,
         QImage::Format_ARGB32},
        {"photo.jxl", "cjxl", {"-d", "2", "opaque.png"}, "djxl", 8, QImage::Format_RGB32},
        {"alpha.jxl", "cjxl", {"-d", "0", "alpha.png"}, "djxl", 8, QImage::Format_ARGB32},
        {"deep10.heic", "heif-enc", lossless444 + QStringList{"-b", "10", "deep.png", "-o"},
         "heif-convert", 10, QImage::Format_RGB32},
        {"deep12.avif", "heif-enc", lossless444 + QStringList{"-A", "-b", "12", "deep.png", "-o"},
         "heif-convert", 12, QImage::Format_RGB32},
        {"deep16.jxl", "cjxl", {"-d", "0", "deep.png"}, "djxl", 16, QImage::Format_RGB32},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        const QString refFile = file + ".png";
        ASSERT_TRUE(runTool(c.encoder, QStringList(c.arguments) << file, dir_.path()));
        ASSERT_TRUE(runTool(c.decoder, {file, refFile}, dir_.path()));
        QImage reference(refFile);
        ASSERT_FALSE(reference.isNull());
        const QImage expected = c.sourceBits == 8 ? reference.convertToFormat(c.format)
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
    const auto bytes = [this](const char* name) {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    };
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

// The decoder runs in a process of its own: its crash, hang or nonsense costs one open.
TEST_F(Photo, AFailingHelperCostsOneFailedOpen) {
    ASSERT_TRUE(photoLike(false).save(path("opaque.png")));
    ASSERT_TRUE(runTool("cjxl", {path("opaque.png"), path("a.jxl")}, dir_.path()));
    const std::pair<const char*, const char*> helpers[] = {
        {"crash", "kill -SEGV $$"},
        {"hang", "sleep 30"},
        {"nonsense", "printf 'GLPH'; head -c 1000000 /dev/urandom"},
        {"short", "printf 'GLPH\\002\\0\\0\\0\\002\\0\\0\\0\\0\\0\\0\\0'; head -c 5 /dev/zero"},
        {"missing", nullptr},
    };
    HelperProcess::Limits limits;
    limits.timeout = std::chrono::milliseconds(1000);
    for (const auto& [name, script] : helpers) {
        SCOPED_TRACE(name);
        const QString helper = path(name);
        if (script) {
            write(name, QByteArray("#!/bin/sh\n") + script + "\n");
            ASSERT_TRUE(QFile::setPermissions(helper, QFile::ReadOwner | QFile::ExeOwner));
        }
        QImage picture(1, 1, QImage::Format_RGB32);
        picture.fill(kBefore);
        // With or without a wait hook, the time limit holds.
        for (const bool hook : {false, true}) {
            const auto whileWaiting = hook ? std::function<void()>([] {}) : nullptr;
            EXPECT_TRUE(
                PhotoDecoder(helper, limits).decode(path("a.jxl"), picture, whileWaiting).failed());
            EXPECT_EQ(picture.pixel(0, 0), kBefore);
        }
    }
    QImage picture;
    EXPECT_TRUE(PhotoDecoder().decode(path("a.jxl"), picture).isOk());
    EXPECT_EQ(picture.size(), QSize(40, 24));
}

// The caller's wait hook runs while a slow helper works, and the picture still comes through.
TEST_F(Photo, WaitHookRunsWhileTheHelperWorks) {
    write("slow", "#!/bin/sh\nsleep 0.3; printf 'GLPH\\001\\0\\0\\0\\001\\0\\0\\0\\0\\0\\0\\0'; "
                  "printf '\\040\\340\\100\\377'\n");
    ASSERT_TRUE(QFile::setPermissions(path("slow"), QFile::ReadOwner | QFile::ExeOwner));
    int calls = 0;
    QImage picture;
    const Status st = PhotoDecoder(path("slow"), {}).decode(path("any.heic"), picture,
                                                           [&calls] { ++calls; });
    ASSERT_TRUE(st.isOk()) << st.reason();
    EXPECT_GE(calls, 5);
    EXPECT_EQ(picture.pixel(0, 0), 0xff40e020u);
}

}  // namespace
}  // namespace glint::test
