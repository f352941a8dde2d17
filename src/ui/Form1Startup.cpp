// Start-up and resize of the main window.
#include <QCoreApplication>
#include <QGroupBox>
#include <QPushButton>

#include "Form1.h"
#include "InfoLabel.h"
#include "KeyPreview.h"
#include "ScaleCombo.h"
#include "UiTexts.h"

namespace glint {

void Form1::Form_Load() {
    if (startUp().failed()) showErrorBox(QString::fromUtf8(ui::kStartError));
}

Status Form1::startUp() {
    ComDlg.InitDir = QCoreApplication::applicationDirPath();
    c_.CmdSave->setEnabled(false);
    c_.CmdRaster->setEnabled(false);
    for (const char* entry : ui::kScaleEntries) c_.ComboScale->AddItem(QString::fromUtf8(entry));
    c_.ComboScale->setText(QString::fromUtf8(ui::kScaleEntries[0]));
    RasterScale = 2;
    if (Status st = SetDstSize(); st.failed()) return st;
    c_.LblInfo->setCaption(QString::fromUtf8(ui::kGreeting));
    keyPreview_->setEnabled(true);
    show();
    moveFocus(c_.CmdLoad);
    return Status::ok();
}

void Form1::Form_Resize() {
    // The frame stays docked to the bottom edge and as wide as the client area; a client area
    // lower than the frame gives it a negative top.
    const float frameHeight = static_cast<float>(c_.Frame1->height());
    const float top = static_cast<float>(height()) - frameHeight;
    c_.Frame1->move(c_.Frame1->x(), static_cast<int>(top));
    c_.Frame1->resize(width(), c_.Frame1->height());
}

}  // namespace glint
