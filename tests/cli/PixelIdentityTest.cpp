// The tool's files against what the window draws for the same picture and settings: the
// picture shown in a source picture box, every row drawn by the row kernel into one whole
// destination image.
#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <memory>

#include "FileConverter.h"
#include "TestPictures.h"
#include "engine/RenderExtent.h"
#include "engine/RowKernel.h"
#include "io/decode/PictureLoader.h"
#include "io/output/GifFrameSink.h"
#include "io/output/JpegRowSink.h"
#include "io/output/PngRowSink.h"
#include "io/output/TiffRowSink.h"
#include "io/output/WebpRowSink.h"
#include "platform/PictureBox.h"

namespace glint {
namespace {

QImage windowRender(const QImage& picture, const RowValues& values) {
    PictureBox picSrc;
    picSrc.setAutoSize(true);
    EXPECT_TRUE(picSrc.assignPicture(picture).isOk());
    RenderExtent extent;
    EXPECT_TRUE(computeExtent(picSrc.scaleWidth(), picSrc.scaleHeight(), extent).isOk());
    QImage dst(picture.width() * values.scale, picture.height() * values.scale,
               QImage::Format_RGB32);
    dst.fill(0xFF5A5A5A);  // shows through wherever a row was left out
    const PixelView view{reinterpret_cast<std::uint32_t*>(dst.bits()), dst.width(), dst.height(),
                         dst.bytesPerLine() / 4};
    for (std::int32_t i = 0; i <= extent.lastRow; ++i) {
        EXPECT_TRUE(drawSourceRow(picSrc.pixels(), i, extent.lastColumn, values, view).isOk());
    }
    return dst;
}

int bitsPerPixelOfBmp(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return -1;
    const QByteArray head = f.read(30);
    return head.size() < 30 ? -1 : static_cast<unsigned char>(head[28]) | (head[29] << 8);
}

class PixelIdentity : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    // Converts `input` to `name` and returns the decoded result (null on failure).
    QImage convert(const QString& input, const QString& name, const RowValues& values,
                   bool streamed, const EncoderSettings& encoder = {}) {
        PictureFile file;
        EXPECT_TRUE(PictureFile::open(QFile::encodeName(input), file).isOk());
        ConvertRequest request;
        request.output = QFile::encodeName(dir_.filePath(name));
        request.values = values;
        request.encoder = encoder;
        request.force = true;
        request.streamed = streamed;
        const ConvertOutcome outcome = convertFile(file, request);
        EXPECT_TRUE(outcome.ok) << name.toStdString() << ": " << outcome.error.toStdString();
        return test::readPixels(dir_.filePath(name));
    }

    // Converts the file `input` as `request` says.
    static ConvertOutcome convertPath(const QString& input, const ConvertRequest& request) {
        PictureFile file;
        const Status opened = PictureFile::open(QFile::encodeName(input), file);
        if (opened.failed()) {
            ConvertOutcome outcome;
            outcome.error = QString::fromStdString(opened.reason());
            return outcome;
        }
        return convertFile(file, request);
    }

    QTemporaryDir dir_;
};

// Qt's jpg writer at `quality`, which wrote the tool's jpg files before they were streamed.
QByteArray qtJpeg(const QImage& image, int quality) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "jpg");
    writer.setQuality(quality);
    EXPECT_TRUE(writer.write(image));
    return buffer.data();
}

QByteArray contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TEST_F(PixelIdentity, EveryOutputMatchesTheWindowAtScalesOneToFive) {
    struct Output {
        const char* name;
        bool streamed;
        EncoderSettings encoder;
    };
    const Output lossless[] = {
        {"s.bmp", true, {}},  {"s.png", true, {}},       {"f.png", true, {{}, 9}},
        {"s.tiff", true, {}}, {"d.tiff", true, {{}, 6}}, {"s.webp", true, {{}, {}, true}},
        {"s.gif", true, {}},  {"s.ppm", true, {}},       {"m.bmp", false, {}},
        {"m.png", false, {}}, {"m.tiff", false, {}},
    };
    const QSize sizes[] = {{1, 1}, {1, 6}, {7, 1}, {13, 9}, {64, 3}};
    std::uint32_t seed = 1;
    for (const QSize size : sizes) {
        const QImage picture = test::randomPicture(size.width(), size.height(), seed++);
        const QString input = dir_.filePath("in.png");
        ASSERT_TRUE(test::writePicture(picture, input));
        for (std::int32_t scale = 1; scale <= 5; ++scale) {
            const RowValues values{scale, RGB(30, 60, 90), 17 * scale, 255 - scale};
            const QImage expected = windowRender(picture, values);
            SCOPED_TRACE(testing::Message()
                         << size.width() << "x" << size.height() << " scale " << scale);
            for (const Output& out : lossless) {
                EXPECT_EQ(convert(input, out.name, values, out.streamed, out.encoder), expected)
                    << out.name;
            }
            EXPECT_EQ(bitsPerPixelOfBmp(dir_.filePath("s.bmp")), 24);
            // The same bytes as Qt's writer made from the whole picture.
            for (const int quality : {kDefaultJpegQuality, 0, 93}) {
                EncoderSettings jpeg;
                if (quality != kDefaultJpegQuality) jpeg.quality = quality;
                convert(input, "s.jpg", values, true, jpeg);
                EXPECT_EQ(contents(dir_.filePath("s.jpg")), qtJpeg(expected, quality))
                    << "quality " << quality;
            }
        }
    }
}

