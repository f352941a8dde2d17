// GIF frames composed as a viewer shows them: disposal methods, transparency, frames smaller
// than the screen or reaching past it, delays and the loop count; and the bound on the frames
// of one picture.
#include <gif_lib.h>
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <vector>

#include "io/decode/PictureLoader.h"

namespace glint {
namespace {

struct TestFrame {
    QRect area;
    std::vector<GifPixelType> pixels;  // area.width() x area.height() colour indices
    int disposal;
    int delayCs;
    int transparent;  // or NO_TRANSPARENT_COLOR
};

int writeBytes(GifFileType* gif, const GifByteType* data, int length) {
    static_cast<QByteArray*>(gif->UserData)->append(reinterpret_cast<const char*>(data), length);
    return length;
}

// A GIF of `size` whose global table is black, red, green, blue, background black.
QByteArray gifOf(QSize size, const std::vector<TestFrame>& frames, int repeats) {
    QByteArray bytes;
    int error = 0;
    GifFileType* gif = EGifOpen(&bytes, writeBytes, &error);
    EGifSetGifVersion(gif, true);
    const GifColorType colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
    ColorMapObject* map = GifMakeMapObject(4, colours);
    EGifPutScreenDesc(gif, size.width(), size.height(), 8, 0, map);
    GifFreeMapObject(map);
    if (repeats >= 0) {
        const GifByteType loop[] = {1, static_cast<GifByteType>(repeats), 0};
        EGifPutExtensionLeader(gif, APPLICATION_EXT_FUNC_CODE);
        EGifPutExtensionBlock(gif, 11, "NETSCAPE2.0");
        EGifPutExtensionBlock(gif, 3, loop);
        EGifPutExtensionTrailer(gif);
    }
    for (const TestFrame& f : frames) {
        GraphicsControlBlock control{f.disposal, false, f.delayCs, f.transparent};
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension);
        EGifPutImageDesc(gif, f.area.x(), f.area.y(), f.area.width(), f.area.height(), false,
                         nullptr);
        std::vector<GifPixelType> pixels = f.pixels;
        EGifPutLine(gif, pixels.data(), static_cast<int>(pixels.size()));
    }
    EGifCloseFile(gif, &error);
    return bytes;
}

constexpr QRgb K = 0xFF000000, R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, T = 0;

std::vector<QRgb> pixelsOf(const QImage& image) {
    std::vector<QRgb> pixels;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) pixels.push_back(image.pixel(x, y));
    return pixels;
}

TEST(GifFrames, ComposedAsAViewerShowsThem) {
    struct Case {
        const char* what;
        std::vector<TestFrame> frames;
        int repeats;                              // NETSCAPE2.0's count, -1 for none
        std::vector<std::vector<QRgb>> expected;  // each frame of the 4x2 screen
        std::vector<std::int32_t> delaysMs;
        std::int32_t loops;
    };
    const Case cases[] = {
        {"restore to background, then to previous, a frame past the screen",
         {{{0, 0, 4, 2},
           std::vector<GifPixelType>(8, 1),
           DISPOSE_BACKGROUND,
           5,
           NO_TRANSPARENT_COLOR},
          {{1, 0, 2, 1}, {2, 3}, DISPOSE_PREVIOUS, 6, 3},
          {{3, 1, 2, 2}, std::vector<GifPixelType>(4, 3), DISPOSE_DO_NOT, 0, NO_TRANSPARENT_COLOR}},
         0,
         {{R, R, R, R, R, R, R, R}, {K, G, K, K, K, K, K, K}, {K, K, K, K, K, K, K, B}},
         {50, 60, 0},
         0},
        {"a transparent first frame makes a transparent screen; frames stay",
         {{{0, 0, 2, 1}, {1, 0}, DISPOSE_DO_NOT, 2, 0},
          {{2, 1, 2, 1}, {3, 0}, DISPOSE_BACKGROUND, 3, 0},
          {{0, 0, 1, 1}, {2}, DISPOSE_DO_NOT, 4, NO_TRANSPARENT_COLOR}},
         2,
         {{R, T, T, T, T, T, T, T}, {R, T, T, T, T, T, B, T}, {G, T, T, T, T, T, T, T}},
         {20, 30, 40},
         3},
        {"no loop extension plays once",
         {{{0, 0, 4, 2}, std::vector<GifPixelType>(8, 2), DISPOSE_DO_NOT, 1, NO_TRANSPARENT_COLOR}},
         -1,
         {{G, G, G, G, G, G, G, G}},
         {10},
         1},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QString path = dir.filePath("a.gif");
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(gifOf({4, 2}, c.frames, c.repeats));
        file.close();
        PictureFrames frames;
        ASSERT_TRUE(loadPictureFrames(path, frames).isOk());
        ASSERT_EQ(frames.frames.size(), c.expected.size());
        EXPECT_EQ(frames.loops, c.loops);
        for (std::size_t k = 0; k < c.expected.size(); ++k) {
            EXPECT_EQ(pixelsOf(frames.frames[k].picture), c.expected[k]) << "frame " << k;
            EXPECT_EQ(frames.frames[k].delayMs, c.delaysMs[k]) << "frame " << k;
        }
        QImage first;  // what the window shows: the first frame
        ASSERT_TRUE(LoadPicture(path, first).isOk());
        EXPECT_EQ(pixelsOf(first), c.expected.front());
    }
}

// A screen of 8192 x 8192 with 5 one-pixel frames: a tiny file whose frames, kept whole, would
// take 1.25 GiB.
TEST(GifFrames, ManyLargeFramesAreRefusedBeforeTheyTakeAllMemory) {
    std::vector<TestFrame> frames(
        5, TestFrame{{0, 0, 1, 1}, {1}, DISPOSE_DO_NOT, 1, NO_TRANSPARENT_COLOR});
    QTemporaryDir dir;
    const QString path = dir.filePath("huge.gif");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(gifOf({8192, 8192}, frames, 0));
    file.close();
    PictureFrames loaded;
    const Status st = loadPictureFrames(path, loaded);
    ASSERT_TRUE(st.failed());
    EXPECT_NE(st.reason().find("over the limit of 256 Mi pixels"), std::string::npos)
        << st.reason();
    QImage first;  // the window's first frame is not bounded by the frames' limit
    EXPECT_TRUE(LoadPicture(path, first).isOk());
}

}  // namespace
}  // namespace glint
