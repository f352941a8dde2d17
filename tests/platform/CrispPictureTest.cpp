// A picture box at the display scale the suite runs at (QT_SCALE_FACTOR): every picture pixel
// covers whole device pixels, the same number each way, so that scan lines come out even; the
// box keeps its place in logical pixels.
#include <gtest/gtest.h>

#include <QWidget>
#include <cmath>

#include "platform/PictureBox.h"

namespace glint {
namespace {

TEST(CrispPicture, EveryPicturePixelCoversTheSameWholeDevicePixels) {
    QWidget window;
    auto* box = new PictureBox(&window);
    box->move(232, 104);
    QImage picture(9, 7, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, y % 2 == 0 ? qRgb(20 * x, 200, 10 * y) : qRgb(0, 0, 0));
    }
    ASSERT_TRUE(box->assignPicture(picture).isOk());
    window.resize(400, 300);
    window.show();

    const double ratio = box->devicePixelRatioF();
    const int scale = std::max(1, int(std::floor(ratio + 1e-6)));
    const int border = int(std::ceil(PictureBox::kBorder * ratio - 1e-6));
    const QImage shot = box->grab().toImage();
    ASSERT_GE(shot.width(), 2 * border + picture.width() * scale) << "ratio " << ratio;
    ASSERT_GE(shot.height(), 2 * border + picture.height() * scale);
    for (int y = 0; y < picture.height() * scale; ++y) {
        for (int x = 0; x < picture.width() * scale; ++x) {
            ASSERT_EQ(shot.pixel(border + x, border + y), picture.pixel(x / scale, y / scale))
                << "device pixel " << x << "," << y << " at ratio " << ratio;
        }
    }
    EXPECT_EQ(box->pos(), QPoint(232, 104));
    EXPECT_EQ(box->outerWidth(), 13.0f);  // the box's own sizes stay in picture pixels
}

}  // namespace
}  // namespace glint
