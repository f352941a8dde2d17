#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "FakeRasterForm.h"
#include "engine/Texts.h"

namespace glint::test {
namespace {

// Source pixels with a green that varies by column and row; their red and blue must not matter.
std::uint32_t sourcePixel(int x, int y) {
    return 0xFF4000FFu | (std::uint32_t((x * 7 + y * 13) & 0xFF) << 8);
}

std::uint32_t runPixel(const FakeRasterForm& f, int x, int y) {
    return toPixel(RGB(f.red, int((sourcePixel(x, y) >> 8) & 0xFF), f.blue));
}

// Rows [from, to) of the destination that differ from the layout at scale s; -1 if none.
int firstWrongRow(FakeRasterForm& f, int s, int from, int to) {
    const int columns = int(f.src.scaleWidth());
    for (int y = from; y < to; ++y)
        for (int x = 0; x < columns * s; ++x)
            if (f.dst.at(x, y) != (y % s == 0 ? runPixel(f, x / s, y / s) : toPixel(f.back)))
                return y;
    return -1;
}

bool rowsCleared(FakeRasterForm& f, int from, int to) {
    for (int y = from; y < to; ++y)
        for (int x = 0; x < int(f.dst.scaleWidth()); ++x)
            if (f.dst.at(x, y) != MemorySurface::kBackground) return false;
    return true;
}

std::vector<std::string> progressPercents(const FakeRasterForm& f) {
    std::vector<std::string> percents;
    for (const std::string& info : f.infos)
        if (info.rfind("Progress: ", 0) == 0)
            percents.push_back(info.substr(10, info.find('%') - 10));
    return percents;
}

// What the window relies on: every row shows its progress, then yields, once; the drawing
// becomes the picture after the last row, before the end text.
TEST(RasterRender, EveryRowShowsItsProgressThenYieldsAndThePictureComesAtTheEnd) {
    FakeRasterForm f;
    f.src.load(2, 3, sourcePixel);
    runRasterRender(f);
    std::vector<std::string> steps;
    for (const std::string& call : f.calls) {
        if (call == "info" || call == "yield" || call == "dst.assignImageAsPicture")
            steps.push_back(call);
    }
    EXPECT_EQ(steps, (std::vector<std::string>{"info", "yield", "info", "yield", "info", "yield",
                                               "dst.assignImageAsPicture", "info"}));
    EXPECT_EQ(f.infos.back(), endText(4.0f, 6.0f));
    EXPECT_EQ(f.dst.changedRows(), (std::vector<std::pair<int, int>>{{0, 1}, {2, 3}, {4, 5}}));
}

TEST(RasterRender, ProgressGoesFromZeroToHundred) {
    const std::vector<std::pair<int, std::vector<std::string>>> cases = {
        {1, {"0", "100"}}, {3, {"0", "50", "100"}}, {4, {"0", "33", "67", "100"}}};
    for (const auto& [height, percents] : cases) {
        FakeRasterForm f;
        f.src.load(3, height, sourcePixel);
        runRasterRender(f);
        ASSERT_EQ(progressPercents(f), percents) << "height " << height;
        EXPECT_EQ(f.infos[1], progressText(100.0f / float(height == 1 ? 1 : height - 1), 1));
    }
    // One row high: the second row lies outside both pictures and writes nothing.
    FakeRasterForm f;
    f.src.load(3, 1, sourcePixel);
    runRasterRender(f);
    EXPECT_EQ(f.dst.changedRows().size(), 1u);
    EXPECT_EQ(firstWrongRow(f, 2, 0, 2), -1);
}

TEST(RasterRender, EveryRowBecomesRunsAndGapRows) {
    FakeRasterForm f;
    f.red = 200;
    f.blue = 10;
    f.src.load(640, 480, sourcePixel);
    runRasterRender(f);
    EXPECT_EQ(f.infos.back(),
              "New pic width: 1280 hight: 960\r\nPress 'Shave As...' to save your ass.");
    EXPECT_EQ(firstWrongRow(f, 2, 0, 960), -1);

    FakeRasterForm narrow;  // one column
    narrow.scale = 3;
    narrow.src.load(1, 3, sourcePixel);
    runRasterRender(narrow);
    EXPECT_EQ(narrow.dst.scaleWidth(), 3.0f);
    EXPECT_EQ(firstWrongRow(narrow, 3, 0, 9), -1);
}

TEST(RasterRender, BreakEndsTheRenderAfterTheRowItArrivedIn) {
    FakeRasterForm f;
    f.src.load(50, 100, sourcePixel);
    f.onYield[10] = [&] { f.pressBreak(); };
    runRasterRender(f);
    EXPECT_EQ(f.yields, 11);
    EXPECT_EQ(f.infos[f.infos.size() - 2], progressText(100.0f / 99.0f, 10));
    EXPECT_EQ(f.infos[f.infos.size() - 2].substr(0, 13), "Progress: 10%");
    EXPECT_EQ(firstWrongRow(f, 2, 0, 22), -1);
    EXPECT_TRUE(rowsCleared(f, 22, 200));
    EXPECT_TRUE(f.enabled[Command::Save]);
    EXPECT_TRUE(f.dst.hasPicture());
    EXPECT_FALSE(f.breakRequested);
    EXPECT_FALSE(f.visible[Command::Break]);
}

TEST(RasterRender, ChangesInARowsYieldApplyFromTheNextRow) {
    FakeRasterForm f;
    f.src.load(20, 30, sourcePixel);
    f.onYield[10] = [&] {
        f.red = 77;
        f.back = RGB(9, 9, 9);
    };
    runRasterRender(f);
    EXPECT_EQ(f.dst.at(0, 20), toPixel(RGB(0, int((sourcePixel(0, 10) >> 8) & 0xFF), 0)));
    EXPECT_EQ(f.dst.at(39, 21), toPixel(RGB(1, 2, 3)));
    EXPECT_EQ(firstWrongRow(f, 2, 22, 60), -1);  // red 77 and the new gap colour
}

TEST(RasterRender, ScaleChangedDuringTheRenderDrawsLaterRowsAtTheNewScale) {
    FakeRasterForm f;
    f.fileName = "/pics/a.png";
    f.src.load(20, 30, sourcePixel);
    f.onYield[10] = [&] { f.chooseScale(4); };
    runRasterRender(f);
    EXPECT_EQ(f.infos[11].substr(0, 5), "Pic: ");  // the scale list's info, until the next row
    EXPECT_EQ(f.infos.back(),
              "New pic width: 80 hight: 120\r\nPress 'Shave As...' to save your ass.");
    EXPECT_EQ(firstWrongRow(f, 2, 0, 22), -1);  // rows 0..10 stay as drawn at scale 2
    EXPECT_TRUE(rowsCleared(f, 22, 44));
    EXPECT_EQ(firstWrongRow(f, 4, 44, 120), -1);  // rows 11.. at y = 4i, runs of 4, 3 gap rows
}

TEST(RasterRender, FailureInTheRowLoopLeavesAUsableWindowAndTheNextRenderRuns) {
    FakeRasterForm f;
    f.enabled[Command::Save] = true;
    f.src.load(10, 10, sourcePixel);
    f.onYield[4] = [&] { f.red = -1; };  // row 5 cannot form its colour
    runRasterRender(f);
    EXPECT_EQ(f.errors, std::vector<std::string>{renderErrorText()});
    EXPECT_EQ(f.yields, 5);
    EXPECT_FALSE(f.visible[Command::Break]);
    EXPECT_FALSE(f.breakRequested);
    EXPECT_TRUE(f.enabled[Command::Load]);
    EXPECT_TRUE(f.enabled[Command::Raster]);
    EXPECT_FALSE(f.enabled[Command::Save]);
    EXPECT_FALSE(f.dst.hasPicture());

    f.red = 0;
    f.onYield.clear();
    runRasterRender(f);
    EXPECT_EQ(f.yields, 15);
    EXPECT_EQ(f.errors.size(), 1u);
    EXPECT_TRUE(f.enabled[Command::Save]);
}

TEST(RasterRender, FailedSizingKeepsTheResultAndClearsAPendingBreak) {
    FakeRasterForm f;
    f.src.load(10, 10, sourcePixel);
    runRasterRender(f);
    f.dst.setMaxSide(30);
    f.scale = 5;
    f.breakRequested = true;
    const int before = f.yields;
    runRasterRender(f);
    EXPECT_EQ(f.errors.size(), 1u);
    EXPECT_EQ(f.yields, before);
    EXPECT_TRUE(f.enabled[Command::Save]);
    EXPECT_TRUE(f.dst.hasPicture());
    EXPECT_FALSE(f.breakRequested);

    f.dst.setMaxSide(1000);
    runRasterRender(f);
    EXPECT_EQ(f.yields, 20);  // the earlier Break stops nothing
    EXPECT_EQ(firstWrongRow(f, 5, 0, 50), -1);
}

}  // namespace
}  // namespace glint::test
