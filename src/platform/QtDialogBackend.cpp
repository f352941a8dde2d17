#include "QtDialogBackend.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

namespace glint {

namespace {

// Dialogs are widgets: without a widget application there is nothing to show them with.
Status needWidgets() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return Status::failure("dialogs need a running widget application");
    return Status::ok();
}

// A file dialog whose save asks before the file written is replaced: Qt's own question, about
// the name the file is written under rather than the name typed. No leaves the dialog open.
class FileDialog : public QFileDialog {
  public:
    FileDialog(QWidget* parent, const FileDialogRequest& request)
        : QFileDialog(parent, request.title, request.startDir), writtenName_(request.writtenName) {
        setOption(QFileDialog::DontConfirmOverwrite);
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (acceptMode() == AcceptSave && !files.isEmpty() && !QFileInfo(files.first()).isDir()) {
            const QFileInfo written(writtenName_ ? writtenName_(files.first()) : files.first());
            if (written.exists() && !written.isDir() &&
                QMessageBox::warning(
                    this, windowTitle(),
                    tr("%1 already exists.\nDo you want to replace it?").arg(written.fileName()),
                    QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
                return;
            }
        }
        QFileDialog::accept();  // a folder's name opens that folder
    }

  private:
    std::function<QString(const QString&)> writtenName_;
};

Status runFileDialog(QWidget* parent, const FileDialogRequest& request,
                     QFileDialog::AcceptMode mode, std::optional<QString>& chosen) {
    chosen.reset();
    Status status = needWidgets();
    if (status.failed()) return status;

    FileDialog dialog(parent, request);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    dialog.setAcceptMode(mode);
    dialog.setFileMode(mode == QFileDialog::AcceptOpen ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
    if (!request.nameFilters.isEmpty()) dialog.setNameFilters(request.nameFilters);
    dialog.setDefaultSuffix(request.defaultSuffix);
    dialog.setWindowModality(Qt::ApplicationModal);

    if (dialog.exec() != QDialog::Accepted) return Status::ok();
    const QStringList files = dialog.selectedFiles();
    if (files.isEmpty() || files.first().isEmpty())
        return Status::failure("file dialog confirmed without a file");
    chosen = files.first();
    return Status::ok();
}

}  // namespace

Status QtDialogBackend::openFile(QWidget* parent, const FileDialogRequest& request,
                                 std::optional<QString>& chosen) {
    return runFileDialog(parent, request, QFileDialog::AcceptOpen, chosen);
}

Status QtDialogBackend::saveFile(QWidget* parent, const FileDialogRequest& request,
                                 std::optional<QString>& chosen) {
    return runFileDialog(parent, request, QFileDialog::AcceptSave, chosen);
}

Status QtDialogBackend::pickColor(QWidget* parent, ColorValue initial,
                                  std::optional<ColorValue>& chosen) {
    chosen.reset();
    Status status = needWidgets();
    if (status.failed()) return status;

    QColorDialog dialog(QColor(redOf(initial), greenOf(initial), blueOf(initial)), parent);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setWindowModality(Qt::ApplicationModal);
    if (dialog.exec() != QDialog::Accepted) return Status::ok();
    const QColor color = dialog.selectedColor();
    if (!color.isValid()) return Status::failure("colour dialog confirmed without a colour");
    chosen = RGB(color.red(), color.green(), color.blue());
    return Status::ok();
}

}  // namespace glint
