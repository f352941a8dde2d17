#include "StandardStreams.h"

#include <unistd.h>

#include <QBuffer>
#include <QFile>
#include <QImageWriter>

namespace glint {

bool isStandardStream(const QString& name) { return name == QLatin1String(kStandardStreamName); }

bool isStandardStream(const QByteArray& name) { return name == kStandardStreamName; }

QIODevice& standardOutput() {
    static QFile out;
    static const bool opened = out.open(STDOUT_FILENO, QIODevice::WriteOnly | QIODevice::Unbuffered,
                                        QFileDevice::DontCloseHandle);
    (void)opened;
    return out;
}

Status writeImageToStandardOutput(const QImage& image, const char* format) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    if (!writer.write(image)) return Status::failure(writer.errorString().toStdString());
    QIODevice& out = standardOutput();
    const QByteArray& bytes = buffer.data();
    if (out.write(bytes) != bytes.size()) {
        return Status::failure(out.errorString().toStdString());
    }
    return Status::ok();
}

}  // namespace glint
