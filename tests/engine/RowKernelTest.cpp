#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "engine/RowKernel.h"

namespace glint {
namespace {

constexpr std::uint32_t kUntouched = 0x12345678u;
constexpr ColorValue kBack = RGB(7, 8, 9);

// A destination with a padding column after every row, so stray writes show up.
struct Canvas {
    std::int32_t width, height;
    std::vector<std::uint32_t> data;
    Canvas(std::int32_t w, std::int32_t h)
        : width(w), height(h), data(std::size_t(w + 1) * h, kUntouched) {}
    PixelView view() { return {data.data(), width, height, width + 1}; }
    std::uint32_t at(std::int32_t x, std::int32_t y) const {
        return data[std::size_t(y) * (width + 1) + x];
    }
    bool untouched() const {
        for (std::uint32_t p : data)
            if (p != kUntouched) return false;
        return true;
    }
};

std::uint32_t runPixel(std::int32_t red, std::uint32_t green, std::int32_t blue) {
    return toPixel(RGB(red, int(green), blue));
}

// Every scale and a range of widths; one column and one row more than the source is drawn,
// and those read as -1, which has green 0.
TEST(RowKernel, RunsOnTopGapRowsBelowAndGreenZeroOutsideTheSource) {
    for (std::int32_t s = 1; s <= 7; ++s) {
        for (std::int32_t columns = 1; columns <= 9; ++columns) {
            std::vector<std::uint32_t> source(std::size_t(columns) * 2);
            for (std::size_t n = 0; n < source.size(); ++n)
                source[n] = 0xFF000000u | std::uint32_t((n + 1) * 0x0B1F3Du);
            const ConstPixelView src{source.data(), columns, 2, columns};
            Canvas dst(s * (columns + 1), 3 * s);
            const RowValues values{s, kBack, 200, 10};
            for (std::int32_t i = 0; i < 3; ++i)
                ASSERT_TRUE(drawSourceRow(src, i, columns, values, dst.view()).isOk());

            for (std::int32_t y = 0; y < dst.height; ++y) {
                for (std::int32_t x = 0; x < dst.width; ++x) {
                    const bool inside = x / s < columns && y / s < 2;
                    const std::uint32_t green =
                        inside ? (source[std::size_t(y / s) * columns + x / s] >> 8) & 0xFF : 0;
                    const std::uint32_t want =
                        y % s == 0 ? runPixel(200, green, 10) : toPixel(kBack);
                    ASSERT_EQ(dst.at(x, y), want)
                        << "s=" << s << " columns=" << columns << " x=" << x << " y=" << y;
                }
                ASSERT_EQ(dst.at(dst.width, y), kUntouched) << "write past the row, s=" << s;
            }
        }
    }
}

TEST(RowKernel, RunTakesSourceGreenAndSliderRedAndBlue) {
    const std::uint32_t source = 0xFF4080FFu;  // red 64, green 128, blue 255
    Canvas dst(2, 2);
    ASSERT_TRUE(drawSourceRow({&source, 1, 1, 1}, 0, 0, {2, kBack, 200, 10}, dst.view()).isOk());
    EXPECT_EQ(dst.at(0, 0), 0xFFC8800Au);  // RGB(200, 128, 10)
    EXPECT_EQ(dst.at(1, 0), 0xFFC8800Au);
    EXPECT_EQ(dst.at(0, 1), toPixel(kBack));
    // Above 255 counts as 255.
    ASSERT_TRUE(drawSourceRow({&source, 1, 1, 1}, 0, 0, {2, kBack, 300, 256}, dst.view()).isOk());
    EXPECT_EQ(dst.at(0, 0), 0xFFFF80FFu);
}

TEST(RowKernel, ClipsToTheDestinationAndItsBand) {
    std::vector<std::uint32_t> source = {0xFF001100u, 0xFF002200u, 0xFF003300u,
                                         0xFF004400u, 0xFF005500u, 0xFF006600u};
    const ConstPixelView src{source.data(), 3, 2, 3};
    const RowValues values{3, kBack, 0, 0};

    Canvas narrow(7, 2);  // 2 full runs and 1 pixel of the third; only one gap row fits
    ASSERT_TRUE(drawSourceRow(src, 0, 2, values, narrow.view()).isOk());
    EXPECT_EQ(narrow.at(6, 0), runPixel(0, 0x33, 0));
    EXPECT_EQ(narrow.at(6, 1), toPixel(kBack));
    EXPECT_EQ(narrow.at(7, 0), kUntouched);

    // A band of s rows at s*i holds the same pixels as those rows of the whole picture.
    Canvas whole(9, 6), band(9, 3);
    ASSERT_TRUE(drawSourceRow(src, 1, 2, values, whole.view()).isOk());
    ASSERT_TRUE(drawSourceRow(src, 1, 2, values, band.view(), 3).isOk());
    for (std::int32_t y = 0; y < 3; ++y)
        for (std::int32_t x = 0; x < 9; ++x) EXPECT_EQ(band.at(x, y), whole.at(x, y + 3));

    Canvas below(9, 3);  // a band that starts after the row's last gap row
    ASSERT_TRUE(drawSourceRow(src, 0, 2, values, below.view(), 3).isOk());
    EXPECT_TRUE(below.untouched());
}

// Streamed stores need 16-byte boundaries: rows that start anywhere (Canvas rows are one pixel
// longer than the row, so each starts 4 bytes further on), at every scale and clipped or not,
// must come out as the cached stores draw them.
TEST(RowKernel, StreamedStoresDrawTheSamePixels) {
    constexpr std::int32_t kColumns = 13;
    std::vector<std::uint32_t> source(kColumns);
    for (std::int32_t x = 0; x < kColumns; ++x) source[x] = 0xFF000000u | (x * 0x1357u);
    const ConstPixelView src{source.data(), kColumns, 1, kColumns};
    for (std::int32_t s = 1; s <= 7; ++s) {
        for (std::int32_t width : {s * kColumns - 2, s * kColumns + 3}) {
            const RowValues values{s, kBack, 20, 30};
            Canvas cached(width, s), streamed(width, s);
            for (std::int32_t i : {0, 1}) {  // row 1 lies outside the source: green 0
                ASSERT_TRUE(
                    drawSourceRow(src, i, kColumns - 1, values, cached.view(), i * s).isOk());
                ASSERT_TRUE(drawSourceRow(src, i, kColumns - 1, values, streamed.view(), i * s,
                                          RowStores::Streaming)
                                .isOk());
                EXPECT_EQ(streamed.data, cached.data) << "scale " << s << " width " << width;
            }
        }
    }
}

TEST(RowKernel, ScaleOneHasNoGapRowsAndNonPositiveScalesDrawNothing) {
    const std::uint32_t source = 0xFF00AB00u;
    Canvas dst(1, 2);
    ASSERT_TRUE(drawSourceRow({&source, 1, 1, 1}, 0, 0, {1, kBack, 0, 0}, dst.view()).isOk());
    EXPECT_EQ(dst.at(0, 0), runPixel(0, 0xAB, 0));
    EXPECT_EQ(dst.at(0, 1), kUntouched);

    Canvas untouched(4, 4);
    for (std::int32_t s : {0, -2}) {
        EXPECT_TRUE(
            drawSourceRow({&source, 1, 1, 1}, 1, 1, {s, kBack, 0, 0}, untouched.view()).isOk());
    }
    EXPECT_TRUE(untouched.untouched());
}

TEST(RowKernel, BadComponentsAndCoordinateOverflowFailBeforeDrawing) {
    const std::uint32_t source = 0xFF00AB00u;
    const ConstPixelView src{&source, 1, 1, 1};
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    Canvas dst(4, 4);
    EXPECT_TRUE(drawSourceRow(src, 0, 0, {2, kBack, -1, 0}, dst.view()).failed());
    EXPECT_TRUE(drawSourceRow(src, 0, 0, {2, kBack, 0, 40000}, dst.view()).failed());
    EXPECT_TRUE(drawSourceRow(src, kMax / 2 + 1, 0, {2, kBack, 0, 0}, dst.view()).failed());  // s*i
    EXPECT_TRUE(drawSourceRow(src, kMax / 3, 0, {3, kBack, 0, 0}, dst.view()).failed());  // s*i+2
    EXPECT_TRUE(drawSourceRow(src, 0, kMax / 2, {2, kBack, 0, 0}, dst.view()).failed());  // s*W+s
    EXPECT_TRUE(dst.untouched());
    EXPECT_TRUE(
        drawSourceRow(src, kMax / 2, 0, {2, kBack, 0, 0}, dst.view()).isOk());  // s*i+1 = max
}

}  // namespace
}  // namespace glint
