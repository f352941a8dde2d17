#pragma once
// A message box for tests: records what would have been shown and answers questions from a
// script. A question with nothing scripted is answered No (the default button) and counted.
#include <QStringList>
#include <deque>

#include "platform/MessageBox.h"

namespace glint {

class RecordingMessageBox : public MessageBox {
public:
    void showError(QWidget* parent, const QString& text) override;
    bool askYesNo(QWidget* parent, const QString& title, const QString& text) override;

    void queueAnswer(bool yes) { answers_.push_back(yes); }

    // Error texts exactly as passed (CR LF kept), in order.
    const QStringList& errors() const { return errors_; }
    // Questions asked, as title and text, in order.
    const QStringList& questionTitles() const { return questionTitles_; }
    const QStringList& questionTexts() const { return questionTexts_; }
    int unscriptedQuestions() const { return unscripted_; }
    void clear();

private:
    QStringList errors_;
    QStringList questionTitles_;
    QStringList questionTexts_;
    std::deque<bool> answers_;
    int unscripted_ = 0;
};

}  // namespace glint
