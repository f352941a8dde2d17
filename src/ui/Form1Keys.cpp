// Keys the window handles itself: Ctrl+C copies the result picture.
#include <QComboBox>
#include <QLineEdit>

#include "Form1.h"
#include "InfoLabel.h"
#include "KeyPreview.h"
#include "UiTexts.h"
#include "platform/Clipboard.h"
#include "platform/PictureBox.h"

namespace glint {

namespace {

constexpr short kKeyC = 67;

// Whether the control copies its own selected text on Ctrl+C.
bool copiesSelectedText(QWidget* target) {
    QLineEdit* edit = qobject_cast<QLineEdit*>(target);
    if (auto* combo = qobject_cast<QComboBox*>(target)) edit = combo->lineEdit();
    return edit && edit->hasSelectedText();
}

}  // namespace

void Form1::Form_KeyDown(short& KeyCode, short& Shift) {
    if (KeyCode != kKeyC || Shift != kCtrlMask) return;
    if (!c_.PicDst->hasPicture()) return;
    c_.PicDst->completePicture();
    if (Status st = clipboard_.SetData(c_.PicDst->picture(), kClipboardBitmap); st.failed()) {
        // The result stays in PicDst and the label keeps its text; the user can try again.
        showErrorBox(QString::fromUtf8(ui::kClipboardError));
        return;
    }
    ++picturesCopied_;
    c_.LblInfo->setCaption(QString::fromUtf8(ui::kCopied));
}

bool Form1::previewKey(short& keyCode, short& shift, QWidget* target) {
    const int copiedBefore = picturesCopied_;
    Form_KeyDown(keyCode, shift);
    // The picture just put on the clipboard must stay there: a control that would copy its
    // selected text over it does not get this key press.
    return picturesCopied_ != copiedBefore && copiesSelectedText(target);
}

}  // namespace glint
