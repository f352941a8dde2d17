#include "Sandbox.h"

#include <fcntl.h>
#include <linux/capability.h>
#include <linux/sched.h>
#include <seccomp.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <ucontext.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace glint::helper {
namespace {

// Set (to anything) in a helper's environment: instead of failing quietly, a forbidden system
// call prints its number on standard error first. For finding what a decoder needs.
constexpr const char* kTraceEnv = "GLINTWORK_SANDBOX_TRACE";

#ifdef GLINT_SANITIZED
// AddressSanitizer pads every block and keeps books of its own (HelperClient turns its
// quarantine of freed memory off in helpers, so that a budget still means what it says).
constexpr std::int64_t kSanitizerSlack = std::int64_t{128} << 20;
#else
constexpr std::int64_t kSanitizerSlack = 0;
#endif

std::int64_t baseline = 0;  // data segment at lock-down time, bytes
std::int64_t largest = 0;   // the hard limit's budget

struct FilterFree {
    void operator()(void* ctx) const { seccomp_release(ctx); }
};
using Filter = std::unique_ptr<void, FilterFree>;

// The data segment's size now, from /proc/self/status (VmData, in kB).
std::int64_t dataSegmentBytes() {
    const int fd = ::open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0) return -1;
    std::array<char, 4096> text{};
    const ssize_t got = ::read(fd, text.data(), text.size() - 1);
    ::close(fd);
    if (got <= 0) return -1;
    const char* at = std::strstr(text.data(), "VmData:");
    if (!at) return -1;
    return std::strtoll(at + 7, nullptr, 10) * 1024;
}

void applyBudget(std::int64_t budget) {
    const auto soft = static_cast<rlim_t>(baseline + budget + kSanitizerSlack);
    const auto hard = static_cast<rlim_t>(baseline + largest + kSanitizerSlack);
    const rlimit limit{std::min(soft, hard), hard};
    ::setrlimit(RLIMIT_DATA, &limit);
}

bool dropCapabilities() {
    __user_cap_header_struct header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct data[_LINUX_CAPABILITY_U32S_3] = {};
    return ::syscall(SYS_capset, &header, data) == 0;
}

void reportDenied(int, siginfo_t* info, void* context) {
    char line[64];
    int n = 0;
    const char prefix[] = "sandbox: denied system call ";
    for (char c : prefix)
        if (c) line[n++] = c;
    char digits[12];
    int d = 0;
    for (unsigned v = static_cast<unsigned>(info->si_syscall); d == 0 || v > 0; v /= 10)
        digits[d++] = static_cast<char>('0' + v % 10);
    while (d > 0) line[n++] = digits[--d];
    line[n++] = '\n';
    (void)!::write(STDERR_FILENO, line, static_cast<size_t>(n));
    static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RAX] = -EPERM;
}

// A condition on argument `index` of a call (libseccomp's SCMP_A0 ... macros are C).
constexpr scmp_arg_cmp argument(unsigned index, scmp_compare op, scmp_datum_t value,
                                scmp_datum_t second = 0) {
    return scmp_arg_cmp{index, op, value, second};
}

