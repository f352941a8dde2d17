// The system clipboard on a real X display: another program (xclip) asks for the copied
// picture and must get exactly its pixels, in the formats it asks for. The clipboard is
// cleared after every test: a process that owns it may be kept waiting at exit.
#include <gtest/gtest.h>

#include <QClipboard>
#include <QDeadlineTimer>
#include <QGuiApplication>
#include <QProcess>

#include "platform/SystemClipboard.h"

namespace glint {
namespace {

constexpr int kWaitMs = 20000;

// Rows alike and unlike, runs of equal pixels: what the encoders treat each their own way.
QImage picture(QRgb colour) {
    QImage image(87, 150, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            image.setPixel(x, y, y % 3 == 0 ? qRgb(x / 5 * 7, y, 255 - x) : colour);
        }
    }
    return image;
}

class SystemClipboardTest : public ::testing::Test {
  protected:
    void TearDown() override { QGuiApplication::clipboard()->clear(); }

    // What another program reads from the clipboard as `target`; the event loop runs
    // meanwhile, as the clipboard's owner must answer.
    static QByteArray paste(const QString& target) {
        QProcess xclip;
        xclip.start(QStringLiteral("xclip"),
                    {QStringLiteral("-selection"), QStringLiteral("clipboard"),
                     QStringLiteral("-t"), target, QStringLiteral("-o")});
        QDeadlineTimer deadline(kWaitMs);
        while (xclip.state() != QProcess::NotRunning && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        if (xclip.state() != QProcess::NotRunning) {
            xclip.kill();
            xclip.waitForFinished();
            ADD_FAILURE() << "xclip did not finish";
            return {};
        }
        EXPECT_EQ(xclip.exitCode(), 0) << xclip.readAllStandardError().toStdString();
        return xclip.readAllStandardOutput();
    }

    SystemClipboard clipboard_;
};

TEST_F(SystemClipboardTest, AnotherProgramGetsThePicturesPixelsInTheFormatItAsksFor) {
    const QImage copied = picture(qRgb(0, 200, 40));
    ASSERT_TRUE(clipboard_.SetData(copied, kClipboardBitmap).isOk());
    const QList<QByteArray> targets = paste(QStringLiteral("TARGETS")).split('\n');
    for (const char* format : {"image/png", "image/bmp", "image/jpeg"})
        EXPECT_TRUE(targets.contains(format)) << format;

    for (const char* format : {"image/png", "image/bmp", "image/png"}) {  // again: kept
        const QImage pasted = QImage::fromData(paste(QString::fromLatin1(format)));
        EXPECT_EQ(pasted.convertToFormat(QImage::Format_RGB32), copied) << format;
    }
    EXPECT_EQ(clipboard_.image().convertToFormat(QImage::Format_RGB32), copied);

    const QImage again = picture(qRgb(9, 9, 9));  // a second copy replaces the first
    ASSERT_TRUE(clipboard_.SetData(again, kClipboardBitmap).isOk());
    EXPECT_EQ(QImage::fromData(paste(QStringLiteral("image/png"))), again);
}

TEST_F(SystemClipboardTest, OtherFormatsAndEmptyPicturesFailAndChangeNothing) {
    const QImage held = picture(qRgb(200, 0, 0));
    ASSERT_TRUE(clipboard_.SetData(held, kClipboardBitmap).isOk());
    EXPECT_TRUE(clipboard_.SetData(picture(qRgb(0, 0, 200)), 1).failed());
    EXPECT_TRUE(clipboard_.SetData(picture(qRgb(0, 0, 200)), 8).failed());
    EXPECT_TRUE(clipboard_.SetData(QImage(), kClipboardBitmap).failed());
    EXPECT_EQ(QImage::fromData(paste(QStringLiteral("image/png"))), held);
}

}  // namespace
}  // namespace glint