// Lossy webp: the rows are converted to YUV in chunks as they come; decoded, a smooth picture
// of several chunks stays close to the render everywhere.
TEST_F(PixelIdentity, LossyWebpStaysCloseToTheWindow) {
    QImage picture(64, 50, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) picture.setPixel(x, y, qRgb(x, 5 * y, 2 * x));
    const QString input = dir_.filePath("smooth.png");
    ASSERT_TRUE(test::writePicture(picture, input));
    const RowValues values{1, RGB(0, 0, 0), 120, 40};
    const QImage expected = windowRender(picture, values);
    const QImage got = convert(input, "q.webp", values, true, EncoderSettings{90, {}, false});
    ASSERT_EQ(got.size(), expected.size());
    int worst = 0;
    for (int y = 0; y < got.height(); ++y) {
        for (int x = 0; x < got.width(); ++x) {
            const QRgb a = got.pixel(x, y);
            const QRgb b = expected.pixel(x, y);
            worst = std::max({worst, std::abs(qRed(a) - qRed(b)), std::abs(qGreen(a) - qGreen(b)),
                              std::abs(qBlue(a) - qBlue(b))});
        }
    }
    EXPECT_LE(worst, 16);  // 6 here; a chunk's chroma in a wrong place is off by over 100
}

TEST_F(PixelIdentity, TransparencyIsSeenAsTheWindowShowsIt) {
    const QImage picture = test::randomPicture(11, 5, 99, true);
    const QString input = dir_.filePath("alpha.png");
    ASSERT_TRUE(test::writePicture(picture, input));
    const RowValues values{3, RGB(0, 0, 255), 0, 0};
    const QImage expected = windowRender(picture, values);
    EXPECT_EQ(convert(input, "a.bmp", values, true), expected);
    EXPECT_EQ(convert(input, "a.png", values, true), expected);
}

TEST_F(PixelIdentity, StreamedAndWholeOutputsAgreeOnALargerPicture) {
    const QImage picture = test::randomPicture(301, 157, 7);
    const QString input = dir_.filePath("big.bmp");
    ASSERT_TRUE(test::writePicture(picture, input));
    const RowValues values{4, RGB(255, 255, 0), 128, 64};
    const QImage streamedBmp = convert(input, "s.bmp", values, true);
    ASSERT_FALSE(streamedBmp.isNull());
    EXPECT_EQ(streamedBmp.size(), QSize(1204, 628));
    EXPECT_EQ(convert(input, "m.bmp", values, false), streamedBmp);
    EXPECT_EQ(convert(input, "s.png", values, true), streamedBmp);
    EXPECT_EQ(convert(input, "m.png", values, false), streamedBmp);
}

// Wide bitmaps go out in several chunks of rows, among gap rows written ahead of them while
// the input (bitmaps with rows stored either way, a png) is decoded.
TEST_F(PixelIdentity, WideBitmapsOfManyChunksMatchTheWindow) {
    const QImage picture = test::randomPicture(2000, 200, 11);
    const QStringList inputs{dir_.filePath("wide.bmp"), dir_.filePath("top-down.bmp"),
                             dir_.filePath("wide.png")};
    ASSERT_TRUE(test::writePicture(picture, inputs[0]));
    ASSERT_TRUE(test::writeTopDownBmp(picture, inputs[1]));
    ASSERT_TRUE(test::writePicture(picture, inputs[2]));
    for (const std::int32_t scale : {1, 2, 5}) {
        const RowValues values{scale, RGB(9, 8, 7), 50, 150};
        const QImage expected = windowRender(picture, values);
        for (const QString& input : inputs) {
            EXPECT_EQ(convert(input, "w.bmp", values, true), expected)
                << input.toStdString() << " scale " << scale;
        }
    }
}

