#include "SinkDevice.h"

#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <vector>

#include "OutputFile.h"

namespace glint {

namespace {

constexpr qint64 kCopyChunkBytes = qint64{1} << 20;

// A temporary file without a name: removed as soon as it is made, gone when it is closed.
std::unique_ptr<QFile> unnamedTemporaryFile() {
    QByteArray name = QFile::encodeName(QDir::temp().filePath("glintwork-out-XXXXXX"));
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return nullptr;
    ::unlink(name.constData());
    auto file = std::make_unique<QFile>();
    if (!file->open(fd, QIODevice::ReadWrite, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return nullptr;
    }
    return file;
}

}  // namespace

SinkDevice::SinkDevice() = default;

SinkDevice::SinkDevice(QIODevice& given, Access access) : given_(&given), access_(access) {}

SinkDevice::~SinkDevice() { cancel(); }

Status SinkDevice::open(const QString& fileName) {
    cancel();
    if (given_ == nullptr) {
        file_ = std::make_unique<OutputFile>(fileName);
        if (Status st = file_->create(); st.failed()) {
            file_.reset();
            return st;
        }
        device_ = file_.get();
    } else if (access_ == Access::Seeking && given_->isSequential()) {
        spool_ = unnamedTemporaryFile();
        if (!spool_) return Status::failure("cannot make a temporary file for the output");
        device_ = spool_.get();
    } else {
        device_ = given_;
    }
    return Status::ok();
}

Status SinkDevice::commit() {
    Status st = Status::ok();
    if (file_) {
        st = file_->commit();
    } else if (spool_) {
        st = copyOut();
    }
    cancel();
    return st;
}

Status SinkDevice::copyOut() {
    if (!spool_->flush() || !spool_->seek(0)) {
        return Status::failure("cannot read back the temporary file: " +
                               spool_->errorString().toStdString());
    }
    std::vector<char> chunk(kCopyChunkBytes);
    for (;;) {
        const qint64 got = spool_->read(chunk.data(), kCopyChunkBytes);
        if (got < 0) {
            return Status::failure("cannot read back the temporary file: " +
                                   spool_->errorString().toStdString());
        }
        if (got == 0) return Status::ok();
        if (given_->write(chunk.data(), got) != got) {
            return Status::failure(given_->errorString().toStdString());
        }
    }
}

void SinkDevice::cancel() {
    if (file_) file_->cancel();
    file_.reset();
    spool_.reset();
    device_ = nullptr;
}

}  // namespace glint
