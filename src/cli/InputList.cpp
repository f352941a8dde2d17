#include "InputList.h"

#include <unistd.h>

#include <QFile>

#include "io/output/StandardStreams.h"

namespace glint {

QStringList splitInputList(const QByteArray& bytes, bool nulSeparated) {
    QStringList names;
    const char separator = nulSeparated ? '\0' : '\n';
    for (const QByteArray& name : bytes.split(separator)) {
        if (!name.isEmpty()) names << QFile::decodeName(name);
    }
    return names;
}

Status readInputList(const QString& source, bool nulSeparated, QStringList& names) {
    const bool fromStdin = isStandardStream(source);
    QFile file(fromStdin ? QString() : source);
    const bool opened =
        fromStdin ? file.open(STDIN_FILENO, QIODevice::ReadOnly) : file.open(QIODevice::ReadOnly);
    if (!opened) return Status::failure(file.errorString().toStdString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        return Status::failure(file.errorString().toStdString());
    }
    names = splitInputList(bytes, nulSeparated);
    return Status::ok();
}

}  // namespace glint
