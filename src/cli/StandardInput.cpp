#include "StandardInput.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

#include "io/decode/LoadLimits.h"
#include "io/output/StandardStreams.h"

namespace glint {

namespace {
constexpr std::size_t kChunkBytes = std::size_t{1} << 20;

std::string systemError() { return std::strerror(errno); }

// Writes all of `bytes` to `fd`.
bool writeAll(int fd, const char* bytes, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::write(fd, bytes, size);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}

// Copies standard input to its end into `fd`.
Status copyInto(int fd) {
    std::vector<char> chunk(kChunkBytes);
    std::int64_t total = 0;
    for (;;) {
        const ssize_t got = ::read(STDIN_FILENO, chunk.data(), chunk.size());
        if (got == 0) return Status::ok();
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return Status::failure("cannot read standard input: " + systemError());
        total += got;
        if (total > kMaxPictureFileBytes) {
            return Status::failure("standard input is over the limit of " +
                                   std::to_string(kMaxPictureFileBytes >> 20) +
                                   " MiB for pictures");
        }
        if (!writeAll(fd, chunk.data(), std::size_t(got))) {
            return Status::failure("cannot keep standard input in memory: " + systemError());
        }
    }
}
}  // namespace

Status copyStandardInput(PictureFile& copy) {
    const int fd = ::memfd_create("glintwork-stdin", MFD_CLOEXEC);
    if (fd < 0) return Status::failure("cannot make a memory file: " + systemError());
    if (Status st = copyInto(fd); st.failed()) {
        ::close(fd);
        return st;
    }
    copy = PictureFile::adopt(fd, QString::fromLatin1(kStandardStreamName));
    return Status::ok();
}

}  // namespace glint
