#pragma once
// The main window. Holds the controls, the common dialog and the five form-level values, and
// runs the event procedures. The render calls back into it through RasterForm.
#include <QImage>
#include <QString>
#include <QWidget>
#include <atomic>
#include <cstdint>

#include "Form1Controls.h"
#include "engine/RasterRender.h"
#include "platform/CommonDialog.h"
#include "platform/EventYield.h"

class QPushButton;

namespace glint {

class Clipboard;
class DialogBackend;
class KeyPreview;
class MessageBox;

class Form1 : public QWidget, public RasterForm {
    Q_OBJECT
  public:
    // The services stay owned by the caller and must outlive the window.
    Form1(DialogBackend& dialogs, MessageBox& messages, Clipboard& clipboard,
          QWidget* parent = nullptr);
    ~Form1() override;

    // Event procedures.
    void Form_Load();
    void Form_Resize();
    void Form_KeyDown(short& KeyCode, short& Shift);
    void CmdLoad_Click();
    void CmdRaster_Click();
    void CmdBreak_Click();
    void CmdSave_Click();
    void CmdBackColor_Click();
    void ComboScale_Click();
    void SldRed_Scroll();
    void SldBlue_Scroll();

    const Form1Controls& controls() const { return c_; }
    CommonDialog& comDlg() { return ComDlg; }
    bool keyPreview() const;
    // True while CmdRaster_Click is running its render.
    bool isRendering() const { return rendering_; }
    const EventYield& eventYield() const { return yield_; }

    // RasterForm: form-level values, read at every use.
    std::int32_t rasterScale() const override { return RasterScale; }
    ColorValue backCol() const override { return BackCol; }
    std::int32_t redVal() const override { return RedVal; }
    std::int32_t blueVal() const override { return BlueVal; }
    bool breakFlag() const override { return BreakFlag; }
    void setBreakFlag(bool on) override { BreakFlag = on; }

    // RasterForm: controls, the dialog's file name, the yield and the error box.
    PictureSurface& picSrc() override;
    PictureSurface& picDst() override;
    std::string dialogFileName() const override;
    void setInfo(const std::string& caption) override;
    void setCommandEnabled(Command command, bool enabled) override;
    void setCommandVisible(Command command, bool visible) override;
    void setCommandFocus(Command command) override;
    void doEvents() override;
    void showError(const std::string& text) override;

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void connectEvents();
    QPushButton* commandButton(Command command) const;
    // Moves the focus to a control and marks it there, as the keyboard would.
    void moveFocus(QWidget* control);
    void showErrorBox(const QString& text);

    // Private procedures, handing their failure to the caller.
    Status SetDstSize();
    Status ShowPicInfo();

    // Bodies of the procedures with an error report; a failure ends them at the failing step.
    Status startUp();
    Status openPicture();
    Status loadPicture(const QString& fileName, QImage& picture);
    Status savePicture();
    Status chooseBackColor();

    // Key preview: runs Form_KeyDown; true when the control must not see the key as well.
    bool previewKey(short& keyCode, short& shift, QWidget* target);

    MessageBox& messageBox_;
    Clipboard& clipboard_;
    Form1Controls c_;
    CommonDialog ComDlg;
    KeyPreview* keyPreview_ = nullptr;
    EventYield yield_;  // the render's yield after every row

    // Form-level values.
    std::int32_t RasterScale = 0;  // 2 from start-up on
    ColorValue BackCol = 0;
    std::int32_t RedVal = 0;
    std::int32_t BlueVal = 0;
    bool BreakFlag = false;

    bool rendering_ = false;
    bool loading_ = false;  // a picture file is being read
    // The window was closed while a render ran or a file was read (read by the reading thread).
    std::atomic<bool> closeRequested_{false};
    int picturesCopied_ = 0;  // successful Ctrl+C copies so far
};

}  // namespace glint