// A 32-bit bitmap with an alpha mask (a 108-byte header), which Qt's writer does not make.
bool writeAlphaBmp(const QImage& picture, const QString& path) {
    constexpr int kHeaders = 14 + 108;
    const QImage argb = picture.convertToFormat(QImage::Format_ARGB32);
    QByteArray b(kHeaders, '\0');
    const auto put = [&b](int at, std::uint32_t v) { qToLittleEndian(v, b.data() + at); };
    const auto pixels = static_cast<std::uint32_t>(argb.width() * argb.height() * 4);
    b[0] = 'B';
    b[1] = 'M';
    put(2, kHeaders + pixels);
    put(10, kHeaders);
    put(14, 108);
    put(18, static_cast<std::uint32_t>(argb.width()));
    put(22, static_cast<std::uint32_t>(argb.height()));
    put(26, 1 | 32u << 16);  // one plane, 32 bits
    put(30, 3);              // bit fields
    put(54, 0x00FF0000);
    put(58, 0x0000FF00);
    put(62, 0x000000FF);
    put(66, 0xFF000000);
    for (int y = argb.height() - 1; y >= 0; --y)
        b.append(reinterpret_cast<const char*>(argb.constScanLine(y)), argb.width() * 4);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(b) == b.size();
}

// Rows drawn while the source is decoded (a photo, a bitmap of one row) and rows drawn after
// it (a bitmap with transparency): the window's render of the picture as loaded.
TEST_F(PixelIdentity, RowsDrawnWhileDecodingMatchTheWindow) {
    const std::pair<QString, QImage> cases[] = {
        {"photo.jpg", test::randomPicture(900, 120, 5)},
        {"row.bmp", test::randomPicture(50, 1, 6)},
        {"alpha.bmp", test::randomPicture(60, 40, 8, true)},
    };
    for (const auto& [name, picture] : cases) {
        const QString input = dir_.filePath(name);
        ASSERT_TRUE(picture.hasAlphaChannel() ? writeAlphaBmp(picture, input)
                                              : test::writePicture(picture, input));
        QImage loaded;
        ASSERT_TRUE(LoadPicture(input, loaded).isOk()) << name.toStdString();
        EXPECT_EQ(loaded.hasAlphaChannel(), picture.hasAlphaChannel()) << name.toStdString();
        for (const std::int32_t scale : {2, 5}) {
            const RowValues values{scale, RGB(30, 60, 90), 200, 10};
            EXPECT_EQ(convert(input, "d.bmp", values, true), windowRender(loaded, values))
                << name.toStdString() << " scale " << scale;
        }
    }
}

// Every frame of `path` as Qt's readers compose them, with the delays they tell.
PictureFrames qtFrames(const QString& path) {
    QImageReader reader(path);
    PictureFrames frames;
    frames.loops = reader.loopCount();
    constexpr std::size_t kMostFrames = 64;
    for (QImage frame; frames.frames.size() < kMostFrames && reader.read(&frame);) {
        frames.frames.push_back(
            {frame.convertToFormat(QImage::Format_RGB32), reader.nextImageDelay()});
        // Animations move on as they are read; pages are turned.
        if (!reader.supportsAnimation() && !reader.jumpToNextImage()) break;
    }
    return frames;
}

// What a viewer shows: each picture with the time it stays (0 when `timed` is false), a frame
// equal to the one before taken together with it (the webp encoder merges them).
std::vector<std::pair<QImage, std::int32_t>> shownOverTime(const PictureFrames& frames,
                                                           bool timed) {
    std::vector<std::pair<QImage, std::int32_t>> shown;
    for (const PictureFrame& f : frames.frames) {
        const std::int32_t delay = timed ? f.delayMs : 0;
        if (!shown.empty() && shown.back().first == f.picture)
            shown.back().second += delay;
        else
            shown.emplace_back(f.picture, delay);
    }
    return shown;
}

