#pragma once
// The window's one common dialog: open, save and colour dialogs sharing their properties, so
// FileName keeps the last file dialog's result.
#include <QString>
#include <QStringList>

#include "DialogBackend.h"

namespace glint {

class CommonDialog {
  public:
    CommonDialog(DialogBackend& backend, QWidget* parent);

    // "Description|pattern;pattern|Description|pattern" as the program writes it.
    QString Filter;
    QString DialogTitle;
    QString FileName;      // full path after a confirmed file dialog; left as it was on cancel
    QString InitDir;       // where file dialogs start: a folder, or a file whose folder is used
    ColorValue Color = 0;  // the colour last confirmed; 0 (black) before any

    Status ShowOpen();
    // `writtenName` names the file a chosen name is written under, the one the dialog asks
    // about before replacing it (see FileDialogRequest).
    Status ShowSave(const std::function<QString(const QString&)>& writtenName = {});
    Status ShowColor();

    // Qt name filters for a Filter text: "Bitmap File (*.bmp)|*.bmp" gives one entry whose
    // patterns match in any letter case.
    static QStringList qtNameFilters(const QString& filter);
    // The folder a file dialog starts in for an InitDir.
    static QString startFolder(const QString& initDir);

  private:
    FileDialogRequest request(const QString& defaultSuffix,
                              const std::function<QString(const QString&)>& writtenName) const;

    DialogBackend& backend_;
    QWidget* parent_;
};

}  // namespace glint
