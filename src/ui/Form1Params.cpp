// The controls that set the render's parameters, and the sizing procedures they share.
#include <QLabel>
#include <QSlider>

#include "ColorSwatch.h"
#include "Form1.h"
#include "ScaleCombo.h"
#include "UiTexts.h"
#include "engine/DstSizing.h"
#include "engine/Texts.h"

namespace glint {

namespace {

// Characters of a scale entry up to its digit ("Scale 2x" -> "Scale 2").
constexpr qsizetype kScaleDigitEnd = 7;

// The leading number of a one-character text: a digit's value, 0 for anything else.
std::int32_t leadingNumber(const QString& text) {
    if (text.size() != 1) return 0;
    const char16_t c = text.front().unicode();
    return (c >= u'0' && c <= u'9') ? static_cast<std::int32_t>(c - u'0') : 0;
}

}  // namespace

Status Form1::SetDstSize() { return glint::SetDstSize(*this); }

Status Form1::ShowPicInfo() { return glint::ShowPicInfo(*this); }

void Form1::SldRed_Scroll() {
    RedVal = c_.SldRed->value();
    c_.LblRed->setText(QString::fromUtf8(ui::kRedPrefix) + QString::number(RedVal));
}

void Form1::SldBlue_Scroll() {
    BlueVal = c_.SldBlue->value();
    c_.LblBlue->setText(QString::fromUtf8(ui::kBluePrefix) + QString::number(BlueVal));
}

void Form1::CmdBackColor_Click() {
    if (chooseBackColor().failed()) showErrorBox(QString::fromUtf8(ui::kColorError));
}

Status Form1::chooseBackColor() {
    if (Status st = ComDlg.ShowColor(); st.failed()) return st;
    // A cancel leaves Color as it was, so the background colour stays too.
    BackCol = ComDlg.Color;
    c_.ShpBackCol->setFillColor(BackCol);
    return Status::ok();
}

void Form1::ComboScale_Click() {
    const QString text = c_.ComboScale->Text();
    RasterScale = leadingNumber(text.left(kScaleDigitEnd).right(1));
    // A size PicDst cannot take is reported; the window goes on with the boxes as they are.
    Status st = SetDstSize();
    if (st.isOk()) st = ShowPicInfo();
    if (st.failed()) showErrorBox(QString::fromStdString(renderErrorText()));
}

}  // namespace glint
