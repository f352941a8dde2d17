#include "support/ScriptedDialogBackend.h"

namespace glint {

void ScriptedDialogBackend::queueCancel() { script_.push_back({AnswerKind::Cancel, {}, 0, {}}); }

void ScriptedDialogBackend::queuePath(const QString& fullPath) {
    script_.push_back({AnswerKind::Path, fullPath, 0, {}});
}

void ScriptedDialogBackend::queueColor(ColorValue color) {
    script_.push_back({AnswerKind::Color, {}, color, {}});
}

void ScriptedDialogBackend::queueFailure(const std::string& reason) {
    script_.push_back({AnswerKind::Failure, {}, 0, reason});
}

Status ScriptedDialogBackend::nextAnswer(const char* what, Answer& answer) {
    if (script_.empty())
        return Status::failure(std::string("scripted dialogs: no answer left for the ") + what +
                               " dialog");
    answer = script_.front();
    script_.pop_front();
    if (answer.kind == AnswerKind::Failure) return Status::failure(answer.reason);
    return Status::ok();
}

Status ScriptedDialogBackend::fileAnswer(Kind kind, const FileDialogRequest& request,
                                         std::optional<QString>& chosen) {
    chosen.reset();
    requests_.push_back({kind, request.title, request.nameFilters, request.startDir,
                         request.defaultSuffix, request.writtenName, 0});
    const char* what = kind == Kind::Open ? "open" : "save";
    Answer answer;
    Status status = nextAnswer(what, answer);
    if (status.failed()) return status;
    if (answer.kind == AnswerKind::Color)
        return Status::failure(std::string("scripted dialogs: a colour was scripted for the ") +
                               what + " dialog");
    if (answer.kind == AnswerKind::Path) chosen = answer.path;
    return Status::ok();
}

Status ScriptedDialogBackend::openFile(QWidget*, const FileDialogRequest& request,
                                       std::optional<QString>& chosen) {
    return fileAnswer(Kind::Open, request, chosen);
}

Status ScriptedDialogBackend::saveFile(QWidget*, const FileDialogRequest& request,
                                       std::optional<QString>& chosen) {
    return fileAnswer(Kind::Save, request, chosen);
}

Status ScriptedDialogBackend::pickColor(QWidget*, ColorValue initial,
                                        std::optional<ColorValue>& chosen) {
    chosen.reset();
    requests_.push_back({Kind::Color, {}, {}, {}, {}, {}, initial});
    Answer answer;
    Status status = nextAnswer("colour", answer);
    if (status.failed()) return status;
    if (answer.kind == AnswerKind::Path)
        return Status::failure("scripted dialogs: a path was scripted for the colour dialog");
    if (answer.kind == AnswerKind::Color) chosen = answer.color;
    return Status::ok();
}

}  // namespace glint
