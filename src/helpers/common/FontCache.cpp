#include "FontCache.h"

#include <fcntl.h>
#include <fontconfig/fontconfig.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cstdarg>
#include <map>
#include <string>

namespace glint::helper {
namespace {

// Font file paths and their descriptors, filled once before the lock and only read after it.
std::map<std::string, int>& fontFiles() {
    static std::map<std::string, int> files;
    return files;
}

int openPath(int dir, const char* path, int flags, mode_t mode) {
    if (path != nullptr && (flags & O_ACCMODE) == O_RDONLY) {
        const auto& files = fontFiles();
        if (const auto it = files.find(path); it != files.end()) {
            const int copy = ::fcntl(it->second, F_DUPFD_CLOEXEC, 0);
            if (copy >= 0) ::lseek(copy, 0, SEEK_SET);
            return copy;
        }
    }
    return static_cast<int>(::syscall(SYS_openat, dir, path, flags, mode));
}

mode_t modeOf(int flags, va_list& rest) {
    return (flags & (O_CREAT | O_TMPFILE)) != 0 ? static_cast<mode_t>(va_arg(rest, int)) : 0;
}

}  // namespace

void openFontFiles() {
    if (!FcInit()) return;
    FcFontSet* fonts = FcConfigGetFonts(FcConfigGetCurrent(), FcSetSystem);
    for (int i = 0; fonts != nullptr && i < fonts->nfont; ++i) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(fonts->fonts[i], FC_FILE, 0, &file) != FcResultMatch) continue;
        const std::string path(reinterpret_cast<const char*>(file));
        if (fontFiles().count(path) != 0) continue;
        const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd >= 0) fontFiles().emplace(path, fd);
    }
}

}  // namespace glint::helper

// The C library's ways to open a file by name, defined in the helper program so that they take
// the place of the C library's own for every library it loads.
extern "C" {
int open(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = glint::helper::modeOf(flags, rest);
    va_end(rest);
    return glint::helper::openPath(AT_FDCWD, path, flags, mode);
}
int open64(const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = glint::helper::modeOf(flags, rest);
    va_end(rest);
    return glint::helper::openPath(AT_FDCWD, path, flags, mode);
}
int openat(int dir, const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = glint::helper::modeOf(flags, rest);
    va_end(rest);
    return glint::helper::openPath(dir, path, flags, mode);
}
int openat64(int dir, const char* path, int flags, ...) {
    va_list rest;
    va_start(rest, flags);
    const mode_t mode = glint::helper::modeOf(flags, rest);
    va_end(rest);
    return glint::helper::openPath(dir, path, flags, mode);
}
// The checked forms that _FORTIFY_SOURCE builds call, under glibc's names.
// NOLINTBEGIN(bugprone-reserved-identifier)
int __open_2(const char* path, int flags) {
    return glint::helper::openPath(AT_FDCWD, path, flags, 0);
}
int __open64_2(const char* path, int flags) {
    return glint::helper::openPath(AT_FDCWD, path, flags, 0);
}
// NOLINTEND(bugprone-reserved-identifier)
}
