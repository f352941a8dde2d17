// The lock a decoding helper puts on itself, tried from a child process as a decoder taken over
// by a crafted picture would try it: what the lock forbids fails (or kills), what decoding needs
// still works. Runs as root in CI, where only the lock stands in the way.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <functional>

#include "helpers/common/Sandbox.h"

namespace glint::helper {
namespace {

constexpr std::int64_t kBudget = std::int64_t{64} << 20;
constexpr std::size_t kOverBudget = std::size_t{1} << 30;

// Runs `attempt` in a locked-down child. Returns the child's wait status; the child exits 0
// when the attempt came out as expected, 1 when not, 2 when it could not lock itself down.
int inLockedChild(int readable, const std::function<bool(int)>& attempt) {
    const pid_t child = ::fork();
    if (child == 0) {
        if (!lockDown(kBudget, kBudget).empty()) ::_exit(2);
        ::_exit(attempt(readable) ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return status;
}

bool failsWith(int result, int error) { return result == -1 && errno == error; }

TEST(Sandbox, ALockedHelperKeepsOnlyWhatDecodingNeeds) {
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    ASSERT_EQ(::write(pipeFds[1], "x", 1), 1);
    const struct {
        const char* what;
        std::function<bool(int)> attempt;
    } attempts[] = {
        {"open a file", [](int) { return failsWith(::open("/etc/hostname", O_RDONLY), EACCES); }},
        {"make a socket", [](int) { return failsWith(::socket(AF_UNIX, SOCK_STREAM, 0), EACCES); }},
        {"start a process", [](int) { return failsWith(::fork(), EPERM); }},
        {"raise its memory limit",
         [](int) {
             const rlimit unlimited{RLIM_INFINITY, RLIM_INFINITY};
             return failsWith(::setrlimit(RLIMIT_DATA, &unlimited), EPERM);
         }},
        {"take more memory than its budget",
         [](int) { return std::malloc(kOverBudget) == nullptr; }},
        {"read a descriptor it was given",
         [](int fd) {
             char c = 0;
             return ::read(fd, &c, 1) == 1 && c == 'x';
         }},
        {"take memory within its budget",
         [](int) {
             void* block = std::malloc(kBudget / 4);
             if (block) std::memset(block, 1, kBudget / 4);
             return block != nullptr;
         }},
    };
    for (const auto& c : attempts) {
        SCOPED_TRACE(c.what);
        const int status = inLockedChild(pipeFds[0], c.attempt);
        ASSERT_TRUE(WIFEXITED(status)) << "status " << status;
        EXPECT_EQ(WEXITSTATUS(status), 0);
    }
    // exec is never reached alive.
    const int status = inLockedChild(pipeFds[0], [](int) {
        char* const argv[] = {const_cast<char*>("/bin/true"), nullptr};
        ::execv("/bin/true", argv);
        return false;
    });
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGSYS) << "status " << status;
    ::close(pipeFds[0]);
    ::close(pipeFds[1]);
}

}  // namespace
}  // namespace glint::helper
