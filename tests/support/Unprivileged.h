#pragma once
// Permission failures for tests that run as root too: the superuser reads and writes any file,
// so a check of what an ordinary user may not do runs in a child process switched to "nobody".
#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QString>
#include <functional>

namespace glint::test {

inline constexpr uid_t kNobodyId = 65534;
// Results of runUnprivileged() that are not the check's own.
inline constexpr int kCannotDropRights = 125;
inline constexpr int kCheckDidNotFinish = 126;

// Lets other users pass through `folder` (a private temporary folder) to what lies inside it.
inline bool openForPassage(const QString& folder) {
    return QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner | QFileDevice::ExeGroup |
                                             QFileDevice::ExeOther);
}

// Runs `check` without superuser rights and returns its result (0 when it holds, else a small
// code saying what failed): in a child process as nobody when this process is root, directly
// otherwise.
inline int runUnprivileged(const std::function<int()>& check) {
    if (::geteuid() != 0) return check();
    const pid_t child = ::fork();
    if (child < 0) return kCannotDropRights;
    if (child == 0) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobodyId) != 0 || ::setuid(kNobodyId) != 0 ||
            ::geteuid() == 0)
            ::_exit(kCannotDropRights);
        ::_exit(check());
    }
    int status = 0;
    if (::waitpid(child, &status, 0) != child || !WIFEXITED(status)) return kCheckDidNotFinish;
    return WEXITSTATUS(status);
}

}  // namespace glint::test
