#include "StandardStreams.h"

#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <cerrno>
#include <cstring>
#include <vector>

#include "io/decode/LoadLimits.h"

namespace glint {

namespace {
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;
}

bool isStandardStream(const QString& name) { return name == QLatin1String(kStandardStreamName); }

Status StdinSpool::fill() {
    file_ = std::make_unique<QTemporaryFile>(QDir::temp().filePath("glintwork-stdin-XXXXXX"));
    if (!file_->open()) {
        return Status::failure("cannot make a temporary file: " +
                               file_->errorString().toStdString());
    }
    std::vector<char> chunk(kChunkBytes);
    std::int64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (got == 0) break;
        if (got < 0) {
            if (errno == EINTR) continue;
            return Status::failure(std::string("cannot read standard input: ") +
                                   std::strerror(errno));
        }
        total += got;
        if (total > kMaxPictureFileBytes) {
            return Status::failure("standard input is over the limit of " +
                                   std::to_string(kMaxPictureFileBytes >> 20) +
                                   " MiB for pictures");
        }
        if (file_->write(chunk.data(), got) != got) {
            return Status::failure("cannot keep standard input in a temporary file: " +
                                   file_->errorString().toStdString());
        }
    }
    if (!file_->flush()) {
        return Status::failure("cannot keep standard input in a temporary file: " +
                               file_->errorString().toStdString());
    }
    return Status::ok();
}

QString StdinSpool::path() const { return file_ ? file_->fileName() : QString(); }

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
