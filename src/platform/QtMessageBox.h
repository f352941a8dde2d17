#pragma once
// The real message boxes, shown modally with Qt's QMessageBox.
#include "MessageBox.h"

namespace glint {

class QtMessageBox : public MessageBox {
  public:
    void showError(QWidget* parent, const QString& text) override;

    // The text as displayed: CR LF line breaks become plain line breaks.
    static QString displayText(const QString& text);
};

}  // namespace glint
