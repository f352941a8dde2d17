#include <gtest/gtest.h>

#include <QImage>
#include <QSet>

#include "platform/AppIcon.h"

namespace glint {
namespace {

// The standard 16-colour palette.
const QSet<QRgb> kPalette = {0xFF000000, 0xFF800000, 0xFF008000, 0xFF808000, 0xFF000080, 0xFF800080,
                             0xFF008080, 0xFFC0C0C0, 0xFF808080, 0xFFFF0000, 0xFF00FF00, 0xFFFFFF00,
                             0xFF0000FF, 0xFFFF00FF, 0xFF00FFFF, 0xFFFFFFFF};

TEST(AppIcon, ScanLineFacesIn32And16PixelsFromThe16ColourPalette) {
    const QIcon icon = appIcon();
    for (int side : {32, 16}) {
        EXPECT_TRUE(icon.availableSizes().contains(QSize(side, side))) << side;
        const QImage image = icon.pixmap(side).toImage().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(side, side));
        QSet<QRgb> used;
        for (int y = 0; y < side; ++y) {
            for (int x = 0; x < side; ++x) {
                const QRgb p = image.pixel(x, y);
                if (y % 2 == 1) {
                    EXPECT_EQ(qAlpha(p), 0) << side << ": row " << y << " must be clear";
                } else if (qAlpha(p) != 0) {
                    EXPECT_EQ(qAlpha(p), 255);
                    EXPECT_TRUE(kPalette.contains(p)) << std::hex << p;
                    used << p;
                }
            }
        }
        // Black rim, bright green face, dark green eyes and mouth.
        EXPECT_EQ(used, (QSet<QRgb>{0xFF000000, 0xFF00FF00, 0xFF008000})) << side;
        EXPECT_EQ(image.pixel(side / 2, side / 2), 0xFF00FF00u);
        EXPECT_EQ(qAlpha(image.pixel(0, 0)), 0);  // round: the corners are clear
    }
}

}  // namespace
}  // namespace glint
