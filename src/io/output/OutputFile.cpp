#include "OutputFile.h"

#include <limits.h>
#include <unistd.h>

#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace glint {

namespace {
constexpr int kMaxPiecesPerCall = IOV_MAX;

std::string systemError(int error) { return std::strerror(error); }
}  // namespace

Status replaceableTarget(const QString& target) {
    const QFileInfo info(target);  // follows links: a link to a regular file is fine
    if (!info.exists() || info.isFile()) return Status::ok();
    if (info.isDir()) return Status::failure("the name is a folder");
    return Status::failure("it is not a regular file (only regular files are replaced)");
}

OutputFile::OutputFile(QString target) : target_(std::move(target)) {}

OutputFile::~OutputFile() { cancel(); }

Status OutputFile::create() {
    cancel();
    error_.clear();
    end_ = 0;
    if (Status st = replaceableTarget(target_); st.failed()) return st;
    file_ = std::make_unique<QSaveFile>(target_);
    file_->setDirectWriteFallback(false);
    if (!file_->open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        const std::string why = file_->errorString().toStdString();
        file_.reset();
        return Status::failure("cannot create the file: " + why);
    }
    fd_ = file_->handle();
    QIODevice::open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    return Status::ok();
}

Status OutputFile::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return Status::failure("cannot write the file: " + error_);
}

Status OutputFile::writeAt(std::int64_t offset, const iovec* pieces, int count) {
    if (failed()) return Status::failure("cannot write the file: " + error_);
    if (!file_ || fd_ < 0) return fail("the file is not open");
    std::vector<iovec> rest;  // what is left after a short write
    while (count > 0) {
        const ssize_t written = ::pwritev(fd_, pieces, std::min(count, kMaxPiecesPerCall), offset);
        if (written < 0 && errno == EINTR) continue;
        if (written < 0) return fail(systemError(errno));
        // After a short write, the next call tells why the rest cannot be written.
        if (written == 0) return fail("nothing more could be written");
        offset += written;
        auto left = static_cast<std::size_t>(written);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (left > 0) {
            rest.assign(pieces, pieces + count);
            rest.front().iov_base = static_cast<char*>(rest.front().iov_base) + left;
            rest.front().iov_len -= left;
            pieces = rest.data();
        }
    }
    end_ = std::max(end_, offset);
    return Status::ok();
}

Status OutputFile::writeAt(std::int64_t offset, const void* data, std::int64_t bytes) {
    const iovec piece{const_cast<void*>(data), static_cast<std::size_t>(bytes)};
    return writeAt(offset, &piece, 1);
}

qint64 OutputFile::readData(char*, qint64) { return -1; }

qint64 OutputFile::writeData(const char* data, qint64 size) {
    if (writeAt(pos(), data, size).failed()) {
        setErrorString(QString::fromStdString(error_));
        return -1;
    }
    return size;
}

Status OutputFile::commit() {
    if (!file_) return Status::failure("the file is not open");
    if (failed()) {
        const std::string why = error_;
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    if (Status st = replaceableTarget(target_); st.failed()) {
        cancel();
        return st;
    }
    // Data that a disk cannot take may show only when it is synced.
    if (::fdatasync(fd_) != 0 && errno != EINVAL) {
        const std::string why = systemError(errno);
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    QIODevice::close();
    const bool committed = file_->commit();
    const std::string why = file_->errorString().toStdString();
    file_.reset();
    fd_ = -1;
    if (!committed) return Status::failure("cannot save the file: " + why);
    return Status::ok();
}

void OutputFile::cancel() {
    QIODevice::close();
    fd_ = -1;
    if (!file_) return;
    file_->cancelWriting();
    file_.reset();  // an uncommitted QSaveFile removes its temporary file
}

}  // namespace glint
