// Putting pictures on the clipboard: the system clipboard and the test double.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QGuiApplication>

#include "io/FakeClipboard.h"
#include "io/SystemClipboard.h"

namespace glint {
namespace {

QImage picture(QRgb colour) {
    QImage image(6, 4, QImage::Format_RGB32);
    image.fill(colour);
    image.setPixel(5, 3, qRgb(1, 2, 3));
    return image;
}

class SystemClipboardTest : public ::testing::Test {
protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }
    SystemClipboard clipboard_;
};

TEST_F(SystemClipboardTest, BitmapFormatRoundTrips) {
    const QImage copied = picture(qRgb(0, 200, 40));
    const Status status = clipboard_.SetData(copied, kClipboardBitmap);
    ASSERT_TRUE(status.isOk()) << status.reason();
    EXPECT_EQ(clipboard_.image().convertToFormat(QImage::Format_RGB32), copied);

    const QImage again = picture(qRgb(9, 9, 9));  // a second copy replaces the first
    ASSERT_TRUE(clipboard_.SetData(again, kClipboardBitmap).isOk());
    EXPECT_EQ(clipboard_.image().convertToFormat(QImage::Format_RGB32), again);
}

TEST_F(SystemClipboardTest, OtherFormatsAndEmptyPicturesFailAndChangeNothing) {
    const QImage held = picture(qRgb(200, 0, 0));
    ASSERT_TRUE(clipboard_.SetData(held, kClipboardBitmap).isOk());
    EXPECT_TRUE(clipboard_.SetData(picture(qRgb(0, 0, 200)), 1).failed());
    EXPECT_TRUE(clipboard_.SetData(picture(qRgb(0, 0, 200)), 8).failed());
    EXPECT_TRUE(clipboard_.SetData(QImage(), kClipboardBitmap).failed());
    EXPECT_EQ(clipboard_.image().convertToFormat(QImage::Format_RGB32), held);
}

TEST(FakeClipboard, RecordsEveryCallAndFailsWhenTold) {
    FakeClipboard clipboard;
    const QImage first = picture(qRgb(0, 10, 0));
    ASSERT_TRUE(clipboard.SetData(first, kClipboardBitmap).isOk());
    clipboard.setFailing(true);
    EXPECT_TRUE(clipboard.SetData(picture(qRgb(0, 20, 0)), kClipboardBitmap).failed());
    EXPECT_EQ(clipboard.image(), first);
    clipboard.setFailing(false);
    EXPECT_TRUE(clipboard.SetData(first, 3).failed());
    ASSERT_EQ(clipboard.calls().size(), 3u);
    EXPECT_EQ(clipboard.calls()[1].picture.pixel(0, 0), qRgb(0, 20, 0));
    EXPECT_EQ(clipboard.calls()[2].format, 3);
}

}  // namespace
}  // namespace glint
