// The window as it comes up, its layout, docking, tab order and stacking.
#include <QCoreApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/ColorSwatch.h"
#include "ui/ImageControl.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {
namespace {

using StartupTest = FormTest;

TEST_F(StartupTest, ComesUpInStateEmptyWithScaleTwoAndTheGreeting) {
    EXPECT_EQ(form->windowTitle(), "Glintwork");
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->size(), QSize(457, 396));

    ASSERT_EQ(c().ComboScale->count(), 4);
    const QStringList entries{"Scale 2x", "Scale 3x", "Scale 4x", "Scale 5x"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(c().ComboScale->itemText(i), entries[i]);
    EXPECT_EQ(c().ComboScale->Text(), "Scale 2x");
    EXPECT_EQ(form->rasterScale(), 2);

    EXPECT_EQ(info(), "Open a file.\r\nFucker!");
    EXPECT_EQ(c().LblInfo->text(), "Open a file.\nFucker!");
    EXPECT_EQ(commands(), kEmpty);
    EXPECT_EQ(focus(), c().CmdLoad);
    EXPECT_TRUE(form->keyPreview());

    EXPECT_EQ(form->backCol(), 0);
    EXPECT_EQ(form->redVal(), 0);
    EXPECT_EQ(form->blueVal(), 0);
    EXPECT_FALSE(form->breakFlag());
    EXPECT_EQ(c().ShpBackCol->fillColor(), 0);
    EXPECT_EQ(c().LblRed->text(), "Red: 0");
    EXPECT_EQ(c().LblBlue->text(), "Blue: 0");

    // The frame is docked at once: 396 - 65.
    EXPECT_EQ(c().Frame1->geometry(), QRect(0, 331, 457, 65));
    // PicSrc as laid out, PicDst twice its drawing area; both empty.
    EXPECT_EQ(c().PicSrc->geometry(), QRect(0, 104, 81, 97));
    EXPECT_EQ(c().PicSrc->scaleWidth(), 77.0f);
    EXPECT_EQ(c().PicSrc->scaleHeight(), 93.0f);
    EXPECT_EQ(c().PicDst->geometry(), QRect(232, 104, 158, 190));
    EXPECT_EQ(c().PicDst->scaleWidth(), 154.0f);
    EXPECT_EQ(c().PicDst->scaleHeight(), 186.0f);
    EXPECT_FALSE(c().PicSrc->hasPicture());
    EXPECT_FALSE(c().PicDst->hasPicture());
    EXPECT_FALSE(c().ImgDummy->isVisible());
}

TEST_F(StartupTest, FirstFileDialogStartsInTheProgramsFolder) {
    EXPECT_EQ(form->comDlg().InitDir, QCoreApplication::applicationDirPath());
    open(QString());
    ASSERT_EQ(dialogs.requests().size(), 1u);
    EXPECT_EQ(dialogs.requests()[0].startDir, QCoreApplication::applicationDirPath());
}

TEST_F(StartupTest, ResizeDocksOnlyTheFrame) {
    const QRect loadAt = c().CmdLoad->geometry();
    const QRect sliderAt = c().SldBlue->geometry();
    const QRect infoAt = c().LblInfo->geometry();

    form->resize(640, 500);
    QCoreApplication::processEvents();
    EXPECT_EQ(c().Frame1->geometry(), QRect(0, 435, 640, 65));
    EXPECT_EQ(c().LblInfo->geometry(), infoAt);
    EXPECT_EQ(c().CmdLoad->geometry(), loadAt);
    EXPECT_EQ(c().SldBlue->geometry(), sliderAt);

    // A client area lower than the frame puts its top above the client area; no message.
    form->resize(300, 40);
    QCoreApplication::processEvents();
    EXPECT_EQ(c().Frame1->geometry(), QRect(0, -25, 300, 65));
    EXPECT_TRUE(messages.errors().isEmpty());

    form->resize(457, 396);
    QCoreApplication::processEvents();
    EXPECT_EQ(c().Frame1->geometry(), QRect(0, 331, 457, 65));
}

TEST_F(StartupTest, TabVisitsTheControlsInOrderSkippingUnavailableOnes) {
    const auto walk = [this](QWidget* start, int steps) {
        QList<QWidget*> visited;
        start->setFocus();
        for (int i = 0; i < steps; ++i) {
            press(Qt::Key_Tab);
            visited << focus();
        }
        return visited;
    };
    // State Empty: Make Raster and Save As... are disabled, Break is hidden.
    EXPECT_EQ(walk(c().CmdLoad, 7),
              (QList<QWidget*>{c().PicDst, c().CmdBackColor, c().ComboScale, c().SldRed,
                               c().SldBlue, c().PicSrc, c().CmdLoad}));

    openAndRender(sourcePicture(3, 2));
    EXPECT_EQ(walk(c().PicSrc, 9), (QList<QWidget*>{c().CmdLoad, c().CmdRaster, c().CmdSave,
                                                    c().PicDst, c().CmdBackColor, c().ComboScale,
                                                    c().SldRed, c().SldBlue, c().PicSrc}));

    // Backwards from Open File.
    c().CmdLoad->setFocus();
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(focus(), c().PicSrc);
}

TEST_F(StartupTest, BreakTakesItsTurnInTheTabOrderWhileShown) {
    openAndRender(sourcePicture(3, 3));
    QList<QWidget*> visited;
    form->onYield = [&](int yield) {
        if (yield != 0) return;
        // Only Break and the parameter controls can take the focus during a render.
        for (int i = 0; i < 7; ++i) {
            press(Qt::Key_Tab);
            visited << focus();
        }
    };
    render();
    EXPECT_EQ(visited, (QList<QWidget*>{c().PicSrc, c().PicDst, c().CmdBackColor, c().ComboScale,
                                        c().SldRed, c().SldBlue, c().CmdBreak}));
}

TEST_F(StartupTest, ControlsLieInTheLaidOutStackingOrder) {
    // children() lists siblings from the back to the front.
    QList<QWidget*> stack;
    for (QObject* child : form->children()) {
        if (auto* w = qobject_cast<QWidget*>(child)) stack << w;
    }
    const QList<QWidget*> frontFirst{c().CmdBreak,     c().SldBlue, c().SldRed,  c().ComboScale,
                                     c().CmdBackColor, c().Frame1,  c().CmdSave, c().CmdRaster,
                                     c().CmdLoad,      c().PicDst,  c().PicSrc};
    for (qsizetype i = 1; i < frontFirst.size(); ++i) {
        EXPECT_GT(stack.indexOf(frontFirst[i - 1]), stack.indexOf(frontFirst[i]))
            << "control " << i - 1 << " of the front-first list is not in front of control " << i;
    }
    const QList<QWidget*> behind{c().LblRed, c().LblBlue, c().ShpBackCol, c().ImgDummy};
    for (QWidget* back : behind) {
        EXPECT_LT(stack.indexOf(back), stack.indexOf(c().PicSrc));
    }

    // A grown PicSrc passes behind PicDst and behind the frame.
    open(writePicture("big.png", sourcePicture(300, 400)));
    ASSERT_EQ(c().PicSrc->geometry(), QRect(0, 104, 304, 404));
    EXPECT_EQ(form->childAt(240, 150), c().PicDst);
    const QWidget* atFrame = form->childAt(200, 380);
    EXPECT_TRUE(atFrame == c().Frame1 || atFrame == c().LblInfo);
}

}  // namespace
}  // namespace glint::test
