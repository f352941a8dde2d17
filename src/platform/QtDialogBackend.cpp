#include "QtDialogBackend.h"

#include <QApplication>
#include <QColorDialog>
#include <QFileDialog>

namespace glint {

namespace {

// Dialogs are widgets: without a widget application there is nothing to show them with.
Status needWidgets() {
    if (qobject_cast<QApplication*>(QCoreApplication::instance()) == nullptr)
        return Status::failure("dialogs need a running widget application");
    return Status::ok();
}

Status runFileDialog(QWidget* parent, const FileDialogRequest& request,
                     QFileDialog::AcceptMode mode, std::optional<QString>& chosen) {
    chosen.reset();
    Status status = needWidgets();
    if (status.failed()) return status;

    QFileDialog dialog(parent, request.title, request.startDir);
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
