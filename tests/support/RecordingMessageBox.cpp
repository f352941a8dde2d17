#include "support/RecordingMessageBox.h"

namespace glint {

void RecordingMessageBox::showError(QWidget*, const QString& text) { errors_ << text; }

}  // namespace glint
