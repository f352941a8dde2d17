#pragma once
// The modal dialogs behind the common dialog. The real one shows Qt's own dialogs; tests
// substitute a scripted one. An empty optional means the user cancelled.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "engine/ColorValue.h"
#include "engine/Status.h"

class QWidget;

namespace glint {

struct FileDialogRequest {
    QString title;
    QStringList nameFilters;  // Qt form: "Bitmap File (*.bmp)"
    QString startDir;         // a folder
    QString defaultSuffix;    // added to a typed name without extension ("" for none)
    // A save dialog's: the name a chosen file is written under (none: the chosen name). The
    // dialog asks before that file is replaced, and only about that file.
    std::function<QString(const QString&)> writtenName;
};

class DialogBackend {
  public:
    virtual ~DialogBackend() = default;
    // Full path of the chosen file, or nothing on cancel. A failure of the dialog itself is a
    // failed Status.
    virtual Status openFile(QWidget* parent, const FileDialogRequest& request,
                            std::optional<QString>& chosen) = 0;
    virtual Status saveFile(QWidget* parent, const FileDialogRequest& request,
                            std::optional<QString>& chosen) = 0;
    virtual Status pickColor(QWidget* parent, ColorValue initial,
                             std::optional<ColorValue>& chosen) = 0;
};

}  // namespace glint
