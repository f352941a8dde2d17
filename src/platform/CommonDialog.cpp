#include "CommonDialog.h"

#include <QDir>
#include <QFileInfo>

namespace glint {

namespace {

constexpr QChar kEntrySeparator = u'|';
constexpr QChar kPatternSeparator = u';';
const QString kAllFilesPattern = QStringLiteral("*.*");

// A pattern that matches in any letter case: "*.bmp" -> "*.[bB][mM][pP]". "*.*" means every
// file, also one without a dot, as it does on the system the filters are written for.
QString anyCasePattern(const QString& pattern) {
    if (pattern == kAllFilesPattern) return QStringLiteral("*");
    QString result;
    for (const QChar c : pattern) {
        const QChar lower = c.toLower();
        const QChar upper = c.toUpper();
        if (lower != upper) {
            result += u'[';
            result += lower;
            result += upper;
            result += u']';
        } else {
            result += c;
        }
    }
    return result;
}

// "bmp" for a first pattern "*.bmp"; empty when the pattern is no plain "*.extension".
QString suffixOfFirstPattern(const QString& filter) {
    const QStringList parts = filter.split(kEntrySeparator);
    if (parts.size() < 2) return {};
    const QString first = parts[1].split(kPatternSeparator).first().trimmed();
    if (!first.startsWith(QStringLiteral("*."))) return {};
    QString suffix = first.mid(2);
    for (const QChar c : suffix) {
        if (!c.isLetterOrNumber()) return {};
    }
    return suffix;
}

}  // namespace

CommonDialog::CommonDialog(DialogBackend& backend, QWidget* parent)
    : backend_(backend), parent_(parent) {}

QStringList CommonDialog::qtNameFilters(const QString& filter) {
    QStringList result;
    const QStringList parts = filter.split(kEntrySeparator);
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns;
        for (const QString& pattern : parts[i + 1].split(kPatternSeparator, Qt::SkipEmptyParts)) {
            const QString trimmed = pattern.trimmed();
            if (!trimmed.isEmpty()) patterns << anyCasePattern(trimmed);
        }
        if (patterns.isEmpty()) continue;
        // The dialog hides the part in parentheses, so it shows the description as written.
        result << parts[i] + QStringLiteral(" (") + patterns.join(u' ') + u')';
    }
    return result;
}

QString CommonDialog::startFolder(const QString& initDir) {
    if (initDir.isEmpty()) return QDir::currentPath();
    const QFileInfo info(initDir);
    if (info.isDir()) return initDir;
    QString folder = info.absolutePath();
    if (QFileInfo(folder).isDir()) return folder;
    return QDir::currentPath();
}

FileDialogRequest CommonDialog::request(
    const QString& defaultSuffix, const std::function<QString(const QString&)>& writtenName) const {
    return {DialogTitle, qtNameFilters(Filter), startFolder(InitDir), defaultSuffix, writtenName};
}

Status CommonDialog::ShowOpen() {
    std::optional<QString> chosen;
    Status status = backend_.openFile(parent_, request(QString(), {}), chosen);
    if (status.failed()) return status;
    if (chosen) FileName = *chosen;
    return Status::ok();
}

Status CommonDialog::ShowSave(const std::function<QString(const QString&)>& writtenName) {
    std::optional<QString> chosen;
    Status status =
        backend_.saveFile(parent_, request(suffixOfFirstPattern(Filter), writtenName), chosen);
    if (status.failed()) return status;
    if (chosen) FileName = *chosen;
    return Status::ok();
}

Status CommonDialog::ShowColor() {
    std::optional<ColorValue> chosen;
    Status status = backend_.pickColor(parent_, Color, chosen);
    if (status.failed()) return status;
    if (chosen) Color = *chosen;
    return Status::ok();
}

}  // namespace glint
