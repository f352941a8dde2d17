#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QFile>
#include <cmath>
#include <limits>

#include "platform/PictureBox.h"

namespace glint {
namespace {

constexpr ColorValue kRed = RGB(255, 0, 0);
constexpr ColorValue kGreen = RGB(0, 255, 0);
constexpr ColorValue kBack = RGB(240, 240, 240);

// A box with a drawing area of w x h.
void sizeArea(PictureBox& box, int w, int h) {
    ASSERT_TRUE(box.setOuterWidth(float(w + 4)).isOk());
    ASSERT_TRUE(box.setOuterHeight(float(h + 4)).isOk());
}

TEST(PictureBox, OuterSizeIsAreaPlusBorderAndRoundsHalfToEven) {
    PictureBox box;
    EXPECT_EQ(box.backColor(), kBack);
    ASSERT_TRUE(box.setOuterWidth(24.5f).isOk());   // 24 -> area 20
    ASSERT_TRUE(box.setOuterHeight(25.5f).isOk());  // 26 -> area 22
    EXPECT_EQ(box.scaleWidth(), 20.0f);
    EXPECT_EQ(box.scaleHeight(), 22.0f);
    EXPECT_EQ(box.outerWidth(), 24.0f);
    EXPECT_EQ(box.outerHeight(), 26.0f);
    EXPECT_EQ(box.size(), QSize(24, 26));
    EXPECT_EQ(box.point(0, 0), kBack);
}

TEST(PictureBox, ResizeKeepsDrawingTopLeftAndFillsNewAreaWithBackground) {
    PictureBox box;
    sizeArea(box, 4, 3);
    for (int y = 0; y < 3; ++y) box.line(0, float(y), 4, kRed);
    box.setBackColor(kGreen);
    sizeArea(box, 6, 5);
    EXPECT_EQ(box.point(3, 2), kRed);
    EXPECT_EQ(box.point(4, 2), kGreen);
    EXPECT_EQ(box.point(0, 3), kGreen);
    sizeArea(box, 2, 2);  // shrinking drops what falls outside
    sizeArea(box, 6, 5);
    EXPECT_EQ(box.point(1, 1), kRed);
    EXPECT_EQ(box.point(2, 1), kGreen);
}

TEST(PictureBox, PointIsMinusOneOutsideAndRoundsCoordinates) {
    PictureBox box;
    sizeArea(box, 5, 4);
    box.line(2, 1, 3, kRed);
    EXPECT_EQ(box.point(2.5f, 1), kRed);   // 2.5 -> 2
    EXPECT_EQ(box.point(3.5f, 1), kBack);  // 3.5 -> 4
    EXPECT_EQ(box.point(1.6f, 0.6f), kRed);
    EXPECT_EQ(box.point(2, 0.5f), kBack);   // 0.5 -> 0
    EXPECT_EQ(box.point(2, 1.5f), kBack);   // 1.5 -> 2
    EXPECT_EQ(box.point(-0.5f, 0), kBack);  // rounds to 0, inside
    for (auto [x, y] : {std::pair{-1.0f, 0.0f},
                        {5.0f, 0.0f},
                        {0.0f, 4.0f},
                        {4.6f, 0.0f},
                        {0.0f, -0.6f},
                        {1e30f, 0.0f},
                        {std::nanf(""), 0.0f}})
        EXPECT_EQ(box.point(x, y), -1) << x << "," << y;
}

TEST(PictureBox, LineLeavesOutEndPointAndIsClipped) {
    PictureBox box;
    sizeArea(box, 8, 3);
    box.line(2, 0, 5, kRed);
    EXPECT_EQ(box.point(1, 0), kBack);
    EXPECT_EQ(box.point(4, 0), kRed);
    EXPECT_EQ(box.point(5, 0), kBack);
    box.line(-3, 1, 2, kRed);
    box.line(6, 1, 1e9f, kGreen);
    EXPECT_EQ(box.point(1, 1), kRed);
    EXPECT_EQ(box.point(2, 1), kBack);
    EXPECT_EQ(box.point(6, 1), kGreen);
    EXPECT_EQ(box.point(7, 1), kGreen);
    box.line(5, 2, 2, kGreen);  // right to left: 3..5
    EXPECT_EQ(box.point(2, 2), kBack);
    EXPECT_EQ(box.point(3, 2), kGreen);
    box.line(0, 3, 8, kGreen);  // below the area: nothing
    box.line(0, -1, 8, kGreen);
    EXPECT_EQ(box.point(0, 0), kBack);
    EXPECT_EQ(box.point(0, 2), kBack);
}

TEST(PictureBox, AutoSizeAndTheEmptyPicture) {
    PictureBox box;
    sizeArea(box, 3, 3);
    EXPECT_FALSE(box.hasPicture());
    QImage picture(7, 5, QImage::Format_RGB32);
    picture.fill(QColor(255, 0, 0));
    ASSERT_TRUE(box.assignPicture(picture).isOk());
    EXPECT_TRUE(box.hasPicture());
    EXPECT_EQ(box.scaleWidth(), 7.0f);
    EXPECT_EQ(box.outerHeight(), 9.0f);
    EXPECT_EQ(box.point(6, 4), kRed);

    // Both ways to the empty picture clear the drawing and keep the size.
    for (bool viaNullImage : {false, true}) {
        ASSERT_TRUE(box.assignPicture(picture).isOk());
        box.line(0, 0, 1, kGreen);
        if (viaNullImage)
            ASSERT_TRUE(box.assignPicture(QImage()).isOk());
        else
            box.assignEmptyPicture();
        EXPECT_FALSE(box.hasPicture());
        EXPECT_EQ(box.scaleWidth(), 7.0f);
        EXPECT_EQ(box.point(6, 4), kBack);
        EXPECT_EQ(box.point(0, 0), kBack);
    }
}

TEST(PictureBox, TransparentPixelsShowTheBackgroundColour) {
    PictureBox box;
    box.setBackColor(RGB(0, 0, 255));
    QImage picture(3, 1, QImage::Format_ARGB32);
    picture.setPixel(0, 0, qRgba(255, 0, 0, 0));
    picture.setPixel(1, 0, qRgba(255, 0, 0, 128));
    picture.setPixel(2, 0, qRgba(255, 0, 0, 255));
    ASSERT_TRUE(box.assignPicture(picture).isOk());
    EXPECT_EQ(box.point(0, 0), RGB(0, 0, 255));
    const ColorValue half = box.point(1, 0);
    EXPECT_NEAR(redOf(half), 128, 2);
    EXPECT_NEAR(blueOf(half), 127, 2);
    EXPECT_EQ(box.point(2, 0), kRed);
}

TEST(PictureBox, ImageBecomesPictureWithoutCopyAndLaterDrawingDetaches) {
    PictureBox box;
    sizeArea(box, 4, 4);
    box.line(0, 0, 4, kRed);
    box.assignImageAsPicture();
    EXPECT_TRUE(box.hasPicture());
    EXPECT_EQ(box.picture().constBits(), box.image().constBits());

    const PixelView view = box.mutablePixels();
    EXPECT_NE(static_cast<const void*>(view.pixels), box.picture().constBits());
    view.row(3)[2] = toPixel(kGreen);
    box.rowsChanged(3, 3);
    EXPECT_EQ(box.point(2, 3), kGreen);
    EXPECT_EQ(fromPixel(box.picture().pixel(2, 3)), kBack);
    EXPECT_EQ(fromPixel(box.picture().pixel(2, 0)), kRed);
}

TEST(PictureBox, SizesTheBoxCannotHoldFailAndChangeNothing) {
    PictureBox box;
    sizeArea(box, 6, 20000);
    box.line(0, 0, 6, kRed);
    const auto* before = box.image().constBits();
    const float inf = std::numeric_limits<float>::infinity();
    for (float outer : {-1.0f, 1e12f, inf, std::nanf("")})
        EXPECT_TRUE(box.setOuterWidth(outer).failed()) << outer;
    EXPECT_TRUE(box.setOuterHeight(-5.0f).failed());
    // A side the box can hold, but not with this height: refused when the area is taken.
    ASSERT_TRUE(box.setOuterWidth(30004.0f).isOk());
    EXPECT_TRUE(box.applySize().failed());
    EXPECT_EQ(box.scaleWidth(), 6.0f);
    EXPECT_EQ(box.scaleHeight(), 20000.0f);
    EXPECT_EQ(box.image().constBits(), before);
    EXPECT_EQ(box.point(5, 0), kRed);

    // Not filled, so the pages are never touched.
    QImage huge(23200, 23200, QImage::Format_ARGB32);
    ASSERT_FALSE(huge.isNull());
    EXPECT_TRUE(box.assignPicture(huge).failed());
    EXPECT_FALSE(box.hasPicture());
    EXPECT_EQ(box.scaleWidth(), 6.0f);
}

// A new shape is taken as a whole: only the area finally set counts against the limit,
// whatever the area between the two assignments would have been, and the drawing stays at the
// top left. Areas this large are never filled, so their pages are not touched.
TEST(PictureBox, ANewShapeIsTakenAtOnceAndKeepsTheDrawingTopLeft) {
    struct Case {
        QSize from, to;  // drawing areas; the height is set first, as SetDstSize does
        bool fits;
        QSize result;
    };
    const Case cases[] = {
        {{24000, 16000}, {16000, 24000}, true, {16000, 24000}},  // 24000 x 24000 between
        {{16000, 24000}, {24000, 16000}, true, {24000, 16000}},
        {{30, 20}, {8, 5}, true, {8, 5}},
        // Too large in the end: the width set last goes back, the new height stays if it fits.
        {{16000, 16000}, {30000, 30000}, false, {16000, 30000}},
        {{24000, 16000}, {30000, 24000}, false, {24000, 16000}},
    };
    for (const Case& t : cases) {
        SCOPED_TRACE(testing::Message() << t.from.width() << "x" << t.from.height() << " to "
                                        << t.to.width() << "x" << t.to.height());
        PictureBox box;
        sizeArea(box, t.from.width(), t.from.height());
        ASSERT_TRUE(box.applySize().isOk());
        box.line(0, 0, 6, kRed);
        box.line(2, 3, 4, kRed);
        ASSERT_TRUE(box.setOuterHeight(float(t.to.height() + 4)).isOk());
        ASSERT_TRUE(box.setOuterWidth(float(t.to.width() + 4)).isOk());
        EXPECT_EQ(box.applySize().isOk(), t.fits);
        EXPECT_EQ(QSizeF(box.scaleWidth(), box.scaleHeight()), QSizeF(t.result));
        EXPECT_EQ(box.size(), t.result + QSize(4, 4));
        EXPECT_EQ(box.point(5, 0), kRed);
        EXPECT_EQ(box.point(6, 0), kBack);
        EXPECT_EQ(box.point(3, 3), kRed);
        EXPECT_EQ(box.point(1, 3), kBack);
        EXPECT_EQ(box.point(0, 4), kBack);
        EXPECT_EQ(box.point(float(t.result.width() - 1), float(t.result.height() - 1)), kBack);
    }
}

// A clear is paid for when rows are next used; rows handed out to be written in whole keep
// showing the background until they are reported drawn.
TEST(PictureBox, ClearedRowsShowTheBackgroundUntilDrawn) {
    PictureBox box;
    sizeArea(box, 4, 6);
    for (int y = 0; y < 6; ++y) box.line(0, float(y), 4, kRed);
    box.assignImageAsPicture();
    box.assignEmptyPicture();

    const PixelView whole = box.mutableRows(1, 2, true);
    ASSERT_EQ(whole.height, 2);
    std::fill_n(whole.row(0), whole.width, toPixel(kGreen));
    box.rowsChanged(1, 1);  // row 2 is handed out but not drawn
    const PixelView part = box.mutableRows(4, 9, false);
    ASSERT_EQ(part.height, 2);  // clipped to the area
    EXPECT_EQ(fromPixel(part.row(1)[3]), kBack);
    EXPECT_EQ(box.mutableRows(6, 7, false).pixels, nullptr);

    const QImage shown = box.image();
    const QImage painted = box.grab().toImage();
    for (int y = 0; y < 6; ++y) {
        const ColorValue expected = y == 1 ? kGreen : kBack;
        EXPECT_EQ(box.point(3, float(y)), expected) << y;
        EXPECT_EQ(fromPixel(shown.pixel(0, y)), expected) << y;
        EXPECT_EQ(fromPixel(painted.pixel(2 + 3, 2 + y)), expected) << y;
    }
}

// A render broken off leaves rows it never drew; they join the picture, in the background
// colour, only when the picture is read, whatever happened to the box in between.
TEST(PictureBox, RowsARenderNeverDrewJoinItsPictureWhenItIsRead) {
    enum class Then { ReadAtOnce, CompleteAside, Resize, DrawAgain };
    for (Then then : {Then::ReadAtOnce, Then::CompleteAside, Then::Resize, Then::DrawAgain}) {
        SCOPED_TRACE(int(then));
        PictureBox box;
        sizeArea(box, 5, 6);
        for (int y = 0; y < 6; ++y) box.line(0, float(y), 5, kRed);
        box.assignImageAsPicture();
        box.assignEmptyPicture();  // the next render starts
        const PixelView rows = box.mutableRows(0, 1, true);
        std::fill_n(rows.row(0), 2 * rows.stride, toPixel(kGreen));
        box.rowsChanged(0, 1);
        box.assignImageAsPicture();  // broken off after two rows
        EXPECT_FALSE(box.pictureComplete());

        if (then == Then::CompleteAside) box.completePicture();
        if (then == Then::Resize) sizeArea(box, 3, 2);
        if (then == Then::DrawAgain) box.line(0, 4, 5, kRed);
        const QImage picture = box.picture();
        EXPECT_TRUE(box.pictureComplete());
        ASSERT_EQ(picture.size(), QSize(5, 6));
        for (int y = 0; y < 6; ++y)
            EXPECT_EQ(fromPixel(picture.pixel(4, y)), y < 2 ? kGreen : kBack) << y;
        if (then == Then::DrawAgain) {
            EXPECT_EQ(box.point(4, 4), kRed);
        }
    }
}

TEST(PictureBox, AnOpaquePictureIsShownWithoutACopy) {
    PictureBox box;
    QImage picture(4, 3, QImage::Format_RGB32);
    picture.fill(qRgb(255, 0, 0));
    ASSERT_TRUE(box.assignPicture(picture).isOk());
    EXPECT_EQ(box.image().constBits(), picture.constBits());
    box.line(0, 0, 4, kGreen);  // drawing leaves the picture as it was
    EXPECT_EQ(box.point(0, 0), kGreen);
    EXPECT_EQ(fromPixel(box.picture().pixel(0, 0)), kRed);
    EXPECT_EQ(fromPixel(picture.pixel(0, 0)), kRed);

    // Pixels the box was only lent are never written, not even once it alone holds them.
    const std::vector<std::uint32_t> lent(12, toPixel(kRed));
    ASSERT_TRUE(box.assignPicture(QImage(reinterpret_cast<const uchar*>(lent.data()), 4, 3,
                                         QImage::Format_RGB32))
                    .isOk());
    box.assignEmptyPicture();
    EXPECT_EQ(box.point(0, 0), kBack);
    EXPECT_EQ(fromPixel(lent[0]), kRed);
}

// Caps the address space a little above what the process uses now, for one scope.
class AddressSpaceCap {
  public:
    explicit AddressSpaceCap(rlim_t headroom) {
        getrlimit(RLIMIT_AS, &saved_);
        QFile statm("/proc/self/statm");
        if (!statm.open(QIODevice::ReadOnly)) return;
        const rlim_t pages = statm.readAll().split(' ').first().toULongLong();
        const rlimit capped{pages * 4096 + headroom, saved_.rlim_max};
        active_ = setrlimit(RLIMIT_AS, &capped) == 0;
    }
    ~AddressSpaceCap() { setrlimit(RLIMIT_AS, &saved_); }
    bool active() const { return active_; }

