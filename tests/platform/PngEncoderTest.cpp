// The clipboard's PNG encoder: whatever the picture, Qt's reader reads back its exact pixels.
#include <gtest/gtest.h>

#include <QImage>
#include <cstdint>

#include "platform/PngEncoder.h"

namespace glint {
namespace {

enum class Rows { Noise, Runs, AllAlike };

// Runs: runs of 5 equal pixels on every third row, the rows between alike (a render at
// scale 3); AllAlike: every row the same, across the encoder's bands.
QImage makePicture(int width, int height, Rows rows) {
    QImage image(width, height, QImage::Format_RGB32);
    std::uint32_t state = 7;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            state = state * 1664525u + 1013904223u;
            QRgb pixel = 0xFF000000u | (state >> 8);
            if (rows == Rows::Runs)
                pixel = y % 3 == 0 ? qRgb(x / 5 * 3, y & 0xFF, 40) : 0xFF0000FFu;
            if (rows == Rows::AllAlike) pixel = qRgb(x & 0xFF, 0, 255 - (x & 0xFF));
            image.setPixel(x, y, pixel);
        }
    }
    return image;
}

TEST(PngEncoder, ReadsBackAsThePicture) {
    struct Case {
        int width, height;
        Rows rows;
    };
    // Widths 87 and 173 end a row of zeros on a remainder that needs care; 300 rows pass the
    // bands of 128 rows.
    const Case cases[] = {{1, 1, Rows::Noise},    {2, 3, Rows::AllAlike},
                          {87, 150, Rows::Runs},  {173, 300, Rows::AllAlike},
                          {300, 301, Rows::Runs}, {64, 260, Rows::Noise}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.width << "x" << c.height << " " << int(c.rows));
        const QImage picture = makePicture(c.width, c.height, c.rows);
        const QByteArray png = encodePng(picture);
        ASSERT_FALSE(png.isEmpty());
        const QImage back = QImage::fromData(png, "PNG");
        ASSERT_FALSE(back.isNull());
        EXPECT_EQ(back.convertToFormat(QImage::Format_RGB32), picture);
    }
}

TEST(PngEncoder, TakesOnlyOpaque32BitPictures) {
    EXPECT_TRUE(encodePng(QImage()).isEmpty());
    EXPECT_TRUE(encodePng(QImage(4, 4, QImage::Format_ARGB32)).isEmpty());
}

}  // namespace
}  // namespace glint
