// Every frame of the formats the decoding helpers read (animated webp, JPEG XL animations, MNG,
// TIFF pages, AVIF sequences), against the frames the files were made from; the window's path
// still gets one picture.
#include <gtest/gtest.h>

#include <QImage>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "PhotoSamples.h"
#include "io/decode/PictureLoader.h"
#include "io/output/GifFrameSink.h"
#include "io/output/TiffPageSink.h"
#include "io/output/WebpAnimSink.h"

namespace glint {
namespace {

ConstPixelView viewOf(const QImage& image) {
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
            image.height(), image.bytesPerLine() / 4};
}

// A few small frames of few colours (so that a GIF of them has one colour table).
std::vector<QImage> sourceFrames() {
    std::vector<QImage> frames;
    for (int k = 0; k < 3; ++k) {
        QImage frame(12, 8, QImage::Format_RGB32);
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 12; ++x)
                frame.setPixel(x, y, qRgb(40 * ((x + k) % 6), 30 * ((y * k) % 8), 200 - 20 * k));
        frames.push_back(frame);
    }
    return frames;
}

bool writeFrames(FrameSink& sink, const QString& path, const std::vector<QImage>& frames,
                 const std::vector<std::int32_t>& delaysMs, std::int32_t loops) {
    if (sink.open(path, 12, 8, {static_cast<std::int32_t>(frames.size()), loops}).failed())
        return false;
    for (std::size_t k = 0; k < frames.size(); ++k)
        if (sink.addFrame(viewOf(frames[k]), delaysMs[k]).failed()) return false;
    return sink.commit().isOk();
}

TEST(HelperFrames, EveryFrameComesBackWithItsTiming) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<QImage> frames = sourceFrames();
    const std::vector<std::int32_t> delays{50, 80, 120};
    GifFrameSink gif;
    ASSERT_TRUE(writeFrames(gif, dir.filePath("in.gif"), frames, delays, 0));
    for (std::size_t k = 0; k < frames.size(); ++k)
        ASSERT_TRUE(frames[k].save(dir.filePath(QStringLiteral("f%1.png").arg(k))));
    struct Case {
        const char* file;
        std::function<bool(const QString&)> make;
        bool exact;                          // lossless: every pixel as it went in
        std::vector<std::int32_t> delaysMs;  // as the file holds them
        std::int32_t loops;
    };
    const Case cases[] = {
        {"a.webp",
         [&](const QString& path) {
             WebpAnimSink webp(EncoderSettings{{}, {}, true});
             return writeFrames(webp, path, frames, delays, 3);
         },
         true, delays, 3},
        {"a.tiff",
         [&](const QString& path) {
             TiffPageSink tiff(0);
             return writeFrames(tiff, path, frames, delays, 1);
         },
         true,
         {0, 0, 0},
         1},
        {"a.jxl",
         [&](const QString& path) {
             return bool(test::runTool("cjxl", {"in.gif", path, "-d", "0"}, dir.path()));
         },
         true, delays, 0},
        {"a.mng",
         [&](const QString& path) {
             return bool(test::runTool(
                 "convert", {"-delay", "20", "f0.png", "f1.png", "f2.png", path}, dir.path()));
         },
         true,
         {199, 199, 199},
         0},  // 20 centiseconds as Qt's MNG reader tells them
        {"a.avif",
         [&](const QString& path) {
             return test::runTool("ffmpeg",
                                  {"-v", "error", "-i", "f%d.png", "-pix_fmt", "yuv444p", "a.y4m"},
                                  dir.path()) &&
                    test::runTool("avifenc", {"--fps", "10", "a.y4m", path}, dir.path());
         },
         false,
         {100, 100, 100},
         0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        const QString path = dir.filePath(c.file);
        ASSERT_TRUE(c.make(path));
        PictureFrames read;
        ASSERT_TRUE(loadPictureFrames(path, read).isOk());
        ASSERT_EQ(read.frames.size(), frames.size());
        EXPECT_EQ(read.loops, c.loops);
        for (std::size_t k = 0; k < frames.size(); ++k) {
            const QImage got = read.frames[k].picture.convertToFormat(QImage::Format_RGB32);
            ASSERT_EQ(got.size(), frames[k].size());
            if (c.exact) {
                EXPECT_EQ(got, frames[k]) << "frame " << k;
            }
            EXPECT_EQ(read.frames[k].delayMs, c.delaysMs[k]) << "frame " << k;
        }
        QImage first;  // the window asks for one picture only
        ASSERT_TRUE(LoadPicture(path, first).isOk());
        if (c.exact) {
            EXPECT_EQ(first.convertToFormat(QImage::Format_RGB32), frames.front());
        }
    }
}

// TIFF pages of different sizes: each on a canvas as large as the largest, transparent beside
// it (the helper's shared memory is not cleared again, so this is where stale pixels would show).
TEST(HelperFrames, SmallerTiffPagesLieOnATransparentCanvas) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QImage large(12, 8, QImage::Format_RGB32);
    large.fill(qRgb(200, 40, 10));
    QImage small(5, 3, QImage::Format_RGB32);
    small.fill(qRgb(10, 220, 30));
    ASSERT_TRUE(large.save(dir.filePath("large.png")) && small.save(dir.filePath("small.png")));
    ASSERT_TRUE(test::runTool("convert", {"large.png", "small.png", "pages.tiff"}, dir.path()));
    PictureFrames read;
    ASSERT_TRUE(loadPictureFrames(dir.filePath("pages.tiff"), read).isOk());
    ASSERT_EQ(read.frames.size(), 2u);
    const QImage second = read.frames[1].picture.convertToFormat(QImage::Format_ARGB32);
    ASSERT_EQ(second.size(), large.size());
    for (int y = 0; y < second.height(); ++y)
        for (int x = 0; x < second.width(); ++x)
            ASSERT_EQ(second.pixel(x, y), x < 5 && y < 3 ? qRgb(10, 220, 30) : 0u) << x << "," << y;
    EXPECT_EQ(read.frames[0].picture.convertToFormat(QImage::Format_RGB32), large);
}

}  // namespace
}  // namespace glint