// Animations in and out, read back by Qt's readers: every frame as the window renders the
// input's frame, the delays and loop count kept. The input GIF has frames that change in part
// only and a frame equal to the one before.
TEST_F(PixelIdentity, AnimationsKeepEveryFrameExactly) {
    const QImage a = test::randomPicture(16, 12, 1);
    QImage b = a.copy();
    for (int x = 3; x < 9; ++x) b.setPixel(x, 4, qRgb(x, 255 - x, 7));
    QImage c = test::randomPicture(16, 12, 2);
    const std::vector<QImage> pictures{a, b, b, c};
    const std::vector<std::int32_t> delays{40, 70, 30, 1230};
    const QString input = dir_.filePath("in.gif");
    {
        GifFrameSink gif;
        ASSERT_TRUE(gif.open(input, 16, 12, {4, 3}).isOk());
        for (std::size_t k = 0; k < pictures.size(); ++k) {
            const QImage& p = pictures[k];
            ASSERT_TRUE(gif.addFrame({reinterpret_cast<const std::uint32_t*>(p.constBits()),
                                      p.width(), p.height(), p.bytesPerLine() / 4},
                                     delays[k])
                            .isOk());
        }
        ASSERT_TRUE(gif.commit().isOk());
    }
    const PictureFrames in = qtFrames(input);
    ASSERT_EQ(in.frames.size(), pictures.size());
    EXPECT_EQ(in.loops, 2);  // Qt counts the repeats after the first play
    for (std::size_t k = 0; k < pictures.size(); ++k) {
        EXPECT_EQ(in.frames[k].picture, pictures[k]) << "input frame " << k;
        EXPECT_EQ(in.frames[k].delayMs, delays[k]);
    }
    const RowValues values{3, RGB(20, 30, 40), 200, 9};
    PictureFrames rendered;
    for (std::size_t k = 0; k < pictures.size(); ++k)
        rendered.frames.push_back({windowRender(pictures[k], values), delays[k]});
    const std::pair<const char*, EncoderSettings> outputs[] = {
        {"out.gif", {}}, {"out.webp", {{}, {}, true}}, {"out.tiff", {}}};
    for (const auto& [name, encoder] : outputs) {
        SCOPED_TRACE(name);
        ConvertRequest request;
        request.output = QFile::encodeName(dir_.filePath(name));
        request.values = values;
        request.encoder = encoder;
        const ConvertOutcome outcome = convertPath(input, request);
        ASSERT_TRUE(outcome.ok) << outcome.error.toStdString();
        EXPECT_EQ(outcome.frames, 4);
        // Qt's tiff reader turns no pages: the loader reads them (the picture helper).
        const bool timed = !QByteArray(name).endsWith("tiff");  // pages without timing
        PictureFrames out = qtFrames(QFile::decodeName(request.output));
        if (!timed) {
            ASSERT_TRUE(loadPictureFrames(QFile::decodeName(request.output), out).isOk());
        }
        for (PictureFrame& frame : out.frames)
            frame.picture = frame.picture.convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(shownOverTime(out, timed), shownOverTime(rendered, timed));
        if (timed) {
            EXPECT_EQ(out.loops, 2);
        }
    }
}

// A render of every green and a background of its own has 257 colours: the GIF's frame is
// drawn by two image blocks, which readers show one after the other, the last with the frame
// complete.
TEST_F(PixelIdentity, AGifFrameOfMoreThan256ColoursStaysExact) {
    QImage picture(256, 3, QImage::Format_RGB32);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 256; ++x) picture.setPixel(x, y, qRgb(0, (x + 85 * y) % 256, 0));
    const QString input = dir_.filePath("greens.png");
    ASSERT_TRUE(test::writePicture(picture, input));
    for (const std::int32_t scale : {1, 2}) {
        const RowValues values{scale, RGB(1, 2, 3), 0, 0};
        ConvertRequest request;
        request.output = QFile::encodeName(dir_.filePath("greens.gif"));
        request.values = values;
        request.force = true;
        ASSERT_TRUE(convertPath(input, request).ok);
        const PictureFrames shown = qtFrames(QFile::decodeName(request.output));
        ASSERT_EQ(shown.frames.size(), scale == 1 ? 1u : 2u) << "scale " << scale;
        EXPECT_EQ(shown.frames.back().picture, windowRender(picture, values)) << "scale " << scale;
    }
}

