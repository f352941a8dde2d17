// Sliders, background colour and scale box, outside a render.
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/ColorSwatch.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {
namespace {

using ParameterControlsTest = FormTest;

constexpr const char* kRenderError =
    "Render error.\r\nPlease open an other picture file or adjust the scale.";

TEST_F(ParameterControlsTest, SlidersStepByOneAndSixteenAndShowTheirValue) {
    QSlider* red = c().SldRed;
    red->setFocus();
    press(Qt::Key_Right);
    EXPECT_EQ(red->value(), 1);
    press(Qt::Key_PageUp);
    EXPECT_EQ(red->value(), 17);
    EXPECT_EQ(form->redVal(), 17);
    EXPECT_EQ(c().LblRed->text(), "Red: 17");
    press(Qt::Key_End);
    EXPECT_EQ(form->redVal(), 255);
    press(Qt::Key_Right);
    EXPECT_EQ(form->redVal(), 255);
    EXPECT_EQ(red->tickInterval(), 16);

    c().SldBlue->setValue(128);
    c().SldBlue->setValue(0);
    EXPECT_EQ(form->blueVal(), 0);
    EXPECT_EQ(c().LblBlue->text(), "Blue: 0");
    EXPECT_EQ(form->redVal(), 255);
    EXPECT_EQ(commands(), kEmpty);
}

TEST_F(ParameterControlsTest, ColourDialogSetsTheBackgroundAndACancelKeepsIt) {
    // A cancel at the first use keeps black.
    dialogs.queueCancel();
    c().CmdBackColor->click();
    EXPECT_EQ(form->backCol(), 0);
    EXPECT_EQ(c().ShpBackCol->fillColor(), 0);

    dialogs.queueColor(RGB(10, 20, 30));
    c().CmdBackColor->click();
    EXPECT_EQ(form->backCol(), RGB(10, 20, 30));
    EXPECT_EQ(c().ShpBackCol->fillColor(), RGB(10, 20, 30));

    dialogs.queueCancel();
    c().CmdBackColor->click();
    EXPECT_EQ(form->backCol(), RGB(10, 20, 30));
    EXPECT_EQ(c().ShpBackCol->fillColor(), RGB(10, 20, 30));
    EXPECT_TRUE(messages.errors().isEmpty());

    // A dialog that fails is reported and changes nothing.
    dialogs.queueFailure("no colour dialog");
    c().CmdBackColor->click();
    EXPECT_EQ(messages.errors(),
              QStringList{"Color select error.\r\nYou may only use black as background color!"});
    EXPECT_EQ(form->backCol(), RGB(10, 20, 30));
    EXPECT_EQ(commands(), kEmpty);
    EXPECT_EQ(dialogs.pendingAnswers(), 0);
}

TEST_F(ParameterControlsTest, TypingIntoTheScaleBoxChangesNothing) {
    const QString greeting = info();
    ScaleCombo* combo = c().ComboScale;
    combo->setFocus();
    combo->lineEdit()->selectAll();
    QTest::keyClicks(combo, "Scale 5x");
    QTest::keyClick(combo, Qt::Key_Return);
    c().CmdBackColor->setFocus();  // leaving the field
    EXPECT_EQ(combo->Text(), "Scale 5x");
    EXPECT_EQ(form->rasterScale(), 2);
    EXPECT_EQ(c().PicDst->scaleWidth(), 154.0f);
    EXPECT_EQ(combo->count(), 4);
    EXPECT_EQ(info(), greeting);

    // An arrow key picks the entry after the one in force.
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_Down);
    EXPECT_EQ(combo->Text(), "Scale 3x");
    EXPECT_EQ(form->rasterScale(), 3);
    EXPECT_EQ(c().PicDst->scaleWidth(), 231.0f);
}

TEST_F(ParameterControlsTest, PickedScaleResizesTheDestinationAndRewritesTheInfo) {
    // Without a file name the info stays; the destination is still resized.
    pickScale(1);
    EXPECT_EQ(form->rasterScale(), 3);
    EXPECT_EQ(c().PicDst->scaleWidth(), 231.0f);
    EXPECT_EQ(c().PicDst->scaleHeight(), 279.0f);
    EXPECT_EQ(info(), "Open a file.\r\nFucker!");

    const QString file = writePicture("wide.png", sourcePicture(320, 240));
    open(file);
    pickScale(2);
    EXPECT_EQ(form->rasterScale(), 4);
    EXPECT_EQ(c().PicDst->scaleWidth(), 1280.0f);
    EXPECT_EQ(c().PicDst->scaleHeight(), 960.0f);
    EXPECT_EQ(info(), "Pic: " + file +
                          "\r\nWidth: 320 Hight: 240\r\n 'Make Raster' will last about 158 "
                          "seconds, Coc'Sucker!");
    EXPECT_EQ(commands(), kLoaded);

    // Picking the entry in force again repeats the same.
    pickScale(2);
    EXPECT_EQ(c().PicDst->scaleWidth(), 1280.0f);

    // After a cancelled open the file name is gone: the info stays as the cancel left it.
    open(QString());
    const QString cancelled = info();
    pickScale(0);
    EXPECT_EQ(c().PicDst->scaleWidth(), 640.0f);
    EXPECT_EQ(info(), cancelled);
    EXPECT_TRUE(messages.errors().isEmpty());
}

TEST_F(ParameterControlsTest, AScaleTheDestinationCannotTakeIsReportedAndTheWindowGoesOn) {
    // Five times this height is more than a picture box can be high.
    ASSERT_TRUE(c().PicSrc->assignPicture(QImage(1, 3'400'000, QImage::Format_RGB32)).isOk());
    const float dstWidth = c().PicDst->scaleWidth();
    const float dstHeight = c().PicDst->scaleHeight();
    pickScale(3);
    EXPECT_EQ(messages.errors(), QStringList{kRenderError});
    EXPECT_EQ(form->rasterScale(), 5);
    EXPECT_EQ(c().PicDst->scaleWidth(), dstWidth);
    EXPECT_EQ(c().PicDst->scaleHeight(), dstHeight);

    // A picture of a sensible size then loads and renders at that scale.
    openAndRender(sourcePicture(2, 2));
    EXPECT_EQ(c().PicDst->scaleWidth(), 10.0f);
    EXPECT_EQ(messages.errors().size(), 1);
}

TEST_F(ParameterControlsTest, ANewShapeThatFitsIsTakenAndOneThatDoesNotIsReported) {
    ASSERT_TRUE(c().PicSrc->assignPicture(QImage(6000, 4000, QImage::Format_RGB32)).isOk());
    pickScale(2);  // 4x: 24000 x 16000
    ASSERT_TRUE(c().PicSrc->assignPicture(QImage(4000, 6000, QImage::Format_RGB32)).isOk());
    pickScale(2);  // 16000 x 24000, although 24000 x 24000 would not fit
    EXPECT_TRUE(messages.errors().isEmpty());
    EXPECT_EQ(QSizeF(c().PicDst->scaleWidth(), c().PicDst->scaleHeight()), QSizeF(16000, 24000));

    pickScale(3);  // 5x: 20000 x 30000 does not fit; the height, set first, does
    EXPECT_EQ(messages.errors(), QStringList{kRenderError});
    EXPECT_EQ(QSizeF(c().PicDst->scaleWidth(), c().PicDst->scaleHeight()), QSizeF(16000, 30000));
}

}  // namespace
}  // namespace glint::test
