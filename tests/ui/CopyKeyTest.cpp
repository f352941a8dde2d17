// Ctrl+C: the key preview, which presses copy, and what the clipboard ends up holding.
#include <QApplication>
#include <QClipboard>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {
namespace {

constexpr const char* kCopied = "New pic is now in clipboard.\r\nOh my god. You are a Copy-Fucker!";

using CopyKeyTest = FormTest;

TEST_F(CopyKeyTest, NothingIsCopiedBeforeThereIsAResult) {
    pressCtrlC();
    EXPECT_TRUE(clipboard.calls().empty());
    EXPECT_EQ(info(), "Open a file.\r\nFucker!");

    open(writePicture("pic.png", sourcePicture(3, 2)));
    const QString loadedInfo = info();
    pressCtrlC();
    EXPECT_TRUE(clipboard.calls().empty());
    EXPECT_EQ(info(), loadedInfo);
}

TEST_F(CopyKeyTest, OnlyCtrlAloneWithCCopiesTheResult) {
    openAndRender(sourcePicture(3, 2));
    const QString endInfo = info();
    press(Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
    press(Qt::Key_C, Qt::ControlModifier | Qt::AltModifier);
    press(Qt::Key_C);
    press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_TRUE(clipboard.calls().empty());
    EXPECT_EQ(info(), endInfo);

    pressCtrlC();
    ASSERT_EQ(clipboard.calls().size(), 1u);
    EXPECT_EQ(clipboard.calls()[0].format, 2);
    EXPECT_EQ(clipboard.image(), c().PicDst->picture());
    EXPECT_EQ(clipboard.image().size(), QSize(6, 4));
    EXPECT_EQ(info(), kCopied);
    EXPECT_EQ(commands(), kRendered);
    EXPECT_EQ(focus(), c().CmdSave);

    // Again: the same picture, the same text.
    c().LblInfo->setCaption("something else");
    pressCtrlC();
    ASSERT_EQ(clipboard.calls().size(), 2u);
    EXPECT_EQ(clipboard.calls()[1].picture, clipboard.calls()[0].picture);
    EXPECT_EQ(info(), kCopied);
}

TEST_F(CopyKeyTest, EveryControlPassesCtrlCOnExactlyOnce) {
    openAndRender(sourcePicture(3, 2));
    const QList<QWidget*> focusable{c().PicSrc,     c().CmdLoad, c().CmdRaster,
                                    c().CmdSave,    c().PicDst,  c().CmdBackColor,
                                    c().ComboScale, c().SldRed,  c().SldBlue};
    std::size_t expected = 0;
    for (QWidget* w : focusable) {
        w->setFocus();
        ASSERT_EQ(focus(), w);
        pressCtrlC();
        EXPECT_EQ(clipboard.calls().size(), ++expected) << w->metaObject()->className();
    }
    // Other keys still reach the focused control.
    c().SldRed->setFocus();
    press(Qt::Key_Right);
    EXPECT_EQ(form->redVal(), 1);
}

TEST_F(CopyKeyTest, DuringARenderNothingIsCopiedAndABrokenOffResultIs) {
    const QImage source = sourcePicture(3, 4);
    open(writePicture("pic.png", source));
    atRow(0, [this] { pressCtrlC(); });
    atRow(1, [this] { c().CmdBreak->click(); });
    render();
    EXPECT_TRUE(clipboard.calls().empty());
    EXPECT_EQ(form->yields, 2);

    pressCtrlC();
    ASSERT_EQ(clipboard.calls().size(), 1u);
    EXPECT_EQ(clipboard.image(), c().PicDst->picture());
    EXPECT_EQ(clipboard.image().size(), QSize(6, 8));
}

TEST_F(CopyKeyTest, AfterACancelledOpenTheOldResultIsStillCopied) {
    openAndRender(sourcePicture(3, 2));
    const QImage result = c().PicDst->picture();
    open(QString());
    ASSERT_FALSE(c().CmdSave->isEnabled());
    pressCtrlC();
    ASSERT_EQ(clipboard.calls().size(), 1u);
    EXPECT_EQ(clipboard.image(), result);
    EXPECT_EQ(info(), kCopied);
}

TEST_F(CopyKeyTest, SelectedTextInTheScaleBoxDoesNotReplaceTheCopiedPicture) {
    QClipboard* system = QApplication::clipboard();
    ScaleCombo* combo = c().ComboScale;

    // Without a result the key goes on to the edit field, which copies its selection.
    system->setText("before");
    combo->setFocus();
    combo->lineEdit()->selectAll();
    pressCtrlC();
    EXPECT_EQ(system->text(), "Scale 2x");
    EXPECT_TRUE(clipboard.calls().empty());

    // With a result the picture is copied and the edit field's copy is held back.
    openAndRender(sourcePicture(3, 2));
    system->setText("before");
    combo->setFocus();
    combo->lineEdit()->selectAll();
    pressCtrlC();
    ASSERT_EQ(clipboard.calls().size(), 1u);
    EXPECT_EQ(system->text(), "before");
    EXPECT_EQ(info(), kCopied);
    // Other keys still edit the field.
    press(Qt::Key_End);
    press(Qt::Key_Backspace);
    EXPECT_EQ(combo->Text(), "Scale 2");
}

TEST_F(CopyKeyTest, AClipboardFailureIsReportedAndKeepsTheResult) {
    openAndRender(sourcePicture(3, 2));
    const QString endInfo = info();
    clipboard.setFailing(true);
    pressCtrlC();
    EXPECT_EQ(messages.errors(),
              QStringList{"Clipboard error.\r\nThe picture could not be put on the clipboard. "
                          "Please try again."});
    EXPECT_EQ(info(), endInfo);
    EXPECT_TRUE(c().PicDst->hasPicture());
    EXPECT_EQ(commands(), kRendered);

    clipboard.setFailing(false);
    pressCtrlC();
    EXPECT_EQ(clipboard.image(), c().PicDst->picture());
    EXPECT_EQ(info(), kCopied);
}

}  // namespace
}  // namespace glint::test