// A still output of an animation holds the frame asked for, or each frame in a file of its own.
TEST_F(PixelIdentity, StillOutputsOfAnAnimationPickFrames) {
    const QImage a = test::randomPicture(9, 5, 3);
    const QImage b = test::randomPicture(9, 5, 4);
    const QString input = dir_.filePath("two.gif");
    {
        GifFrameSink gif;
        ASSERT_TRUE(gif.open(input, 9, 5, {2, 0}).isOk());
        for (const QImage* p : {&a, &b})
            ASSERT_TRUE(gif.addFrame({reinterpret_cast<const std::uint32_t*>(p->constBits()), 9, 5,
                                      p->bytesPerLine() / 4},
                                     100)
                            .isOk());
        ASSERT_TRUE(gif.commit().isOk());
    }
    const RowValues values{2, RGB(0, 0, 0), 1, 2};
    ConvertRequest request;
    request.output = QFile::encodeName(dir_.filePath("o.png"));
    request.values = values;
    ConvertOutcome outcome = convertPath(input, request);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.framesLeftOut, 1);
    EXPECT_EQ(test::readPixels(QFile::decodeName(request.output)), windowRender(a, values));
    request.pick.frame = 2;
    request.force = true;
    outcome = convertPath(input, request);
    ASSERT_TRUE(outcome.ok);
    EXPECT_EQ(outcome.framesLeftOut, 0);
    EXPECT_EQ(test::readPixels(QFile::decodeName(request.output)), windowRender(b, values));
    request.pick.frame = 3;
    EXPECT_EQ(convertPath(input, request).error,
              QStringLiteral("--frame 3 is past the picture's 2 frames"));
    request.pick = {{}, true};
    request.output = QFile::encodeName(dir_.filePath("each.bmp"));
    ASSERT_TRUE(convertPath(input, request).ok);
    EXPECT_EQ(test::readPixels(dir_.filePath("each-0001.bmp")), windowRender(a, values));
    EXPECT_EQ(test::readPixels(dir_.filePath("each-0002.bmp")), windowRender(b, values));
    EXPECT_FALSE(QFile::exists(request.output));
}

TEST(NumberedOutput, NumbersGoBeforeTheExtension) {
    EXPECT_EQ(numberedOutput("out/a-scanlines.png", 1, 12), "out/a-scanlines-0001.png");
    EXPECT_EQ(numberedOutput("a.b/c", 7, 12345), "a.b/c-00007");
    EXPECT_EQ(numberedOutput(".hidden", 2, 2), ".hidden-0002");
}

TEST_F(PixelIdentity, UnfinishedOutputsLeaveNothingBehind) {
    using MakeSink = std::function<std::unique_ptr<RowSink>()>;
    const std::pair<const char*, MakeSink> sinks[] = {
        {"p.png", [] { return std::make_unique<PngRowSink>(); }},
        {"p.jpg", [] { return std::make_unique<JpegRowSink>(); }},
        {"p.tiff", [] { return std::make_unique<TiffRowSink>(); }},
        {"p.webp",
         [] {
             return std::make_unique<WebpRowSink>(EncoderSettings{{}, {}, true});
         }},
    };
    std::uint32_t row[4] = {0xFF000000u, 0xFF00FF00u, 0xFFFFFFFFu, 0xFF123456u};
    const ConstPixelView one{row, 4, 1, 4};
    for (const auto& [name, make] : sinks) {
        SCOPED_TRACE(name);
        const QString target = dir_.filePath(name);
        {
            const auto sink = make();
            ASSERT_TRUE(sink->open(target, 4, 3).isOk());
            EXPECT_TRUE(sink->writeRows(0, one).isOk());
            EXPECT_TRUE(sink->writeRows(2, one).failed());  // row 1 skipped
            EXPECT_TRUE(sink->commit().failed());
        }
        {
            const auto sink = make();
            ASSERT_TRUE(sink->open(target, 4, 3).isOk());
            EXPECT_TRUE(sink->writeRows(0, one).isOk());
            EXPECT_TRUE(sink->commit().failed());  // two rows missing
        }
        {
            const auto sink = make();
            ASSERT_TRUE(sink->open(target, 4, 2).isOk());
            EXPECT_TRUE(sink->writeRows(0, one).isOk());
        }  // destroyed without commit
        EXPECT_TRUE(QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden).isEmpty());
        EXPECT_TRUE(make()->open(dir_.filePath("no/such/folder/p"), 4, 1).failed());

        const auto sink = make();
        ASSERT_TRUE(sink->open(target, 4, 2).isOk());
        EXPECT_TRUE(sink->writeRows(0, one).isOk());
        EXPECT_TRUE(sink->writeRows(1, one).isOk());
        ASSERT_TRUE(sink->commit().isOk());
        const QImage written = test::readPixels(target);
        ASSERT_TRUE(QFile::remove(target));
        ASSERT_EQ(written.size(), QSize(4, 2));
        if (QByteArray(name).endsWith("jpg")) continue;  // lossy
        for (int x = 0; x < 4; ++x) EXPECT_EQ(written.pixel(x, 1), row[x]);
    }
}

}  // namespace
}  // namespace glint
