// The photo readers decode from memory in a process that may open no file and start no process:
// threads only (clone with CLONE_THREAD). A locked-down helper will hold them to that.
#include <linux/audit.h>
#include <linux/filter.h>
#include <linux/seccomp.h>
#include <sched.h>
#include <sys/prctl.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <vector>

#include "HeifReader.h"
#include "JxlReader.h"
#include "LoaderFixture.h"
#include "PhotoSamples.h"

namespace glint::test {
namespace {

// From here on, opening a file or starting a program or process kills the process, and so
// does a clone that is not a thread. clone3 reports that it is missing: its flags are out of
// the filter's reach, and the C library then falls back to clone.
bool confineToDecoding() {
    std::vector<sock_filter> f = {
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, arch)),
        BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, AUDIT_ARCH_X86_64, 1, 0),
        BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS),
        BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, nr)),
    };
    for (const int forbidden : {__NR_open, __NR_openat, __NR_openat2, __NR_creat, __NR_execve,
                                __NR_execveat, __NR_fork, __NR_vfork}) {
        f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, static_cast<unsigned>(forbidden), 0, 1));
        f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    }
    f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone3, 0, 1));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ERRNO | ENOSYS));
    f.push_back(BPF_JUMP(BPF_JMP | BPF_JEQ | BPF_K, __NR_clone, 0, 4));
    f.push_back(BPF_STMT(BPF_LD | BPF_W | BPF_ABS, offsetof(seccomp_data, args[0])));  // flags
    f.push_back(BPF_JUMP(BPF_JMP | BPF_JSET | BPF_K, CLONE_THREAD, 0, 1));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_KILL_PROCESS));
    f.push_back(BPF_STMT(BPF_RET | BPF_K, SECCOMP_RET_ALLOW));
    const sock_fprog program{static_cast<unsigned short>(f.size()), f.data()};
    return ::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) == 0 &&
           ::syscall(SYS_seccomp, SECCOMP_SET_MODE_FILTER, 0, &program) == 0;
}

constexpr int kWidth = 64;
constexpr int kHeight = 48;

using PhotoReaders = LoaderTest;

TEST_F(PhotoReaders, DecodeFromMemoryOpeningNoFileAndStartingOnlyThreads) {
#if !defined(__x86_64__)
    GTEST_SKIP() << "the system call filter is written for x86-64";
#endif
    QImage plain(kWidth, kHeight, QImage::Format_RGB32);
    plain.fill(Qt::darkCyan);
    ASSERT_TRUE(plain.save(path("plain.png")));
    ASSERT_TRUE(runTool("heif-enc", {"plain.png", "-o", "a.heic"}, dir_.path()));
    ASSERT_TRUE(runTool("heif-enc", {"-A", "plain.png", "-o", "a.avif"}, dir_.path()));
    ASSERT_TRUE(runTool("cjxl", {"plain.png", "a.jxl"}, dir_.path()));
    ASSERT_TRUE(
        runTool("avifenc", {"-s", "10", "plain.png", "plain.png", "frames.avif"}, dir_.path()));
    write("frames.avif", withoutStillImage(readFile(path("frames.avif"))));
    const std::pair<const char*, bool> files[] = {
        {"a.heic", false}, {"a.avif", false}, {"a.jxl", true}, {"frames.avif", false}};
    for (const auto& [name, jxl] : files) {
        SCOPED_TRACE(name);
        const QByteArray bytes = readFile(path(name));
        const std::span<const std::uint8_t> file(
            reinterpret_cast<const std::uint8_t*>(bytes.constData()),
            static_cast<size_t>(bytes.size()));
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            if (!confineToDecoding()) ::_exit(2);
            photo::DecodedPhoto photo;
            std::string unsupported;
            const photo::PhotoOutcome outcome =
                jxl ? photo::readJxl(file, photo) : photo::readHeif(file, photo, unsupported);
            ::_exit(outcome == photo::PhotoOutcome::Ok && photo.width == kWidth &&
                            photo.height == kHeight
                        ? 0
                        : 1);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_FALSE(WIFSIGNALED(status)) << "killed by signal " << WTERMSIG(status);
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
}

}  // namespace
}  // namespace glint::test
