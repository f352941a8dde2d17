#include "support/RecordingMessageBox.h"

namespace glint {

void RecordingMessageBox::showError(QWidget*, const QString& text) { errors_ << text; }

bool RecordingMessageBox::askYesNo(QWidget*, const QString& title, const QString& text) {
    questionTitles_ << title;
    questionTexts_ << text;
    if (answers_.empty()) {
        ++unscripted_;
        return false;
    }
    const bool yes = answers_.front();
    answers_.pop_front();
    return yes;
}

void RecordingMessageBox::clear() {
    errors_.clear();
    questionTitles_.clear();
    questionTexts_.clear();
    answers_.clear();
    unscripted_ = 0;
}

}  // namespace glint
