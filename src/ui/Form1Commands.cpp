// The command buttons that exchange pictures: Open File and Save As...
#include <QCoreApplication>
#include <QImage>
#include <QPushButton>

#include "Form1.h"
#include "ImageControl.h"
#include "InfoLabel.h"
#include "InputHold.h"
#include "UiTexts.h"
#include "io/decode/PictureLoader.h"
#include "io/output/PictureWriter.h"
#include "io/output/SaveName.h"
#include "platform/MessageBox.h"
#include "platform/PictureBox.h"
#include "platform/WorkAside.h"

namespace glint {

void Form1::CmdLoad_Click() {
    const Status opened = openPicture();
    if (closeRequested_) {  // the window was closed while the picture was read
        closeRequested_ = false;
        close();
        QCoreApplication::quit();
        return;
    }
    if (opened.speaksToUser()) {
        // The file may be fine: what is missing is part of the installation (a plug-in, a
        // helper, a decoder for this variant of the format), so say which.
        showErrorBox(QString::fromUtf8(ui::kOpenErrorTitle) + QStringLiteral("\r\n") +
                     QString::fromStdString(opened.reason()));
    } else if (opened.failed()) {
        showErrorBox(QString::fromUtf8(ui::kOpenError));
    }
}

// The picture is read aside, on a thread of its own: the window keeps itself painted while a
// large photo decodes or a helper process works, but keys and clicks are held back, so no other
// event procedure starts in the middle. Closing the window stops a helper at once.
Status Form1::loadPicture(const QString& fileName, QImage& picture) {
    loading_ = true;
    Status loaded = Status::ok();
    {
        const InputHold hold;
        runAside(
            [&] {
                loaded = LoadPicture(fileName, picture, [this] { return !closeRequested_.load(); });
            },
            QEventLoop::AllEvents);
    }
    loading_ = false;
    return loaded;
}

Status Form1::openPicture() {
    ComDlg.Filter = QString::fromUtf8(ui::kOpenFilter);
    // Save As... is disabled before the dialog opens, so a cancel leaves it disabled too.
    c_.CmdSave->setEnabled(false);
    ComDlg.DialogTitle = QString::fromUtf8(ui::kOpenTitle);
    ComDlg.FileName.clear();
    if (Status st = ComDlg.ShowOpen(); st.failed()) return st;
    const QString fileName = ComDlg.FileName;
    if (fileName.isEmpty()) {
        c_.LblInfo->setCaption(QString::fromUtf8(ui::kOpenCancelled));
        return Status::ok();
    }

    // Both boxes take ImgDummy's empty picture before the file is read.
    if (Status st = c_.PicSrc->assignPicture(c_.ImgDummy->picture()); st.failed()) return st;
    if (Status st = c_.PicDst->assignPicture(c_.ImgDummy->picture()); st.failed()) return st;
    QImage picture;
    if (Status st = loadPicture(fileName, picture); st.failed()) return st;
    if (Status st = c_.PicSrc->assignPicture(picture); st.failed()) return st;
    if (Status st = SetDstSize(); st.failed()) return st;
    c_.CmdRaster->setEnabled(true);
    moveFocus(c_.CmdRaster);
    ComDlg.InitDir = fileName;
    return ShowPicInfo();
}

void Form1::CmdSave_Click() {
    if (savePicture().failed()) showErrorBox(QString::fromUtf8(ui::kSaveError));
}

Status Form1::savePicture() {
    ComDlg.Filter = QString::fromUtf8(ui::kSaveFilter);
    ComDlg.DialogTitle = QString::fromUtf8(ui::kSaveTitle);
    ComDlg.FileName.clear();
    // The dialog asks before it replaces a file, about the file the chosen name is written as.
    if (Status st = ComDlg.ShowSave(bmpFileName); st.failed()) return st;
    const QString chosen = ComDlg.FileName;
    if (chosen.isEmpty()) {
        c_.LblInfo->setCaption(QString::fromUtf8(ui::kSaveCancelled));
        return Status::ok();
    }

    const QString fileName = bmpFileName(chosen);
    // A large result takes seconds to complete and write: the window goes on meanwhile.
    c_.PicDst->completePicture();
    Status saved = Status::ok();
    runAside([&saved, picture = c_.PicDst->picture(), &fileName] {
        saved = SavePicture(picture, fileName);
    });
    if (saved.failed()) return saved;
    c_.LblInfo->setCaption(QString::fromUtf8(ui::kSavedPrefix) + fileName +
                           QString::fromUtf8(ui::kSavedSuffix));
    moveFocus(c_.CmdLoad);
    return Status::ok();
}

}  // namespace glint
