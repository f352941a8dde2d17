#pragma once
// A dialog backend for tests: answers come from a script, consumed in order, and every request
// is recorded. An empty script, or an answer of the wrong kind, is a failure with a clear
// reason rather than a silent cancel.
#include <deque>
#include <string>
#include <vector>

#include "platform/DialogBackend.h"

namespace glint {

class ScriptedDialogBackend : public DialogBackend {
  public:
    enum class Kind { Open, Save, Color };

    struct Request {
        Kind kind = Kind::Open;
        QString title;
        QStringList nameFilters;
        QString startDir;
        QString defaultSuffix;
        std::function<QString(const QString&)> writtenName;  // save dialogs only
        ColorValue initialColor = 0;                         // colour dialogs only
    };

    // Script the next answers.
    void queueCancel();
    void queuePath(const QString& fullPath);  // a confirmed open or save dialog
    void queueColor(ColorValue color);        // a confirmed colour dialog
    void queueFailure(const std::string& reason);

    const std::vector<Request>& requests() const { return requests_; }
    int pendingAnswers() const { return static_cast<int>(script_.size()); }

    Status openFile(QWidget* parent, const FileDialogRequest& request,
                    std::optional<QString>& chosen) override;
    Status saveFile(QWidget* parent, const FileDialogRequest& request,
                    std::optional<QString>& chosen) override;
    Status pickColor(QWidget* parent, ColorValue initial,
                     std::optional<ColorValue>& chosen) override;

  private:
    enum class AnswerKind { Cancel, Path, Color, Failure };
    struct Answer {
        AnswerKind kind = AnswerKind::Cancel;
        QString path;
        ColorValue color = 0;
        std::string reason;
    };

    Status fileAnswer(Kind kind, const FileDialogRequest& request, std::optional<QString>& chosen);
    Status nextAnswer(const char* what, Answer& answer);

    std::deque<Answer> script_;
    std::vector<Request> requests_;
};

}  // namespace glint
