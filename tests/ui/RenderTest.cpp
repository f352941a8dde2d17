// Make Raster and Break as the window runs them: command states, texts, and what the
// parameter controls do to the rows drawn after them.
#include <QPushButton>
#include <QSlider>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {
namespace {

struct RowLook {
    int scale = 2;
    int red = 0;
    int blue = 0;
    ColorValue back = 0;
};

// Checks that source row `i` of `source` was drawn into `dst` at `look`: one row of runs at
// y = s*i, then s-1 gap rows, all s*(source width) wide.
void expectRow(const QImage& dst, const QImage& source, int i, const RowLook& look) {
    const int s = look.scale;
    for (int j = 0; j < source.width(); ++j) {
        const int green = qGreen(source.pixel(j, i));
        for (int d = 0; d < s; ++d) {
            ASSERT_EQ(dst.pixel(s * j + d, s * i), pixelOf(RGB(look.red, green, look.blue)))
                << "run of source pixel " << j << "," << i << " at x " << s * j + d;
        }
    }
    for (int k = 1; k < s; ++k) {
        for (int x = 0; x < s * source.width(); ++x) {
            ASSERT_EQ(dst.pixel(x, s * i + k), pixelOf(look.back))
                << "gap row " << k << " of source row " << i << " at x " << x;
        }
    }
}

// Checks that rows y0..y1 (inclusive) of `dst` show only the box's background colour.
void expectUndrawn(const QImage& dst, int y0, int y1, ColorValue background) {
    for (int y = y0; y <= y1; ++y) {
        for (int x = 0; x < dst.width(); ++x) {
            ASSERT_EQ(dst.pixel(x, y), pixelOf(background)) << "at " << x << "," << y;
        }
    }
}

using RenderTest = FormTest;

TEST_F(RenderTest, MakeRasterGoesThroughRenderingToRendered) {
    const QImage source = sourcePicture(4, 3);
    open(writePicture("small.png", source));
    ASSERT_EQ(commands(), kLoaded);
    EXPECT_EQ(focus(), c().CmdRaster);

    QStringList progress;
    Commands during;
    QWidget* focusDuring = nullptr;
    bool parametersEnabled = false;
    form->onYield = [&](int yield) {
        progress << info();
        if (yield != 0) return;
        during = commands();
        focusDuring = focus();
        parametersEnabled = c().ComboScale->isEnabled() && c().CmdBackColor->isEnabled() &&
                            c().SldRed->isEnabled() && c().SldBlue->isEnabled();
    };
    render();

    EXPECT_EQ(during, kRendering);
    EXPECT_EQ(focusDuring, c().CmdBreak);
    EXPECT_TRUE(parametersEnabled);
    const QString player = "%\r\nEy, Player: Use the Red- and Blue-Slider for interaction!";
    EXPECT_EQ(progress, (QStringList{"Progress: 0" + player, "Progress: 50" + player,
                                     "Progress: 100" + player}));

    EXPECT_EQ(commands(), kRendered);
    EXPECT_EQ(focus(), c().CmdSave);
    EXPECT_FALSE(form->breakFlag());
    EXPECT_FALSE(form->isRendering());
    EXPECT_EQ(info(), "New pic width: 8 hight: 6\r\nPress 'Shave As...' to save your ass.");
    ASSERT_TRUE(c().PicDst->hasPicture());
    const QImage result = c().PicDst->picture();
    ASSERT_EQ(result.size(), QSize(8, 6));
    for (int i = 0; i < 3; ++i) expectRow(result, source, i, RowLook{});
    EXPECT_TRUE(messages.errors().isEmpty());
}

TEST_F(RenderTest, SliderAndColourChangesApplyFromTheNextRow) {
    const QImage source = sourcePicture(3, 5);
    open(writePicture("tall.png", source));
    atRow(1, [this] {
        c().SldRed->setValue(200);
        c().SldBlue->setValue(10);
        dialogs.queueColor(RGB(1, 2, 3));
        c().CmdBackColor->click();
    });
    render();

    EXPECT_EQ(c().LblRed->text(), "Red: 200");
    EXPECT_EQ(c().LblBlue->text(), "Blue: 10");
    const QImage result = c().PicDst->picture();
    ASSERT_EQ(result.size(), QSize(6, 10));
    for (int i = 0; i <= 1; ++i) expectRow(result, source, i, RowLook{});
    for (int i = 2; i <= 4; ++i) expectRow(result, source, i, RowLook{2, 200, 10, RGB(1, 2, 3)});
}

TEST_F(RenderTest, ScalePickedDuringARenderResizesAtOnceAndPlacesLaterRowsAnew) {
    const QImage source = sourcePicture(3, 6);
    open(writePicture("six.png", source));
    const ColorValue background = c().PicDst->backColor();
    QSizeF sizeInYield;
    atRow(2, [this, &sizeInYield] {
        pickScale(2);
        sizeInYield = {c().PicDst->scaleWidth(), c().PicDst->scaleHeight()};
    });
    QString infoAfterPick;
    form->onYield = [&](int yield) {
        if (yield == 3) infoAfterPick = info();
    };
    render();

    EXPECT_EQ(form->rasterScale(), 4);
    EXPECT_EQ(sizeInYield, QSizeF(12, 24));
    EXPECT_EQ(info(), "New pic width: 12 hight: 24\r\nPress 'Shave As...' to save your ass.");
    EXPECT_TRUE(infoAfterPick.startsWith("Progress: 60%"));
    const QImage result = c().PicDst->picture();
    ASSERT_EQ(result.size(), QSize(12, 24));
    for (int i = 0; i <= 2; ++i) expectRow(result, source, i, RowLook{});
    // Rows 0..2 lie in the top 6 rows at scale 2; 6..11 were never drawn.
    expectUndrawn(result, 6, 11, background);
    for (int i = 3; i <= 5; ++i) expectRow(result, source, i, RowLook{4, 0, 0, 0});
}

TEST_F(RenderTest, BreakEndsTheRenderAfterTheRowItArrivedIn) {
    const QImage source = sourcePicture(3, 6);
    open(writePicture("six.png", source));
    const ColorValue background = c().PicDst->backColor();
    atRow(2, [this] { c().CmdBreak->click(); });
    render();

    EXPECT_EQ(form->yields, 3);
    EXPECT_EQ(commands(), kRendered);
    EXPECT_EQ(focus(), c().CmdSave);
    EXPECT_FALSE(form->breakFlag());
    EXPECT_EQ(info(), "New pic width: 6 hight: 12\r\nPress 'Shave As...' to save your ass.");
    const QImage partial = c().PicDst->picture();
    ASSERT_EQ(partial.size(), QSize(6, 12));
    for (int i = 0; i <= 2; ++i) expectRow(partial, source, i, RowLook{});
    expectUndrawn(partial, 6, 11, background);

    // The next render runs over every row.
    form->rowActions.clear();
    render();
    EXPECT_EQ(form->yields, 6);
    for (int i = 0; i <= 5; ++i) expectRow(c().PicDst->picture(), source, i, RowLook{});
}

TEST_F(RenderTest, ADestinationTooLargeAtTheStartLeavesTheWindowAsItWas) {
    const QImage small = sourcePicture(3, 2);
    openAndRender(small);
    const QImage previous = c().PicDst->picture();
    pickScale(3);
    ASSERT_TRUE(messages.errors().isEmpty());
    // Five times this height is more than a picture box can be high.
    ASSERT_TRUE(c().PicSrc->assignPicture(QImage(1, 3'400'000, QImage::Format_RGB32)).isOk());

    render();
    const QString renderError =
        "Render error.\r\nPlease open an other picture file or adjust the scale.";
    EXPECT_EQ(messages.errors(), QStringList{renderError});
    EXPECT_EQ(form->yields, 0);
    EXPECT_EQ(commands(), kRendered);
    EXPECT_FALSE(form->breakFlag());
    EXPECT_EQ(c().PicDst->picture(), previous);

    // A picture of a sensible size renders completely afterwards.
    openAndRender(small);
    EXPECT_EQ(form->yields, 2);
    EXPECT_EQ(messages.errors().size(), 1);
}

TEST_F(RenderTest, ClosingDuringARenderStopsItAndClosesTheWindowAfterwards) {
    const QImage source = sourcePicture(3, 6);
    open(writePicture("six.png", source));
    atRow(1, [this] { form->close(); });
    bool visibleInNextYield = false;
    form->onYield = [&](int yield) {
        if (yield == 2) visibleInNextYield = true;
    };
    render();

    EXPECT_FALSE(visibleInNextYield) << "the render went on after the window was closed";
    EXPECT_EQ(form->yields, 2);
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->isRendering());
    EXPECT_FALSE(form->breakFlag());
    EXPECT_FALSE(form->testAttribute(Qt::WA_DeleteOnClose));
    ASSERT_TRUE(c().PicDst->hasPicture());
    for (int i = 0; i <= 1; ++i) expectRow(c().PicDst->picture(), source, i, RowLook{});
    EXPECT_TRUE(messages.errors().isEmpty());
}

}  // namespace
}  // namespace glint::test
