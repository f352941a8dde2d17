// The picture helper's TIFF reader: every sample layout libtiff writes gives, pixel for pixel,
// what ImageMagick or Pillow read from the same file; damage, unsupported variants, empty and
// oversized pictures are told apart, and libtiff stays silent on standard error.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <tiffio.h>
#include <unistd.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>
#include <array>
#include <vector>

#include "ReferenceDecoders.h"
#include "helpers/picture/TiffReader.h"

namespace glint::test {
namespace {

using picture::readTiff;
using picture::TiffOutcome;

// A TIFF as libtiff writes it.
struct Layout {
    std::uint16_t photometric = PHOTOMETRIC_RGB;
    std::uint16_t bits = 8;
    int extra = 0;  // 0: no alpha, else the ExtraSamples value of one alpha sample
    bool planes = false;
    bool tiles = false;
    std::uint16_t compression = COMPRESSION_NONE;
    std::uint16_t orientation = ORIENTATION_TOPLEFT;
};

constexpr std::uint32_t kWidth = 37;  // more than two 16-pixel tiles, the last one partly used
constexpr std::uint32_t kHeight = 21;

int coloursOf(std::uint16_t photometric) {
    switch (photometric) {
        case PHOTOMETRIC_RGB:
            return 3;
        case PHOTOMETRIC_SEPARATED:
            return 4;
        default:
            return 1;
    }
}

// Sample `s` of pixel (x, y), spread over 0..max with 0 and max among them.
std::uint32_t pattern(std::uint32_t x, std::uint32_t y, int s, std::uint32_t max) {
    const std::uint32_t v =
        (x * 2654435761u) ^ (y * 40503u) ^ (static_cast<std::uint32_t>(s) * 97u);
    return (v >> 5) % (max + 3) > max ? ((v & 1) ? max : 0) : (v >> 5) % (max + 1);
}

// With alpha: colours that are multiples of 3 and alphas of 0, max / 3 and max, so that a
// premultiplied colour is exact and every reader divides it back alike.
std::uint32_t sampleOf(std::uint32_t x, std::uint32_t y, int s, int colours, const Layout& l) {
    const std::uint32_t max = (1u << l.bits) - 1;
    if (l.extra == 0) return pattern(x, y, s, max);
    const std::uint32_t alphas[] = {0, max / 3, max};
    const std::uint32_t alpha = alphas[pattern(x, y, colours, 2)];
    if (s == colours) return alpha;
    const std::uint32_t colour = pattern(x, y, s, max) / 3 * 3;
    return l.extra == EXTRASAMPLE_ASSOCALPHA ? colour * alpha / max : colour;
}

// Writes `layout` to `path`; false when libtiff refuses.
bool writeTiff(const QString& path, const Layout& layout) {
    const int colours = coloursOf(layout.photometric);
    const int samples = colours + (layout.extra != 0 ? 1 : 0);
    TIFF* t = TIFFOpen(QFile::encodeName(path).constData(), "w");
    if (t == nullptr) return false;
    TIFFSetField(t, TIFFTAG_IMAGEWIDTH, kWidth);
    TIFFSetField(t, TIFFTAG_IMAGELENGTH, kHeight);
    TIFFSetField(t, TIFFTAG_BITSPERSAMPLE, layout.bits);
    TIFFSetField(t, TIFFTAG_SAMPLESPERPIXEL, samples);
    TIFFSetField(t, TIFFTAG_PHOTOMETRIC, layout.photometric);
    TIFFSetField(t, TIFFTAG_PLANARCONFIG,
                 layout.planes ? PLANARCONFIG_SEPARATE : PLANARCONFIG_CONTIG);
    TIFFSetField(t, TIFFTAG_COMPRESSION, layout.compression);
    TIFFSetField(t, TIFFTAG_ORIENTATION, layout.orientation);
    if (layout.extra != 0) {
        const std::uint16_t kind = static_cast<std::uint16_t>(layout.extra);
        TIFFSetField(t, TIFFTAG_EXTRASAMPLES, 1, &kind);
    }
    const std::uint32_t band = layout.tiles ? 16 : 4;
    if (layout.tiles) {
        TIFFSetField(t, TIFFTAG_TILEWIDTH, 16);
        TIFFSetField(t, TIFFTAG_TILELENGTH, 16);
    } else {
        TIFFSetField(t, TIFFTAG_ROWSPERSTRIP, band);
    }
    const int planes = layout.planes ? samples : 1;
    const int perPixel = layout.planes ? 1 : samples;
    const std::uint32_t span = layout.tiles ? 16 : kWidth;
    const std::size_t rowBytes = (span * perPixel * layout.bits + 7) / 8;
    bool ok = true;
    for (int p = 0; p < planes && ok; ++p) {
        for (std::uint32_t y0 = 0; y0 < kHeight; y0 += band) {
            for (std::uint32_t x0 = 0; x0 < kWidth; x0 += span) {
                std::vector<std::uint8_t> chunk(rowBytes * band);
                for (std::uint32_t r = 0; r < band && y0 + r < kHeight; ++r) {
                    for (std::uint32_t i = 0; i < span * perPixel; ++i) {
                        const std::uint32_t x = x0 + i / perPixel;
                        const int s = layout.planes ? p : static_cast<int>(i % perPixel);
                        if (x >= kWidth) continue;
                        const std::uint32_t v = sampleOf(x, y0 + r, s, colours, layout);
                        std::uint8_t* row = chunk.data() + r * rowBytes;
                        if (layout.bits == 16) {
                            const auto v16 = static_cast<std::uint16_t>(v);
                            std::memcpy(row + 2 * i, &v16, 2);
                        } else if (layout.bits == 8) {
                            row[i] = static_cast<std::uint8_t>(v);
                        } else {
                            const std::size_t bit = i * layout.bits;
                            row[bit / 8] |=
                                static_cast<std::uint8_t>(v << (8 - layout.bits - bit % 8));
                        }
                    }
                }
                const auto plane = static_cast<std::uint16_t>(p);
                if (layout.tiles) {
                    ok = ok &&
                         TIFFWriteEncodedTile(t, TIFFComputeTile(t, x0, y0, 0, plane), chunk.data(),
                                              static_cast<tmsize_t>(chunk.size())) >= 0;
                } else {
                    const auto bytes = rowBytes * std::min(band, kHeight - y0);
                    ok =
                        ok && TIFFWriteEncodedStrip(t, TIFFComputeStrip(t, y0, plane), chunk.data(),
                                                    static_cast<tmsize_t>(bytes)) >= 0;
                }
            }
        }
    }
    TIFFClose(t);
    return ok;
}

QByteArray readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

picture::TiffResult read(const QByteArray& bytes, photo::DecodedPhoto& photo) {
    return readTiff(reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                    static_cast<std::size_t>(bytes.size()), photo);
}

QImage imageOf(const photo::DecodedPhoto& photo) {
    QImage image(static_cast<int>(photo.width), static_cast<int>(photo.height),
                 QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y)
        std::memcpy(image.scanLine(y), photo.pixels.data() + y * photo.width, photo.width * 4);
    return image;
}

class TiffReaderTest : public ::testing::Test {
  protected:
    QString path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

TEST_F(TiffReaderTest, EveryLayoutReadsAsAnIndependentDecoderReadsIt) {
    const std::uint16_t assoc = EXTRASAMPLE_ASSOCALPHA;
    const std::uint16_t unassoc = EXTRASAMPLE_UNASSALPHA;
    const struct {
        const char* name;
        Layout layout;
        Reference reference;
    } cases[] = {
        {"grey1-white.tif", {PHOTOMETRIC_MINISWHITE, 1}, Reference::Pillow},
        {"grey4.tif", {PHOTOMETRIC_MINISBLACK, 4}, Reference::ImageMagick},
        {"grey8-lzw-tiles.tif",
         {PHOTOMETRIC_MINISBLACK, 8, 0, false, true, COMPRESSION_LZW},
         Reference::Pillow},
        {"grey16.tif", {PHOTOMETRIC_MINISBLACK, 16}, Reference::ImageMagick},
        {"grey8-assoc-planes.tif",
         {PHOTOMETRIC_MINISBLACK, 8, assoc, true},
         Reference::ImageMagick},
        {"grey8-unassoc.tif", {PHOTOMETRIC_MINISBLACK, 8, unassoc}, Reference::Pillow},
        {"grey16-assoc-tiles.tif",
         {PHOTOMETRIC_MINISBLACK, 16, assoc, false, true},
         Reference::ImageMagick},
        {"rgb8-deflate.tif",
         {PHOTOMETRIC_RGB, 8, 0, false, false, COMPRESSION_ADOBE_DEFLATE},
         Reference::Pillow},
        {"rgb8-planes-tiles.tif", {PHOTOMETRIC_RGB, 8, 0, true, true}, Reference::Pillow},
        {"rgb16.tif", {PHOTOMETRIC_RGB, 16}, Reference::ImageMagick},
        {"rgb8-unassoc-planes.tif", {PHOTOMETRIC_RGB, 8, unassoc, true}, Reference::Pillow},
        {"rgb8-assoc.tif", {PHOTOMETRIC_RGB, 8, assoc}, Reference::ImageMagick},
        {"rgb16-unassoc.tif", {PHOTOMETRIC_RGB, 16, unassoc}, Reference::ImageMagick},
        {"rgb16-assoc-planes.tif", {PHOTOMETRIC_RGB, 16, assoc, true}, Reference::ImageMagick},
        {"cmyk8.tif", {PHOTOMETRIC_SEPARATED, 8}, Reference::Pillow},
        {"cmyk8-planes.tif", {PHOTOMETRIC_SEPARATED, 8, 0, true}, Reference::Pillow},
        // Stored rows, turned by the loader later; Pillow turns them as the tag says.
        {"rgb8-upside-down.tif",
         {PHOTOMETRIC_RGB, 8, 0, false, false, COMPRESSION_NONE, ORIENTATION_BOTRIGHT},
         Reference::Pillow},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        ASSERT_TRUE(writeTiff(file, c.layout));
        photo::DecodedPhoto photo;
        const auto result = read(readAll(file), photo);
        ASSERT_EQ(result.outcome, TiffOutcome::Ok) << result.detail;
        EXPECT_EQ(photo.hasAlpha, c.layout.extra != 0);
        // The references premultiply or turn rows themselves: they read a twin with the same
        // colours unassociated, and chunky, or the picture as its orientation shows it.
        Layout twin = c.layout;
        if (twin.extra == EXTRASAMPLE_ASSOCALPHA)
            twin = {twin.photometric, twin.bits, EXTRASAMPLE_UNASSALPHA};
        const QString twinFile = path("twin.tif");
        ASSERT_TRUE(writeTiff(twinFile, twin));
        const bool turned = c.layout.orientation == ORIENTATION_BOTRIGHT;
        EXPECT_TRUE(samePixels(imageOf(photo).mirrored(turned, turned),
                               referenceImage(c.reference, twinFile)));
    }
}

// Runs `statement` in Python with Pillow, where `g` is a grey gradient, `rgb` a colour picture
// (both 37 x 21) and `out` the file to write.
bool pillowWrites(const QString& out, const char* statement) {
    QProcess python;
    python.start(QStringLiteral("/usr/bin/python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, subprocess\nfrom PIL import Image\n"
                                 "g = Image.linear_gradient('L').resize((37, 21))\n"
                                 "rgb = Image.merge('RGB', [g, g.rotate(180), g.transpose(0)])\n"
                                 "out = sys.argv[1]\n%1\n")
                      .arg(QString::fromLatin1(statement)),
                  out});
    return python.waitForFinished(60000) && python.exitCode() == 0;
}

// `tiff` (little-endian) with the first page's tag `tag` set to `value`.
QByteArray withTag(QByteArray tiff, std::uint16_t tag, std::uint32_t value) {
    const auto u16 = [&](qsizetype at) {
        return qFromLittleEndian<quint16>(tiff.constData() + at);
    };
    const qsizetype ifd = qFromLittleEndian<quint32>(tiff.constData() + 4);
    for (int i = 0; i < u16(ifd); ++i) {
        const qsizetype entry = ifd + 2 + 12 * i;
        if (u16(entry) != tag) continue;
        if (u16(entry + 2) == TIFF_SHORT)
            qToLittleEndian<quint16>(static_cast<quint16>(value), tiff.data() + entry + 8);
        else
            qToLittleEndian<quint32>(value, tiff.data() + entry + 8);
    }
    return tiff;
}

TEST_F(TiffReaderTest, OtherModelsDamageAndVariantsAreToldApart) {
    ASSERT_TRUE(pillowWrites(path("g4.tif"), "rgb.convert('1').save(out, compression='group4')"));
    ASSERT_TRUE(pillowWrites(path("lzw.tif"), "rgb.save(out, compression='tiff_lzw')"));
    const QByteArray g4 = readAll(path("g4.tif"));
    QByteArray badCodes = g4;  // the strip starts at byte 8
    for (int i = 40; i < 48; ++i) badCodes[i] = static_cast<char>(0xFF);
    const QByteArray lzw = readAll(path("lzw.tif"));
    const struct {
        const char* name;
        const char* pillowWrites;  // or nothing, for `bytes`
        QByteArray bytes;
        TiffOutcome outcome;
        const char* detail;
    } cases[] = {
        {"palette.tif", "rgb.quantize(16).save(out)", {}, TiffOutcome::Ok, ""},
        {"ycbcr-jpeg.tif",
         "rgb.save(out + '.rgb.tif'); subprocess.check_call(['tiffcp', '-c', 'jpeg', out + "
         "'.rgb.tif', "
         "out])",
         {},
         TiffOutcome::Ok,
         ""},
        {"g4.tif", nullptr, g4, TiffOutcome::Ok, ""},
        {"bad-codes.tif", nullptr, badCodes, TiffOutcome::Damaged, "Bad code word"},
        {"cut.tif", nullptr, lzw.left(lzw.size() / 2), TiffOutcome::Damaged, ""},
        {"no-tiff.tif", nullptr, "II*\0 this is no directory", TiffOutcome::Damaged, ""},
        {"float.tif",
         "g.convert('F').save(out)",
         {},
         TiffOutcome::Unsupported,
         "a TIFF of 32-bit floating-point samples"},
        {"empty.tif", nullptr, withTag(lzw, TIFFTAG_IMAGEWIDTH, 0), TiffOutcome::Empty, ""},
        {"huge.tif", nullptr, withTag(lzw, TIFFTAG_IMAGEWIDTH, 40000), TiffOutcome::TooLarge, ""},
    };
    // libtiff says nothing on standard error while it reads them.
    const QString errors = path("stderr");
    const int saved = ::dup(STDERR_FILENO);
    const int into = ::open(QFile::encodeName(errors).constData(), O_WRONLY | O_CREAT, 0600);
    ASSERT_GE(into, 0);
    ::dup2(into, STDERR_FILENO);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = path(c.name);
        if (c.pillowWrites != nullptr) {
            ASSERT_TRUE(pillowWrites(file, c.pillowWrites));
        } else {
            QFile out(file);
            ASSERT_TRUE(out.open(QIODevice::WriteOnly) && out.write(c.bytes) == c.bytes.size());
        }
        photo::DecodedPhoto photo;
        const auto result = read(readAll(file), photo);
        EXPECT_EQ(result.outcome, c.outcome) << "detail: " << result.detail;
        EXPECT_NE(result.detail.find(c.detail), std::string::npos) << result.detail;
        if (c.outcome == TiffOutcome::Ok) {
            EXPECT_TRUE(samePixels(imageOf(photo), referenceImage(Reference::Pillow, file)));
        }
    }
    ::dup2(saved, STDERR_FILENO);
    ::close(saved);
    ::close(into);
    EXPECT_EQ(readAll(errors), QByteArray());
}

}  // namespace
}  // namespace glint::test
