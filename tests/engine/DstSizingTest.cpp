#include <gtest/gtest.h>

#include <limits>

#include "FakeRasterForm.h"
#include "engine/DstSizing.h"

namespace glint::test {
namespace {

constexpr const char* kInfo320x240 =
    "Pic: /pics/a.png\r\nWidth: 320 Hight: 240\r\n 'Make Raster' will last about ";

class DstSizing : public ::testing::Test {
  protected:
    void SetUp() override {
        form.src.load(320, 240, [](int, int) { return 0xFF000000u; });
        form.fileName = "/pics/a.png";
    }
    FakeRasterForm form;
};

TEST_F(DstSizing, DestinationIsScaleTimesTheSourceAndInfoEstimatesFromOuterSizes) {
    ASSERT_TRUE(SetDstSize(form).isOk());
    ASSERT_TRUE(ShowPicInfo(form).isOk());
    EXPECT_EQ(form.dst.outerWidth(), 644.0f);
    EXPECT_EQ(form.dst.outerHeight(), 484.0f);
    EXPECT_EQ(form.infos.back(), std::string(kInfo320x240) + "79 seconds, Coc'Sucker!");

    form.chooseScale(3);
    EXPECT_EQ(form.dst.outerWidth(), 964.0f);
    EXPECT_EQ(form.dst.outerHeight(), 724.0f);
    EXPECT_EQ(form.dst.scaleWidth(), 960.0f);
    EXPECT_EQ(form.infos.back(), std::string(kInfo320x240) + "119 seconds, Coc'Sucker!");
    // Height first, then width.
    EXPECT_EQ(form.calls, (std::vector<std::string>{
                              "dst.setOuterHeight 484", "dst.setOuterWidth 644", "info",
                              "dst.setOuterHeight 724", "dst.setOuterWidth 964", "info"}));

    form.src.load(1, 1, [](int, int) { return 0u; });
    form.scale = 5;
    ASSERT_TRUE(ShowPicInfo(form).isOk());
    EXPECT_NE(form.infos.back().find("about 0 seconds"), std::string::npos);
}

TEST_F(DstSizing, NoInfoWithoutAFileName) {
    form.fileName.clear();
    ASSERT_TRUE(ShowPicInfo(form).isOk());
    EXPECT_TRUE(form.infos.empty());
}

TEST_F(DstSizing, FailuresAreReturnedAndAFailedWidthKeepsTheNewHeight) {
    form.src.load(320, 100, [](int, int) { return 0u; });
    form.dst.setMaxSide(500);
    EXPECT_TRUE(SetDstSize(form).failed());  // 640 wide does not fit
    EXPECT_EQ(form.dst.scaleHeight(), 200.0f);
    EXPECT_EQ(form.dst.scaleWidth(), 0.0f);

    form.src.load(100, 320, [](int, int) { return 0u; });
    EXPECT_TRUE(SetDstSize(form).failed());  // the height fails, the width is not tried
    EXPECT_EQ(form.dst.scaleHeight(), 200.0f);
    EXPECT_EQ(form.calls.back(), "dst.setOuterHeight 644");

    float out = 0.0f;
    EXPECT_TRUE(
        destinationOuterSize(10.0f, std::numeric_limits<std::int32_t>::max(), out).failed());
    EXPECT_TRUE(destinationOuterSize(3e38f, 5, out).failed());
}

}  // namespace
}  // namespace glint::test
