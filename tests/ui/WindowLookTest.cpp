// The started window as a person sees it: every control's caption, place and accessible name,
// captions whole at the window's font, the info text clear of the frame's line, and the default
// button drawn like any other.
#include <QAccessible>
#include <QApplication>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStyle>
#include <QStyleOption>
#include <QTest>

#include "FormFixture.h"
#include "platform/PictureBox.h"
#include "ui/ColorSwatch.h"
#include "ui/ImageControl.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::test {
namespace {

// QLineEdit keeps its text this far from its left and right sides.
constexpr int kLineEditTextMargin = 2;
constexpr int kInfoLines = 3;
// Distance from the frame's right edge to a column inside it that only the frame's lines cross.
constexpr int kFrameLineProbe = 8;

QString captionOf(const QWidget* w) {
    if (auto* info = qobject_cast<const InfoLabel*>(w)) return info->caption();
    if (auto* label = qobject_cast<const QLabel*>(w)) return label->text();
    if (auto* button = qobject_cast<const QPushButton*>(w)) return button->text();
    if (auto* frame = qobject_cast<const QGroupBox*>(w)) return frame->title();
    if (auto* combo = qobject_cast<const QComboBox*>(w)) return combo->currentText();
    return {};
}

QString accessibleName(QWidget* w) {
    QAccessibleInterface* face = QAccessible::queryAccessibleInterface(w);
    return face ? face->text(QAccessible::Name) : QStringLiteral("<none>");
}

// Room for a caption inside a button: its size less what the style puts around the contents.
QSize buttonTextArea(const QPushButton* button) {
    QStyleOptionButton option;
    option.initFrom(button);
    return button->size() -
           button->style()->sizeFromContents(QStyle::CT_PushButton, &option, {}, button);
}

using WindowLookTest = FormTest;

TEST_F(WindowLookTest, EveryControlHasItsCaptionPlaceAndAccessibleName) {
    struct Row {
        QWidget* control;
        const char* caption;
        QRect at;  // LblInfo's within the frame
        bool shown;
        const char* name;
    };
    // After start-up: the scale chosen, PicDst sized for it, the frame docked, the greeting
    // written. The common dialog is no control on the window.
    const Row rows[] = {
        {c().PicSrc, "", {0, 104, 81, 97}, true, "Source picture"},
        {c().CmdLoad, "Open File", {8, 8, 73, 25}, true, "Open File"},
        {c().CmdRaster, "Make Raster", {168, 8, 73, 25}, true, "Make Raster"},
        {c().CmdSave, "Save As...", {312, 8, 73, 25}, true, "Save As..."},
        {c().PicDst, "", {232, 104, 158, 190}, true, "Result"},
        {c().LblInfo, "Open a file.\r\nFucker!", {8, 16, 433, 41}, true, "Open a file.\nFucker!"},
        {c().Frame1, "Info", {0, 331, 457, 65}, true, "Info"},
        {c().CmdBackColor, "Set Back Color", {8, 56, 89, 25}, true, "Set Back Color"},
        {c().ComboScale, "Scale 2x", {144, 56, 73, 21}, true, "Scale 2x"},
        {c().SldRed, "", {240, 48, 153, 17}, true, "Red"},
        {c().LblRed, "Red: 0", {400, 48, 57, 17}, true, "Red: 0"},
        {c().SldBlue, "", {240, 72, 153, 17}, true, "Blue"},
        {c().LblBlue, "Blue: 0", {400, 72, 57, 17}, true, "Blue: 0"},
        {c().CmdBreak, "Break", {248, 8, 57, 25}, false, "Break"},
        {c().ShpBackCol, "", {104, 56, 25, 25}, true, "Back Color"},
        {c().ImgDummy, "", {72, 120, 177, 193}, false, ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name[0] ? row.name : "ImgDummy");
        EXPECT_EQ(captionOf(row.control).toUtf8(), QByteArray(row.caption));
        EXPECT_EQ(row.control->geometry(), row.at);
        EXPECT_EQ(row.control->isVisible(), row.shown);
        EXPECT_EQ(accessibleName(row.control), QString::fromUtf8(row.name));
    }
}

TEST_F(WindowLookTest, EveryCaptionFitsItsControlAtTheWindowsFont) {
    // Only the window sets a font, and only its size.
    EXPECT_EQ(form->font().family(), QApplication::font().family());
    for (QWidget* child : form->findChildren<QWidget*>()) {
        EXPECT_FALSE(child->testAttribute(Qt::WA_SetFont)) << child->metaObject()->className();
    }

    struct Fit {
        const QWidget* control;
        const char* caption;  // the widest it shows
        QSize area;
    };
    const QLineEdit* scaleField = c().ComboScale->lineEdit();
    const Fit fits[] = {
        {c().CmdLoad, "Open File", buttonTextArea(c().CmdLoad)},
        {c().CmdRaster, "Make Raster", buttonTextArea(c().CmdRaster)},
        {c().CmdSave, "Save As...", buttonTextArea(c().CmdSave)},
        {c().CmdBreak, "Break", buttonTextArea(c().CmdBreak)},
        {c().CmdBackColor, "Set Back Color", buttonTextArea(c().CmdBackColor)},
        {scaleField, "Scale 5x", scaleField->size() - QSize(2 * kLineEditTextMargin, 0)},
        {c().LblRed, "Red: 255", c().LblRed->contentsRect().size()},
        {c().LblBlue, "Blue: 255", c().LblBlue->contentsRect().size()},
    };
    for (const Fit& fit : fits) {
        const QFontMetrics metrics = fit.control->fontMetrics();
        const QSize text(metrics.horizontalAdvance(QString::fromUtf8(fit.caption)),
                         metrics.height());
        EXPECT_LE(text.width(), fit.area.width()) << fit.caption;
        EXPECT_LE(text.height(), fit.area.height()) << fit.caption;
    }
    // The scale box shows its whole text: the cursor at the end lies a text's width to the right
    // of the cursor at the start, the field has not scrolled.
    QLineEdit* field = c().ComboScale->lineEdit();
    const auto cursorAt = [field](bool end) {
        end ? field->end(false) : field->home(false);
        return field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
    };
    EXPECT_EQ(cursorAt(true) - cursorAt(false),
              scaleField->fontMetrics().horizontalAdvance(c().ComboScale->Text()));
}

TEST_F(WindowLookTest, InfoTextLiesInsideTheFrameClearOfItsLine) {
    // The frame's top and bottom lines, as drawn: the rows that differ from the background in a
    // column right of the label, where nothing else is drawn.
    QGroupBox* frame = c().Frame1;
    const QImage drawn = frame->grab().toImage().scaled(frame->size());  // in the window's pixels
    const int column = frame->width() - kFrameLineProbe;
    const QRgb background = drawn.pixel(column, frame->height() / 2);
    QList<int> lineRows;
    for (int y = 0; y < drawn.height(); ++y) {
        if (drawn.pixel(column, y) != background) lineRows << y;
    }
    ASSERT_GE(lineRows.size(), 2);
    // Each line may be more than one row thick.
    int topLineEnd = lineRows.front();
    while (lineRows.contains(topLineEnd + 1)) ++topLineEnd;
    int bottomLineStart = lineRows.back();
    while (lineRows.contains(bottomLineStart - 1)) --bottomLineStart;
    ASSERT_LT(topLineEnd, bottomLineStart);
    ASSERT_LT(c().LblInfo->geometry().right(), column);

    const QRect label = c().LblInfo->geometry();
    const int textTop = label.top() + c().LblInfo->contentsRect().top();
    const int textBottom = textTop + kInfoLines * c().LblInfo->fontMetrics().lineSpacing();
    EXPECT_GT(textTop, topLineEnd + 1) << "the top line";
    EXPECT_LE(textBottom, label.bottom() + 1) << "the label's own bottom";
    EXPECT_LT(textBottom, bottomLineStart - 1) << "the bottom line";
}

TEST_F(WindowLookTest, OnlyTheFocusedButtonHasTheFocusOutline) {
    // The colour of a button's outline, in the middle of its top edge.
    const auto outline = [](QPushButton* button) {
        return button->grab().toImage().pixel(button->width() / 2, 0);
    };
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    ASSERT_TRUE(c().CmdLoad->isDefault());

    // The style shows the focus once the keyboard has moved it: Open File, PicDst, Set Back Color.
    press(Qt::Key_Tab);
    press(Qt::Key_Tab);
    ASSERT_TRUE(c().CmdBackColor->hasFocus());
    const QRgb focused = outline(c().CmdBackColor);
    EXPECT_NE(outline(c().CmdLoad), focused);

    press(Qt::Key_Backtab, Qt::ShiftModifier);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    ASSERT_TRUE(c().CmdLoad->hasFocus());
    EXPECT_EQ(outline(c().CmdLoad), focused);
    EXPECT_NE(outline(c().CmdBackColor), focused);
}

TEST_F(WindowLookTest, WhereTheProgramMovesTheFocusItShows) {
    const auto outline = [](QPushButton* button) {
        return button->grab().toImage().pixel(button->width() / 2, 0);
    };
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    openAndRender(sourcePicture(3, 2));  // the focus goes to Save As...
    ASSERT_TRUE(c().CmdSave->hasFocus());
    EXPECT_NE(outline(c().CmdSave), outline(c().CmdLoad));
    EXPECT_NE(outline(c().CmdSave), outline(c().CmdRaster));

    // Tab goes on to the result box, which shows the focus in its border.
    const auto borderColour = [](QWidget* box) {
        return QColor(box->grab().toImage().pixel(0, box->height() / 2));
    };
    const QColor highlight = c().PicDst->palette().color(QPalette::Highlight);
    EXPECT_NE(borderColour(c().PicDst), highlight);
    press(Qt::Key_Tab);
    ASSERT_TRUE(c().PicDst->hasFocus());
    EXPECT_EQ(borderColour(c().PicDst), highlight);
    EXPECT_EQ(outline(c().CmdSave), outline(c().CmdLoad));
}

}  // namespace
}  // namespace glint::test