// Rules on top of the default (EPERM for every call not named). `pid` is this process.
bool addRules(void* ctx, pid_t pid) {
    const auto allow = [ctx](int call) {
        return seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 0) == 0;
    };
    const auto fail = [ctx](int call, int error) {
        return seccomp_rule_add(ctx, SCMP_ACT_ERRNO(static_cast<std::uint32_t>(error)), call, 0) ==
               0;
    };
    // Descriptors the helper has: read, write, look at, close. No new ones from paths.
    for (int call :
         {SCMP_SYS(read), SCMP_SYS(readv), SCMP_SYS(pread64), SCMP_SYS(preadv), SCMP_SYS(preadv2),
          SCMP_SYS(write), SCMP_SYS(writev), SCMP_SYS(lseek), SCMP_SYS(close), SCMP_SYS(fstat),
          SCMP_SYS(fcntl), SCMP_SYS(poll), SCMP_SYS(ppoll), SCMP_SYS(eventfd2)})
        if (!allow(call)) return false;
    // fstat() comes as newfstatat(fd, "", AT_EMPTY_PATH) and statx(fd, "", AT_EMPTY_PATH): on
    // the descriptor itself only, never a path.
    if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(newfstatat), 1,
                         argument(3, SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH)) != 0 ||
        seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(statx), 1,
                         argument(2, SCMP_CMP_MASKED_EQ, AT_EMPTY_PATH, AT_EMPTY_PATH)) != 0)
        return false;
    for (int call : {SCMP_SYS(open), SCMP_SYS(openat), SCMP_SYS(openat2), SCMP_SYS(creat),
                     SCMP_SYS(socket), SCMP_SYS(socketpair)})
        if (!fail(call, EACCES)) return false;
    if (!fail(SCMP_SYS(ioctl), ENOTTY)) return false;
    // Memory, never executable: the code that runs is the code loaded before the lock.
    for (int call : {SCMP_SYS(mmap), SCMP_SYS(mprotect)})
        if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, call, 1,
                             argument(2, SCMP_CMP_MASKED_EQ, PROT_EXEC, 0)) != 0)
            return false;
    for (int call : {SCMP_SYS(munmap), SCMP_SYS(mremap), SCMP_SYS(madvise), SCMP_SYS(brk)})
        if (!allow(call)) return false;
    // Threads of its own (decoders use several), none of another kind of process. glibc falls
    // back from clone3, whose flags a filter cannot see, to clone.
    if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(clone), 1,
                         argument(0, SCMP_CMP_MASKED_EQ, CLONE_THREAD, CLONE_THREAD)) != 0 ||
        !fail(SCMP_SYS(clone3), ENOSYS))
        return false;
    for (int call : {SCMP_SYS(futex), SCMP_SYS(set_robust_list), SCMP_SYS(rseq),
                     SCMP_SYS(sched_yield), SCMP_SYS(sched_getaffinity), SCMP_SYS(sched_getparam),
                     SCMP_SYS(sched_getscheduler), SCMP_SYS(exit), SCMP_SYS(exit_group),
                     SCMP_SYS(gettid), SCMP_SYS(getpid), SCMP_SYS(getppid), SCMP_SYS(getuid),
                     SCMP_SYS(geteuid), SCMP_SYS(getgid), SCMP_SYS(getegid), SCMP_SYS(membarrier)})
        if (!allow(call)) return false;
    // Time, randomness, signals to itself, its own limits and name.
    for (int call : {SCMP_SYS(clock_gettime), SCMP_SYS(clock_getres), SCMP_SYS(clock_nanosleep),
                     SCMP_SYS(nanosleep), SCMP_SYS(gettimeofday), SCMP_SYS(getrandom),
                     SCMP_SYS(rt_sigaction), SCMP_SYS(rt_sigprocmask), SCMP_SYS(rt_sigreturn),
                     SCMP_SYS(sigaltstack), SCMP_SYS(getrlimit), SCMP_SYS(setrlimit),
                     SCMP_SYS(uname), SCMP_SYS(sysinfo), SCMP_SYS(getrusage)})
        if (!allow(call)) return false;
    if (seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(prlimit64), 1,
                         argument(0, SCMP_CMP_EQ, 0)) != 0 ||
        seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(tgkill), 1,
                         argument(0, SCMP_CMP_EQ, static_cast<scmp_datum_t>(pid))) != 0 ||
        seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(prctl), 1,
                         argument(0, SCMP_CMP_EQ, PR_SET_NAME)) != 0 ||
        seccomp_rule_add(ctx, SCMP_ACT_ALLOW, SCMP_SYS(prctl), 1,
                         argument(0, SCMP_CMP_EQ, PR_GET_NAME)) != 0)
        return false;
#ifdef GLINT_SANITIZED
    // The sanitizers test whether memory can be read by writing it into a pipe of their own.
    for (int call : {SCMP_SYS(pipe), SCMP_SYS(pipe2)})
        if (!allow(call)) return false;
#endif
    for (int call : {SCMP_SYS(execve), SCMP_SYS(execveat)})
        if (seccomp_rule_add(ctx, SCMP_ACT_KILL_PROCESS, call, 0) != 0) return false;
    return true;
}

}  // namespace

std::string lockDown(std::int64_t initialBudget, std::int64_t largestBudget) {
    baseline = dataSegmentBytes();
    if (baseline < 0) return "cannot read the process's memory use";
    largest = largestBudget;
    applyBudget(initialBudget);
    // Without a capability the superuser cannot raise the hard limits set here.
    if (!dropCapabilities()) return "cannot drop capabilities";
    if (::prctl(PR_SET_NO_NEW_PRIVS, 1, 0, 0, 0) != 0) return "cannot set no_new_privs";

    const bool trace = std::getenv(kTraceEnv) != nullptr;
    if (trace) {
        struct sigaction action {};
        action.sa_sigaction = reportDenied;
        action.sa_flags = SA_SIGINFO;
        ::sigaction(SIGSYS, &action, nullptr);
    }
    const Filter filter(seccomp_init(trace ? SCMP_ACT_TRAP : SCMP_ACT_ERRNO(EPERM)));
    if (!filter || !addRules(filter.get(), ::getpid()))
        return "cannot build the system call filter";
    // Every thread: decoders and Qt may have started some already.
    if (seccomp_attr_set(filter.get(), SCMP_FLTATR_CTL_TSYNC, 1) != 0 ||
        seccomp_load(filter.get()) != 0)
        return "cannot load the system call filter";
    return {};
}

void setBudget(std::int64_t budget) { applyBudget(std::min(budget, largest)); }

}  // namespace glint::helper
