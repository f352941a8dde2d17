#pragma once
// The seventeen controls of the main window, owned by the window (Qt parent-child); the common
// dialog is held by the window itself.
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace glint {

class ColorSwatch;
class ImageControl;
class InfoLabel;
class PictureBox;
class ScaleCombo;

struct Form1Controls {
    PictureBox* PicSrc = nullptr;
    PictureBox* PicDst = nullptr;
    ImageControl* ImgDummy = nullptr;
    QPushButton* CmdLoad = nullptr;
    QPushButton* CmdRaster = nullptr;
    QPushButton* CmdSave = nullptr;
    QPushButton* CmdBreak = nullptr;
    QPushButton* CmdBackColor = nullptr;
    ColorSwatch* ShpBackCol = nullptr;
    ScaleCombo* ComboScale = nullptr;
    QSlider* SldRed = nullptr;
    QSlider* SldBlue = nullptr;
    QLabel* LblRed = nullptr;
    QLabel* LblBlue = nullptr;
    QGroupBox* Frame1 = nullptr;
    InfoLabel* LblInfo = nullptr;
};

}  // namespace glint
