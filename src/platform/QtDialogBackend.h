#pragma once
// The real dialogs: Qt's own file and colour dialogs (never the desktop's native ones), modal.
#include "DialogBackend.h"

namespace glint {

class QtDialogBackend : public DialogBackend {
  public:
    Status openFile(QWidget* parent, const FileDialogRequest& request,
                    std::optional<QString>& chosen) override;
    Status saveFile(QWidget* parent, const FileDialogRequest& request,
                    std::optional<QString>& chosen) override;
    Status pickColor(QWidget* parent, ColorValue initial,
                     std::optional<ColorValue>& chosen) override;
};

}  // namespace glint
