// The "Info" frame: the label takes every caption at once and shows it at the display's pace,
// the last one always; the frame covers whatever picture lies beneath it.
#include <QElapsedTimer>
#include <QGroupBox>
#include <QTest>
#include <functional>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/InfoLabel.h"

namespace glint::test {
namespace {

constexpr int kWaitMs = 2000;

bool waitFor(const std::function<bool()>& done) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > kWaitMs) return false;
        QTest::qWait(1);
    }
    return true;
}

TEST(InfoLabel, TakesEveryCaptionAtOnceAndShowsTheLatestAtTheDisplaysPace) {
    InfoLabel label;
    label.setCaption("Progress: 0%\r\nfirst");
    EXPECT_EQ(label.text(), "Progress: 0%\nfirst");  // nothing shown lately: at once

    // A render's captions, one per row and no events between them: each is taken, but the
    // label shows one per interval at most, however long the burst takes.
    constexpr int kCaptions = 2000;
    QElapsedTimer burst;
    burst.start();
    int shown = 0;
    QString onScreen = label.text();
    for (int n = 1; n <= kCaptions; ++n) {
        label.setCaptionUtf8("Progress: " + std::to_string(n) + "%\r\nnext");
        ASSERT_EQ(label.caption(), QString("Progress: %1%\r\nnext").arg(n));
        if (label.text() != onScreen) {
            ++shown;
            onScreen = label.text();
        }
    }
    EXPECT_LE(shown, burst.elapsed() / InfoLabel::kShowIntervalMs + 1);
    EXPECT_TRUE(waitFor([&] {
        return label.text() == QString("Progress: %1%\nnext").arg(kCaptions);
    })) << label.text().toStdString();

    // Shown now when asked, even within the interval; a lone CR is a line break too.
    label.setCaption("a\rb");
    label.showCaption();
    EXPECT_EQ(label.text(), "a\nb");
}

TEST(InfoLabel, Utf8CaptionsAreDecodedAndCompared) {
    InfoLabel label;
    label.setCaptionUtf8(
        "Pic: Gr\xC3\xBC\xC3\x9F"
        "e.bmp\r\nWidth: 2");
    EXPECT_EQ(label.caption(), QString::fromUtf8(u8"Pic: Grüße.bmp\r\nWidth: 2"));
    label.setCaption(QString::fromUtf8(u8"\u00e9t\u00e9"));
    label.setCaptionUtf8("\xC3\xA9t\xC3\xA9");  // the same caption
    EXPECT_EQ(label.caption(), QString::fromUtf8(u8"\u00e9t\u00e9"));
    label.setCaptionUtf8("");
    EXPECT_TRUE(label.caption().isEmpty());
    EXPECT_TRUE(waitFor([&] { return label.text().isEmpty(); }));
}

TEST(InfoLabel, ACaptionWrittenOverMeanwhileIsReplacedByTheNextUtf8Caption) {
    InfoLabel label;
    label.setCaptionUtf8("Progress: 5%\r\nhint");
    label.setCaption("Pic: a.bmp");  // e.g. a scale change during a render
    label.setCaptionUtf8("Progress: 5%\r\nhint");
    EXPECT_EQ(label.caption(), "Progress: 5%\r\nhint");

    // Invalid UTF-8 is decoded the same way each time, also after a caption written over it.
    label.setCaptionUtf8("a\xFF");
    const QString decoded = label.caption();
    EXPECT_EQ(decoded, QString::fromUtf8("a\xFF"));
    label.setCaption(decoded);
    label.setCaptionUtf8("a\xFE");  // decodes to the same caption
    EXPECT_EQ(label.caption(), decoded);
    label.setCaption("other");
    label.setCaptionUtf8("a\xFE");
    EXPECT_EQ(label.caption(), decoded);
    EXPECT_TRUE(waitFor([&] { return label.text() == decoded; })) << label.text().toStdString();
}

using InfoFrameTest = FormTest;

TEST_F(InfoFrameTest, AfterARenderTheEndTextIsShown) {
    openAndRender(sourcePicture(40, 30));
    EXPECT_EQ(info(), "New pic width: 80 hight: 60\r\nPress 'Shave As...' to save your ass.");
    EXPECT_TRUE(waitFor([&] { return c().LblInfo->text() == InfoLabel::displayText(info()); }))
        << c().LblInfo->text().toStdString();
}

TEST_F(InfoFrameTest, APictureReachingUnderTheFrameDoesNotShowThroughIt) {
    QImage red(800, 800, QImage::Format_RGB32);
    red.fill(Qt::red);
    open(writePicture("red.png", red));
    ASSERT_EQ(commands(), kLoaded);
    ASSERT_GT(c().PicSrc->geometry().bottom(), c().Frame1->geometry().bottom());

    const QImage shot = form->grab().toImage();
    const QRect frame = c().Frame1->geometry();
    // Inside the frame, in the strip of its title, where only PicSrc lies beneath.
    const QPoint inside = frame.topLeft() + QPoint(150, 6);
    ASSERT_TRUE(c().PicSrc->geometry().contains(inside));
    ASSERT_FALSE(c().PicDst->geometry().contains(inside));
    EXPECT_NE(shot.pixel(inside), qRgb(255, 0, 0));
    EXPECT_EQ(shot.pixel(frame.topLeft() + QPoint(10, -4)), qRgb(255, 0, 0)) << "the picture above";
}

}  // namespace
}  // namespace glint::test
