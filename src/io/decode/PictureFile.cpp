#include "PictureFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <utility>

namespace glint {
namespace {

QString lastPart(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return QFile::decodeName(slash < 0 ? path : path.mid(slash + 1));
}

Status notRegular(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return Status::failure("is a folder");
    return Status::failure("is not a regular file");
}

}  // namespace

PictureFile::~PictureFile() { close(); }

PictureFile::PictureFile(PictureFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), name_(std::move(other.name_)) {}

PictureFile& PictureFile::operator=(PictureFile&& other) noexcept {
    if (this != &other) {
        close();
        fd_ = std::exchange(other.fd_, -1);
        size_ = other.size_;
        name_ = std::move(other.name_);
    }
    return *this;
}

void PictureFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

Status PictureFile::open(const QByteArray& path, PictureFile& file) {
    if (path.isEmpty()) return Status::failure("no file name");
    struct stat info {};
    // Looked at before opening: opening a FIFO or some devices is itself an action.
    if (::stat(path.constData(), &info) != 0)
        return Status::failure(errno == ENOENT ? "file not found" : std::strerror(errno));
    if (!S_ISREG(info.st_mode)) return notRegular(info);
    // Non-blocking, in case the name was swapped for a FIFO since: the check below refuses it.
    const int fd = ::open(path.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return Status::failure("cannot be opened: " + std::string(std::strerror(errno)));
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return notRegular(info);
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    file = adopt(fd, lastPart(path));
    return Status::ok();
}

PictureFile PictureFile::adopt(int fd, QString name) {
    PictureFile file;
    file.fd_ = fd;
    struct stat info {};
    file.size_ = ::fstat(fd, &info) == 0 ? static_cast<std::int64_t>(info.st_size) : 0;
    file.name_ = std::move(name);
    return file;
}

}  // namespace glint
