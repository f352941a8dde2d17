#include "InputList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace glint {

namespace {
constexpr std::size_t kReadBytes = std::size_t{64} << 10;

std::string systemError() { return std::strerror(errno); }
}  // namespace

InputList::~InputList() {
    if (ownFd_) ::close(fd_);
}

Status InputList::open(const QByteArray& source, bool nulSeparated) {
    separator_ = nulSeparated ? '\0' : '\n';
    if (source == "-") {
        fd_ = STDIN_FILENO;
    } else {
        fd_ = ::open(source.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
        if (fd_ < 0) return Status::failure(systemError());
        ownFd_ = true;
    }
    struct stat info {};
    if (::fstat(fd_, &info) == 0 && S_ISDIR(info.st_mode)) return Status::failure("is a folder");
    buffer_.resize(kReadBytes);
    return Status::ok();
}

bool InputList::stop(const std::string& why) {
    failure_ = Status::failure(why);
    ended_ = true;
    begin_ = end_;
    return false;
}

void InputList::fill() {
    if (begin_ > 0) {
        std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    for (;;) {
        const ssize_t got = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) {
            stop("cannot be read further: " + systemError());
        } else if (got == 0) {
            ended_ = true;
        } else {
            end_ += static_cast<std::size_t>(got);
        }
        return;
    }
}

bool InputList::next(QByteArray& name) {
    for (;;) {
        const char* begin = buffer_.data() + begin_;
        const auto* found = static_cast<const char*>(std::memchr(begin, separator_, end_ - begin_));
        const std::size_t length = found ? std::size_t(found - begin) : end_ - begin_;
        const auto number = [this] { return std::to_string(names_ + 1); };
        const std::size_t checked = std::min(length, std::size_t(kMaxListedNameBytes) + 1);
        if (separator_ != '\0' && std::memchr(begin, '\0', checked) != nullptr) {
            return stop("name " + number() +
                        " holds a NUL byte (a list of NUL-ended names needs -0); the rest is "
                        "not read");
        }
        if (length > std::size_t(kMaxListedNameBytes)) {
            return stop("name " + number() + " is longer than " +
                        std::to_string(kMaxListedNameBytes) + " bytes; the rest is not read");
        }
        if (found == nullptr && !ended_) {
            fill();  // more of the name, its end, or a failure that ends the list
            continue;
        }
        if (found == nullptr && length == 0) return false;
        begin_ += length + (found ? 1 : 0);
        if (length == 0) continue;
        name = QByteArray(begin, qsizetype(length));
        ++names_;
        return true;
    }
}

std::int64_t InputList::countAhead() const {
    struct stat info {};
    if (fd_ < 0 || ::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) return -1;
    const off_t start = ::lseek(fd_, 0, SEEK_CUR);
    if (start < 0) return -1;
    std::vector<char> chunk(kReadBytes);
    std::int64_t count = 0;
    bool inName = false;
    for (off_t at = start;;) {
        const ssize_t got = ::pread(fd_, chunk.data(), chunk.size(), at);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        for (ssize_t i = 0; i < got; ++i) {
            const bool ends = chunk[std::size_t(i)] == separator_;
            if (ends && inName) ++count;
            inName = !ends;
        }
        at += got;
    }
    return count + (inName ? 1 : 0);
}

}  // namespace glint
