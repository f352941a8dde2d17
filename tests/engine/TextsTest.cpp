#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "engine/RenderExtent.h"
#include "engine/Texts.h"

namespace glint {
namespace {

TEST(Texts, NumbersInTheirShortestFormAndWholeNumbersHalfToEven) {
    EXPECT_EQ(formatSingle(1280.0f), "1280");
    EXPECT_EQ(formatSingle(12.5f), "12.5");
    EXPECT_EQ(formatSingle(0.1f), "0.1");
    EXPECT_EQ(formatSingle(1e7f), "10000000");
    EXPECT_EQ(formatSingle(16777216.0f), "16777216");
    EXPECT_EQ(formatSingle(-0.0f), "0");
    EXPECT_EQ(formatWhole(79.056), "79");
    EXPECT_EQ(formatWhole(118.584), "119");
    EXPECT_EQ(formatWhole(0.0625), "0");
    EXPECT_EQ(formatWhole(0.5), "0");
    EXPECT_EQ(formatWhole(2.5), "2");
    EXPECT_EQ(formatWhole(3.5), "4");
    EXPECT_EQ(formatWhole(-0.4), "0");
    EXPECT_EQ(formatWhole(-3.0), "-3");
}

TEST(Texts, InfoTextsByteForByte) {
    EXPECT_EQ(progressText(50.0f, 1),
              "Progress: 50%\r\nEy, Player: Use the Red- and Blue-Slider for interaction!");
    EXPECT_EQ(endText(1280.0f, 960.0f),
              "New pic width: 1280 hight: 960\r\nPress 'Shave As...' to save your ass.");
    EXPECT_EQ(picInfoText("C:\\a.bmp", 320.0f, 240.0f, 79.056),
              "Pic: C:\\a.bmp\r\nWidth: 320 Hight: 240\r\n"
              " 'Make Raster' will last about 79 seconds, Coc'Sucker!");
    EXPECT_EQ(renderErrorText(),
              "Render error.\r\nPlease open an other picture file or adjust the scale.");
}

TEST(Texts, ProgressTextWrittenIntoAReusedBufferReplacesWhatItHeld) {
    std::string buffer = std::string(500, 'x');  // longer than any progress text
    const struct {
        float percentPerRow;
        std::int32_t row;
    } cases[] = {{50.0f, 1}, {2.5f, 1}, {0.5f, 7}, {-0.25f, 1}, {100.0f / 2047.0f, 2047}};
    for (const auto& c : cases) {
        writeProgressText(c.percentPerRow, c.row, buffer);
        EXPECT_EQ(buffer, progressText(c.percentPerRow, c.row)) << c.percentPerRow << " " << c.row;
    }
    writeProgressText(2.5f, 1, buffer);  // halves to even, and no "-0"
    EXPECT_EQ(buffer.substr(0, buffer.find('\r')), "Progress: 2%");
    writeProgressText(-0.25f, 1, buffer);
    EXPECT_EQ(buffer.substr(0, buffer.find('\r')), "Progress: 0%");
}

TEST(RenderExtent, LastIndicesRoundHalfToEvenAndOneRowBecomesTwo) {
    RenderExtent e;
    ASSERT_TRUE(computeExtent(640.0f, 480.0f, e).isOk());
    EXPECT_EQ(e.lastColumn, 639);
    EXPECT_EQ(e.lastRow, 479);
    EXPECT_EQ(e.percentPerRow, static_cast<float>(100.0 / 479));

    ASSERT_TRUE(computeExtent(3.5f, 1.0f, e).isOk());
    EXPECT_EQ(e.lastColumn, 2);  // 2.5 rounds to 2
    EXPECT_EQ(e.lastRow, 1);
    EXPECT_EQ(e.percentPerRow, 100.0f);

    ASSERT_TRUE(computeExtent(0.0f, 0.0f, e).isOk());  // nothing to render: no rows
    EXPECT_EQ(e.lastColumn, -1);
    EXPECT_EQ(e.lastRow, -1);

    EXPECT_TRUE(computeExtent(3e9f, 10.0f, e).failed());
    EXPECT_TRUE(computeExtent(10.0f, std::nanf(""), e).failed());
}

}  // namespace
}  // namespace glint
