#include "Form1Layout.h"

#include <QFont>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRect>
#include <QSlider>

#include "ColorSwatch.h"
#include "CommandButton.h"
#include "ImageControl.h"
#include "InfoFrame.h"
#include "InfoLabel.h"
#include "ScaleCombo.h"
#include "UiTexts.h"
#include "platform/PictureBox.h"

namespace glint {

namespace {

// Positions and sizes in pixels (left, top, width, height), relative to the client area, or
// to the frame for the info label.
constexpr QRect kPicSrc{0, 104, 81, 97};
constexpr QRect kPicDst{232, 104, 105, 97};
constexpr QRect kImgDummy{72, 120, 177, 193};
constexpr QRect kCmdLoad{8, 8, 73, 25};
constexpr QRect kCmdRaster{168, 8, 73, 25};
constexpr QRect kCmdSave{312, 8, 73, 25};
constexpr QRect kCmdBreak{248, 8, 57, 25};
constexpr QRect kCmdBackColor{8, 56, 89, 25};
constexpr QRect kShpBackCol{104, 56, 25, 25};
constexpr QRect kComboScale{144, 56, 73, 21};
constexpr QRect kSldRed{240, 48, 153, 17};
constexpr QRect kSldBlue{240, 72, 153, 17};
constexpr QRect kLblRed{400, 48, 57, 17};
constexpr QRect kLblBlue{400, 72, 57, 17};
constexpr QRect kFrame1{0, 320, 457, 65};
constexpr QRect kLblInfo{8, 16, 433, 41};

constexpr int kSliderMax = 255;
constexpr int kSliderSmallStep = 1;
constexpr int kSliderLargeStep = 16;
constexpr int kSliderTickEvery = 16;

// A picture box takes its outer size through its own size properties, which also size its
// drawing area (outer size minus the 2-pixel border on each side).
PictureBox* pictureBox(QWidget* parent, const QRect& at, const char* name) {
    auto* box = new PictureBox(parent);
    box->setAccessibleName(QString::fromUtf8(name));
    box->move(at.topLeft());
    const Status height = box->setOuterHeight(static_cast<float>(at.height()));
    const Status width = box->setOuterWidth(static_cast<float>(at.width()));
    Q_ASSERT(height.isOk() && width.isOk());
    (void)height;
    (void)width;
    box->setAutoSize(true);
    box->setFocusPolicy(Qt::StrongFocus);
    return box;
}

QPushButton* button(QWidget* parent, const char* caption, const QRect& at) {
    auto* b = new CommandButton(QString::fromUtf8(caption), parent);
    b->setGeometry(at);
    b->setFocusPolicy(Qt::StrongFocus);
    return b;
}

QLabel* valueLabel(QWidget* parent, const QString& caption, const QRect& at) {
    auto* label = new QLabel(caption, parent);
    label->setGeometry(at);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    label->setTextFormat(Qt::PlainText);
    label->setFocusPolicy(Qt::NoFocus);
    return label;
}

QSlider* slider(QWidget* parent, const QRect& at, const char* name) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setAccessibleName(QString::fromUtf8(name));
    s->setGeometry(at);
    s->setRange(0, kSliderMax);
    s->setValue(0);
    s->setSingleStep(kSliderSmallStep);
    s->setPageStep(kSliderLargeStep);
    s->setTickInterval(kSliderTickEvery);
    s->setTickPosition(QSlider::TicksBelow);
    s->setFocusPolicy(Qt::StrongFocus);
    return s;
}

}  // namespace

Form1Controls Form1Layout::build(QWidget* form) {
    // The platform's font family at a size for which the layout was made; the controls take it
    // from the window and set none of their own.
    QFont font;
    font.setPointSizeF(kFontPointSize);
    form->setFont(font);

    Form1Controls c;
    // Created back to front: a later sibling lies over an earlier one. The labels, the swatch and
    // the image come first, behind everything else.
    c.ImgDummy = new ImageControl(form);
    c.ImgDummy->setGeometry(kImgDummy);

    c.ShpBackCol = new ColorSwatch(form);
    c.ShpBackCol->setGeometry(kShpBackCol);
    c.ShpBackCol->setFillColor(0);
    c.ShpBackCol->setAccessibleName(QStringLiteral("Back Color"));

    c.LblRed = valueLabel(form, QString::fromUtf8(ui::kRedPrefix) + u'0', kLblRed);
    c.LblBlue = valueLabel(form, QString::fromUtf8(ui::kBluePrefix) + u'0', kLblBlue);

    c.PicSrc = pictureBox(form, kPicSrc, "Source picture");
    c.PicDst = pictureBox(form, kPicDst, "Result");

    c.CmdLoad = button(form, "Open File", kCmdLoad);
    // Open File is the window's default button. Outside a dialog that gives it no key beyond
    // Enter while it has the focus, and it is drawn like the other buttons.
    c.CmdLoad->setDefault(true);
    c.CmdRaster = button(form, "Make Raster", kCmdRaster);
    c.CmdSave = button(form, "Save As...", kCmdSave);

    c.Frame1 = new InfoFrame(QStringLiteral("Info"), form);
    c.Frame1->setGeometry(kFrame1);
    c.Frame1->setFocusPolicy(Qt::NoFocus);
    // Opaque: a large picture under the docked frame must not show through it, and the
    // progress text changing inside it repaints the frame only, not the pictures beneath.
    c.Frame1->setAutoFillBackground(true);
    c.LblInfo = new InfoLabel(c.Frame1);
    c.LblInfo->setGeometry(kLblInfo);

    c.CmdBackColor = button(form, "Set Back Color", kCmdBackColor);

    c.ComboScale = new ScaleCombo(form);
    c.ComboScale->setGeometry(kComboScale);
    c.ComboScale->setText(QString::fromUtf8(ui::kComboInitialText));

    c.SldRed = slider(form, kSldRed, "Red");
    c.SldBlue = slider(form, kSldBlue, "Blue");

    c.CmdBreak = button(form, "Break", kCmdBreak);
    c.CmdBreak->hide();

    // Tab visits these in order, skipping the disabled and hidden ones.
    QWidget* const tabOrder[] = {c.PicSrc,       c.CmdLoad,    c.CmdRaster, c.CmdSave, c.PicDst,
                                 c.CmdBackColor, c.ComboScale, c.SldRed,    c.SldBlue, c.CmdBreak};
    for (std::size_t i = 1; i < std::size(tabOrder); ++i) {
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
    }
    return c;
}

}  // namespace glint
