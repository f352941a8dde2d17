#include "Form1.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QPushButton>
#include <QSlider>

#include "Form1Layout.h"
#include "InfoLabel.h"
#include "KeyPreview.h"
#include "ScaleCombo.h"
#include "UiTexts.h"
#include "platform/AppIcon.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"

namespace glint {

Form1::Form1(DialogBackend& dialogs, MessageBox& messages, Clipboard& clipboard, QWidget* parent)
    : QWidget(parent),
      messageBox_(messages),
      clipboard_(clipboard),
      c_(Form1Layout::build(this)),
      ComDlg(dialogs, this) {
    setWindowTitle(QString::fromUtf8(ui::kWindowTitle));
    setWindowIcon(appIcon());
    // The window is never deleted by closing it: a render may still be on the stack then.
    setAttribute(Qt::WA_DeleteOnClose, false);
    resize(Form1Layout::kClientSize);

    keyPreview_ = new KeyPreview(
        this,
        [this](short& keyCode, short& shift, QWidget* target) {
            return previewKey(keyCode, shift, target);
        },
        this);
    connectEvents();
}

Form1::~Form1() = default;

void Form1::connectEvents() {
    connect(c_.CmdLoad, &QPushButton::clicked, this, [this] { CmdLoad_Click(); });
    connect(c_.CmdRaster, &QPushButton::clicked, this, [this] { CmdRaster_Click(); });
    connect(c_.CmdSave, &QPushButton::clicked, this, [this] { CmdSave_Click(); });
    connect(c_.CmdBreak, &QPushButton::clicked, this, [this] { CmdBreak_Click(); });
    connect(c_.CmdBackColor, &QPushButton::clicked, this, [this] { CmdBackColor_Click(); });
    // Only a pick from the list; typing in the edit field runs nothing.
    connect(c_.ComboScale, &QComboBox::activated, this, [this] { ComboScale_Click(); });
    // The slider's scroll notification: its value has changed, whatever moved it.
    connect(c_.SldRed, &QSlider::valueChanged, this, [this] { SldRed_Scroll(); });
    connect(c_.SldBlue, &QSlider::valueChanged, this, [this] { SldBlue_Scroll(); });
}

bool Form1::keyPreview() const { return keyPreview_->isEnabled(); }

PictureSurface& Form1::picSrc() { return *c_.PicSrc; }
PictureSurface& Form1::picDst() { return *c_.PicDst; }

std::string Form1::dialogFileName() const { return ComDlg.FileName.toStdString(); }

void Form1::setInfo(const std::string& caption) { c_.LblInfo->setCaptionUtf8(caption); }

QPushButton* Form1::commandButton(Command command) const {
    switch (command) {
        case Command::Load:
            return c_.CmdLoad;
        case Command::Raster:
            return c_.CmdRaster;
        case Command::Save:
            return c_.CmdSave;
        case Command::Break:
            return c_.CmdBreak;
    }
    return c_.CmdLoad;
}

void Form1::setCommandEnabled(Command command, bool enabled) {
    commandButton(command)->setEnabled(enabled);
}

void Form1::setCommandVisible(Command command, bool visible) {
    commandButton(command)->setVisible(visible);
}

void Form1::setCommandFocus(Command command) { moveFocus(commandButton(command)); }

void Form1::moveFocus(QWidget* control) {
    // Marked as a focus moved with the keyboard: the style marks no other.
    setAttribute(Qt::WA_KeyboardFocusChange);
    control->setFocus();
    control->update();
}

void Form1::doEvents() { yield_.yield(); }

void Form1::showError(const std::string& text) { showErrorBox(QString::fromStdString(text)); }

void Form1::showErrorBox(const QString& text) { messageBox_.showError(this, text); }

void Form1::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    Form_Resize();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (loading_) {
        // A helper still at work is stopped; the window closes once the reading has ended
        // (CmdLoad_Click).
        closeRequested_ = true;
        event->ignore();
        return;
    }
    if (rendering_) {
        // The render stops after the row it is in; CmdRaster_Click closes the window then.
        BreakFlag = true;
        closeRequested_ = true;
        event->ignore();
        return;
    }
    event->accept();
}

void Form1::CmdRaster_Click() {
    rendering_ = true;
    runRasterRender(*this);
    rendering_ = false;
    if (closeRequested_) {
        closeRequested_ = false;
        close();
        QCoreApplication::quit();
    }
}

void Form1::CmdBreak_Click() { BreakFlag = true; }

}  // namespace glint
