#pragma once
// A message box for tests: records what would have been shown.
#include <QStringList>

#include "platform/MessageBox.h"

namespace glint {

class RecordingMessageBox : public MessageBox {
  public:
    void showError(QWidget* parent, const QString& text) override;

    // Error texts exactly as passed (CR LF kept), in order.
    const QStringList& errors() const { return errors_; }

  private:
    QStringList errors_;
};

}  // namespace glint
