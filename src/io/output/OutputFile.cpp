#include "OutputFile.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <tuple>
#include <vector>

namespace glint {

namespace {
constexpr int kMaxPiecesPerCall = IOV_MAX;
constexpr mode_t kNewFileMode = 0666;     // less the umask
constexpr mode_t kPermissionBits = 0777;  // not set-user-ID and the like
constexpr int kTemporaryNameTries = 100;

std::string systemError(int error) { return std::strerror(error); }

// Why a thing of `info`'s kind must not be replaced; empty when it may be.
std::string notReplaceable(const struct stat& info) {
    if (S_ISDIR(info.st_mode)) return "is a folder";
    if (S_ISREG(info.st_mode) || S_ISLNK(info.st_mode)) return {};
    return "is not a regular file (only regular files and links are replaced)";
}

QByteArray temporaryName() {
    return ".glintwork-" + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

// The path through which the file open as `fd` can be given a name.
QByteArray descriptorPath(int fd) { return "/proc/self/fd/" + QByteArray::number(fd); }
}  // namespace

std::pair<QByteArray, QByteArray> folderAndName(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return {slash < 0 ? "." : slash == 0 ? "/" : path.left(slash), path.mid(slash + 1)};
}

Status replaceableTarget(const QByteArray& target, bool* exists) {
    struct stat info {};
    const bool found = ::lstat(target.constData(), &info) == 0;
    if (exists != nullptr) *exists = found;
    if (!found) return Status::ok();  // (or not reachable: creating the file tells why)
    if (const std::string why = notReplaceable(info); !why.empty()) return Status::failure(why);
    return Status::ok();
}

OutputFile::OutputFile(QByteArray target, ExistingTarget existing)
    : target_(std::move(target)), existing_(existing) {}

OutputFile::OutputFile(const QString& target)
    : OutputFile(QFile::encodeName(target), ExistingTarget::Replace) {}

OutputFile::~OutputFile() { cancel(); }

int OutputFile::openTemporary() {
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        temporary_ = temporaryName();
        const int fd = ::openat(folder_, temporary_.constData(),
                                O_CREAT | O_EXCL | O_RDWR | O_CLOEXEC | O_NOFOLLOW, kNewFileMode);
        if (fd >= 0 || errno != EEXIST) {
            if (fd < 0) temporary_.clear();
            return fd;
        }
    }
    temporary_.clear();
    return -1;
}

Status OutputFile::create() {
    cancel();
    error_.clear();
    end_ = 0;
    QByteArray folder;
    std::tie(folder, name_) = folderAndName(target_);
    if (name_.isEmpty() || name_ == "." || name_ == "..")
        return Status::failure("cannot create the file: the name is a folder");
    folder_ = ::open(folder.constData(), O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0) return Status::failure("cannot create the file: " + systemError(errno));

    struct stat info {};
    const bool exists = ::fstatat(folder_, name_.constData(), &info, AT_SYMLINK_NOFOLLOW) == 0;
    if (exists && existing_ == ExistingTarget::Keep) {
        cancel();
        return Status::failure("cannot create the file: it exists");
    }
    if (const std::string why = exists ? notReplaceable(info) : std::string(); !why.empty()) {
        cancel();
        return Status::failure("cannot create the file: the target " + why);
    }
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, kNewFileMode);
    // File systems without unnamed files (and old kernels) say so in different ways.
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        fd_ = openTemporary();
    }
    if (fd_ < 0) {
        const std::string why = systemError(errno);
        cancel();
        return Status::failure("cannot create the file: " + why);
    }
    // A file that replaces another keeps its permissions.
    if (exists && S_ISREG(info.st_mode)) (void)::fchmod(fd_, info.st_mode & kPermissionBits);
    // Readable too: a writer may read back what it wrote (libtiff, to link a page to the last).
    QIODevice::open(QIODevice::ReadWrite | QIODevice::Unbuffered);
    return Status::ok();
}

Status OutputFile::fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return Status::failure("cannot write the file: " + error_);
}

Status OutputFile::writeAt(std::int64_t offset, const iovec* pieces, int count) {
    if (failed()) return Status::failure("cannot write the file: " + error_);
    if (fd_ < 0) return fail("the file is not open");
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

qint64 OutputFile::readData(char* data, qint64 maxSize) {
    const ssize_t got = ::pread(fd_, data, static_cast<size_t>(maxSize), static_cast<off_t>(pos()));
    return got < 0 ? -1 : got;
}

qint64 OutputFile::writeData(const char* data, qint64 size) {
    if (writeAt(pos(), data, size).failed()) {
        setErrorString(QString::fromStdString(error_));
        return -1;
    }
    return size;
}

Status OutputFile::nameTemporary() {
    const QByteArray self = descriptorPath(fd_);
    for (int i = 0; i < kTemporaryNameTries; ++i) {
        const QByteArray name = temporaryName();
        if (::linkat(AT_FDCWD, self.constData(), folder_, name.constData(), AT_SYMLINK_FOLLOW) ==
            0) {
            temporary_ = name;
            return Status::ok();
        }
        if (errno != EEXIST) break;
    }
    return Status::failure("cannot save the file: " + systemError(errno));
}

Status OutputFile::putInPlace() {
    const char* name = name_.constData();
    if (existing_ == ExistingTarget::Keep) {
        // Linked, not renamed: a link fails when the name is taken, whatever took it.
        int result = 0;
        if (temporary_.isEmpty()) {
            result = ::linkat(AT_FDCWD, descriptorPath(fd_).constData(), folder_, name,
                              AT_SYMLINK_FOLLOW);
        } else {
            result = ::renameat2(folder_, temporary_.constData(), folder_, name, RENAME_NOREPLACE);
            if (result != 0 && errno == EINVAL) {  // a file system that cannot rename so
                result = ::linkat(folder_, temporary_.constData(), folder_, name, 0);
                if (result == 0) ::unlinkat(folder_, temporary_.constData(), 0);
            }
            if (result == 0) temporary_.clear();
        }
        if (result == 0) return Status::ok();
        if (errno == EEXIST) {
            return Status::failure("cannot save the file: a file of its name was made meanwhile");
        }
        return Status::failure("cannot save the file: " + systemError(errno));
    }
    struct stat info {};
    if (::fstatat(folder_, name, &info, AT_SYMLINK_NOFOLLOW) == 0) {
        if (const std::string why = notReplaceable(info); !why.empty())
            return Status::failure("cannot save the file: the target " + why);
    }
    if (temporary_.isEmpty()) {
        if (Status st = nameTemporary(); st.failed()) return st;
    }
    if (::renameat(folder_, temporary_.constData(), folder_, name) != 0)
        return Status::failure("cannot save the file: " + systemError(errno));
    temporary_.clear();
    return Status::ok();
}

Status OutputFile::commit() {
    if (fd_ < 0) return Status::failure("the file is not open");
    if (failed()) {
        const std::string why = error_;
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    // Data that a disk cannot take may show only when it is synced.
    if (::fdatasync(fd_) != 0 && errno != EINVAL) {
        const std::string why = systemError(errno);
        cancel();
        return Status::failure("cannot write the file: " + why);
    }
    Status placed = putInPlace();
    cancel();  // closes the file, and removes its temporary name if it still has one
    return placed;
}

void OutputFile::cancel() {
    QIODevice::close();
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (folder_ >= 0) {
        if (!temporary_.isEmpty()) ::unlinkat(folder_, temporary_.constData(), 0);
        ::close(folder_);
    }
    temporary_.clear();
    folder_ = -1;
}

}  // namespace glint