  private:
    rlimit saved_{};
    bool active_ = false;
};

TEST(PictureBox, MemoryThatCannotBeHadIsAFailureNotACrash) {
    PictureBox box;
    sizeArea(box, 10, 10);
    box.line(0, 0, 10, kRed);
    // Allocated before the cap; with an alpha channel, so that it is drawn onto the background.
    QImage picture(16000, 16000, QImage::Format_ARGB32);
    ASSERT_FALSE(picture.isNull());
    {
        AddressSpaceCap cap(256 << 20);
        ASSERT_TRUE(cap.active());
        EXPECT_TRUE(box.setOuterHeight(20484).isOk());
        EXPECT_TRUE(box.setOuterWidth(20484).isOk());
        EXPECT_TRUE(box.applySize().failed());  // the new height stays: 10 x 20480 fits
        EXPECT_TRUE(box.assignPicture(picture).failed());
    }
    EXPECT_EQ(box.scaleWidth(), 10.0f);
    EXPECT_EQ(box.scaleHeight(), 20480.0f);
    EXPECT_FALSE(box.hasPicture());
    EXPECT_EQ(box.point(9, 0), kRed);
}

TEST(PictureBox, TakesALargestRenderArea) {
    PictureBox box;
    sizeArea(box, 20480, 20480);
    EXPECT_EQ(box.size(), QSize(20484, 20484));
    box.line(20470, 20479, 20481, kRed);
    EXPECT_EQ(box.point(20479, 20479), kRed);
    EXPECT_EQ(box.point(20469, 20479), kBack);
    EXPECT_EQ(box.point(20480, 20479), -1);
    EXPECT_EQ(box.mutablePixels().height, 20480);
}

TEST(PictureBox, PaintsTheAreaOneToOneInsideASunkenBorder) {
    PictureBox box;
    sizeArea(box, 6, 4);
    box.line(1, 2, 2, kRed);
    const QImage shot = box.grab().toImage();
    ASSERT_EQ(shot.size(), QSize(10, 8));
    EXPECT_EQ(fromPixel(shot.pixel(2 + 1, 2 + 2)), kRed);
    EXPECT_EQ(fromPixel(shot.pixel(2 + 2, 2 + 2)), kBack);
    EXPECT_EQ(fromPixel(shot.pixel(2, 2)), kBack);
    // Sunken: the top left edge is darker than the bottom right one.
    EXPECT_LT(qGray(shot.pixel(0, 0)), qGray(shot.pixel(9, 7)));
}

}  // namespace
}  // namespace glint
