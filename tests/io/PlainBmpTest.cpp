// Uncompressed 24-bit bitmaps, read by the loader itself, give what the image reader gives.
#include <gtest/gtest.h>

#include <QFile>
#include <QImageReader>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cstdint>

#include "io/PictureLoader.h"

namespace glint {
namespace {

void put(QByteArray& b, int at, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) b[at + i] = static_cast<char>((v >> (8 * i)) & 0xff);
}

// A 24-bit bitmap of random pixels with an info header of `infoSize` bytes; rows stored
// top-down when `topDown`.
QByteArray bitmap(int width, int height, std::uint32_t infoSize, bool topDown, quint32 seed) {
    const int stride = (width * 3 + 3) / 4 * 4;
    const int offset = 14 + static_cast<int>(infoSize);
    QByteArray b(offset + stride * height, '\0');
    b[0] = 'B';
    b[1] = 'M';
    put(b, 2, static_cast<std::uint32_t>(b.size()), 4);
    put(b, 10, static_cast<std::uint32_t>(offset), 4);
    put(b, 14, infoSize, 4);
    put(b, 18, static_cast<std::uint32_t>(width), 4);
    put(b, 22, static_cast<std::uint32_t>(topDown ? -height : height), 4);
    put(b, 26, 1, 2);
    put(b, 28, 24, 2);
    QRandomGenerator random(seed);
    for (int y = 0; y < height; ++y)
        for (int i = 0; i < width * 3; ++i) b[offset + y * stride + i] = char(random.bounded(256));
    return b;
}

TEST(PlainBmp, PixelsAsTheImageReaderGivesThem) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const struct {
        int width;
        int height;
        std::uint32_t infoSize;
        bool topDown;
    } cases[] = {{1, 1, 40, false}, {2, 3, 40, true},  {3, 2, 108, false},
                 {5, 4, 124, true}, {7, 9, 40, false}, {517, 3, 40, false}};
    quint32 seed = 1;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " header " << c.infoSize
                                        << (c.topDown ? " top-down" : ""));
        const QString file = dir.filePath("p.bmp");
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(bitmap(c.width, c.height, c.infoSize, c.topDown, seed++));
        out.close();

        QImage loaded;
        ASSERT_TRUE(LoadPicture(file, loaded).isOk());
        const QImage expected = QImageReader(file).read().convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull());
        EXPECT_EQ(loaded.format(), QImage::Format_RGB32);
        EXPECT_EQ(loaded, expected);
    }
}

}  // namespace
}  // namespace glint
