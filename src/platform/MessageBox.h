#pragma once
// Message boxes of the window: the error report.
#include <QString>

class QWidget;

namespace glint {

inline constexpr const char* kErrorTitle = "Glintwork Error";

class MessageBox {
  public:
    virtual ~MessageBox() = default;
    // "Glintwork Error", the text (CR LF line breaks), OK only, no icon. Returns when closed.
    virtual void showError(QWidget* parent, const QString& text) = 0;
};

}  // namespace glint
