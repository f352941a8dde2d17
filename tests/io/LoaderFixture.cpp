#include "LoaderFixture.h"

#include <QBuffer>
#include <cstdlib>

namespace glint::test {

QByteArray LoaderTest::encoded(const QImage& image, const char* format, int quality) const {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, format, quality)) << format;
    return bytes;
}

::testing::AssertionResult colourNear(QRgb actual, QRgb expected, int tolerance) {
    const int d = std::max({std::abs(qRed(actual) - qRed(expected)),
                            std::abs(qGreen(actual) - qGreen(expected)),
                            std::abs(qBlue(actual) - qBlue(expected))});
    if (d <= tolerance) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << std::hex << "colour 0x" << (actual & 0xffffff) << " is not within " << std::dec
           << tolerance << " of 0x" << std::hex << (expected & 0xffffff);
}

}  // namespace glint::test
