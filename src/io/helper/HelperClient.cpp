#include "HelperClient.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>
#include <array>
#include <atomic>
#include <climits>
#include <cstring>
#include <memory>

#include "HelperLocation.h"
#include "HelperProtocol.h"
#include "HelperReply.h"
#include "io/decode/LoadLimits.h"

namespace glint {
namespace {

using helper::Outcome;
using std::chrono::milliseconds;

constexpr std::int64_t kMiB = std::int64_t{1} << 20;
constexpr int kWaitSliceMs = 25;
constexpr int kKillWaitMs = 5000;
constexpr qsizetype kMaxReplyBytes =
    sizeof(helper::ReplyHeader) + std::int64_t{helper::kMaxFrames} * 4 + helper::kMaxMessageBytes;
constexpr std::int64_t kDefaultAddressSpace = std::int64_t{6} << 30;

// Process groups of the helpers running now, for killRunningHelpers(); 0 marks a free slot.
// Plain atomics, so that a signal handler may read them.
std::array<std::atomic<pid_t>, 64> running{};

void enter(pid_t pid) {
    for (auto& slot : running) {
        pid_t free = 0;
        if (slot.compare_exchange_strong(free, pid)) return;
    }
}

void leave(pid_t pid) {
    for (auto& slot : running) {
        pid_t mine = pid;
        if (slot.compare_exchange_strong(mine, 0)) return;
    }
}

class Descriptor {
  public:
    explicit Descriptor(int fd = -1) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

// A copy of `fd` numbered above the standard descriptors and the arena's place, so that moving
// the descriptors into place in the child cannot overwrite one with another.
int highCopy(int fd) { return ::fcntl(fd, F_DUPFD_CLOEXEC, helper::kArenaFd + 1); }

// The shared memory the helper writes the pixels to: as large as the arena may be, yet no
// larger than the file size limit this process runs under allows (the helper reports a picture
// that does not fit then).
int makeArena(std::int64_t& bytes) {
    const int fd = ::memfd_create("glintwork-pixels", MFD_CLOEXEC);
    if (fd < 0) return -1;
    rlimit fileSize{};
    bytes = helper::kArenaBytes;
    if (::getrlimit(RLIMIT_FSIZE, &fileSize) == 0 && fileSize.rlim_cur != RLIM_INFINITY)
        bytes = std::min<std::int64_t>(bytes, static_cast<std::int64_t>(fileSize.rlim_cur));
    if (::ftruncate(fd, bytes) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::clamp<qint64>(deadline.remainingTime(), 1, kWaitSliceMs));
}

void killGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);
    process.kill();
    process.waitForFinished(kKillWaitMs);
}

class Mapping {
  public:
    Mapping(void* at, std::size_t bytes) : at_(at), bytes_(bytes) {}
    ~Mapping() { ::munmap(at_, bytes_); }
    Mapping(const Mapping&) = delete;
    Mapping& operator=(const Mapping&) = delete;

  private:
    void* at_;
    std::size_t bytes_;
};
using SharedMapping = std::shared_ptr<const Mapping>;

void releaseFrame(void* info) { delete static_cast<SharedMapping*>(info); }

// The helper's frames as pictures, straight from the shared memory: each holds the mapping
// until the last of them goes.
bool mapFrames(int arena, const HelperReply& reply, PictureFrames& frames) {
    const auto frameBytes = static_cast<std::size_t>(reply.width) * reply.height * 4;
    const std::size_t bytes = frameBytes * reply.frames;
    void* at = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED, arena, 0);
    if (at == MAP_FAILED) return false;
    const auto mapping = std::make_shared<const Mapping>(at, bytes);
    frames.frames.clear();
    frames.loops = static_cast<std::int32_t>(std::min<std::uint32_t>(reply.loops, INT32_MAX));
    for (std::uint32_t k = 0; k < reply.frames; ++k) {
        QImage picture(static_cast<uchar*>(at) + frameBytes * k, static_cast<int>(reply.width),
                       static_cast<int>(reply.height), static_cast<qsizetype>(reply.width) * 4,
                       reply.hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32, releaseFrame,
                       new SharedMapping(mapping));
        const auto delay = std::min<std::uint32_t>(reply.delaysMs[k], INT32_MAX);
        frames.frames.push_back({std::move(picture), static_cast<std::int32_t>(delay)});
    }
    return true;
}

}  // namespace

milliseconds HelperKind::timeoutFor(std::int64_t fileBytes) const {
    const std::int64_t extra = std::max<std::int64_t>(fileBytes, 0) * timeoutPerMiB.count() / kMiB;
    return std::min(maxTimeout, timeout + milliseconds(extra));
}

const HelperKind kPictureHelper{"glintwork-picture",
                                "GLINTWORK_PICTURE_HELPER",
                                "picture helper",
                                milliseconds(5000),
                                milliseconds(1000),
                                milliseconds(120000),
                                2,
                                kDefaultAddressSpace};
const HelperKind kPhotoHelper{"glintwork-photo",
                              "GLINTWORK_PHOTO_HELPER",
                              "photo helper",
                              milliseconds(10000),
                              milliseconds(2000),
                              milliseconds(120000),
                              4,
                              kDefaultAddressSpace};
const HelperKind kMetafileHelper{"glintwork-metafile",
                                 "GLINTWORK_METAFILE_HELPER",
                                 "metafile helper",
                                 milliseconds(5000),
                                 milliseconds(8000),
                                 milliseconds(60000),
                                 2,
                                 kDefaultAddressSpace};

HelperClient::HelperClient(const HelperKind& kind) : HelperClient(kind, locate(kind)) {}

HelperClient::HelperClient(const HelperKind& kind, QString program)
    : kind_(kind), program_(std::move(program)) {}

QString HelperClient::locate(const HelperKind& kind) {
    QString overridden = qEnvironmentVariable(kind.envVariable);
    if (QDir::isAbsolutePath(overridden)) return overridden;
    const QString programDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return findHelper(programDir, QString::fromLatin1(kind.program));
}

Status HelperClient::decode(const PictureFile& file, QImage& picture,
                            const WaitHook& whileWaiting) const {
    PictureFrames frames;
    if (Status st = run(file, false, frames, whileWaiting); st.failed()) return st;
    picture = std::move(frames.frames.front().picture);
    return Status::ok();
}

Status HelperClient::decodeFrames(const PictureFile& file, PictureFrames& frames,
                                  const WaitHook& whileWaiting) const {
    return run(file, true, frames, whileWaiting);
}

Status HelperClient::run(const PictureFile& file, bool allFrames, PictureFrames& frames,
                         const WaitHook& whileWaiting) const {
    const QFileInfo executable(program_);
    if (!executable.isFile() || !executable.isExecutable())
        return Status::missingPart(program_.isEmpty()
                                       ? std::string("The ") + kind_.description + " " +
                                             kind_.program + " is not installed."
                                       : std::string("The ") + kind_.description + " " +
                                             program_.toStdString() + " is missing.");

    const Descriptor input(highCopy(file.fd()));
    std::int64_t arenaBytes = 0;
    const Descriptor arena(makeArena(arenaBytes));
    if (input.get() < 0 || arena.get() < 0)
        return Status::failure("cannot prepare the " + std::string(kind_.description));

    const milliseconds timeout = kind_.timeoutFor(file.size());
    const auto cpuSeconds = static_cast<rlim_t>(
        std::chrono::duration_cast<std::chrono::seconds>(timeout).count() * kind_.threads + 1);
    const auto addressSpace = static_cast<rlim_t>(kind_.addressSpaceBytes + kSanitizerAddressSpace);
    const pid_t parent = ::getpid();
    const int inputFd = input.get();
    const int arenaFd = arena.get();

    QProcess process;
    process.setProgram(program_);
    if (allFrames) process.setArguments({QString::fromLatin1(helper::kAllFramesArgument)});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
#ifdef GLINT_SANITIZED
    // LeakSanitizer stops the world with ptrace at exit, which the helper's sandbox forbids;
    // freed memory held in quarantine would count against the helper's memory budget.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    const QString asanOptions = environment.value(QStringLiteral("ASAN_OPTIONS"));
    environment.insert(
        QStringLiteral("ASAN_OPTIONS"),
        asanOptions + (asanOptions.isEmpty() ? "" : ":") + "detect_leaks=0:quarantine_size_mb=0");
    process.setProcessEnvironment(environment);
#endif
    // Runs in the child between fork and exec: async-signal-safe calls only.
    process.setChildProcessModifier([=] {
        ::setpgid(0, 0);
        // Dies with the thread that started it, and so with its caller.
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(inputFd, helper::kPictureFd);
        ::dup2(arenaFd, helper::kArenaFd);
        // Nothing else of this process reaches the helper: not an output another thread writes.
        ::syscall(SYS_close_range, helper::kArenaFd + 1, ~0U, 0);
        const rlimit memory{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &memory);
        const rlimit cpu{cpuSeconds, cpuSeconds + 1};
        ::setrlimit(RLIMIT_CPU, &cpu);
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_CORE, &none);
        ::setrlimit(RLIMIT_FSIZE, &none);
    });

    const QDeadlineTimer deadline(timeout);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(timeout.count())))
        return Status::failure(std::string("the ") + kind_.description + " did not start");
    const auto pid = static_cast<pid_t>(process.processId());
    enter(pid);
    QByteArray reply;
    bool cancelled = false;
    bool overran = false;
    bool overflowed = false;
    // Read in slices, with or without a hook: the reply is small, and a helper that writes
    // more is stopped before its output fills this process's memory.
    while (process.state() != QProcess::NotRunning) {
        if (deadline.hasExpired()) {
            overran = true;
            break;
        }
        process.waitForFinished(remainingMs(deadline));
        reply += process.readAllStandardOutput();
        if (reply.size() > kMaxReplyBytes) {
            overflowed = true;
            break;
        }
        if (whileWaiting && process.state() != QProcess::NotRunning && !whileWaiting()) {
            cancelled = true;
            break;
        }
    }
    if (process.state() != QProcess::NotRunning) killGroup(process);
    leave(pid);
    reply += process.readAllStandardOutput();
    if (cancelled) return Status::failure("cancelled");
    if (overflowed)
        return Status::failure(std::string("the ") + kind_.description + " gave a wrong answer");

    const bool killed = process.exitStatus() == QProcess::CrashExit;
    const int signal = killed ? process.exitCode() : 0;
    if (overran || signal == SIGXCPU || (killed && signal == SIGKILL))
        return Status::failure("took too long to decode (the limit is " +
                               std::to_string(timeout.count() / 1000) + " s)");
    if (killed) return Status::failure(std::string("the ") + kind_.description + " crashed");

    if (reply.isEmpty())
        return Status::failure(std::string("the ") + kind_.description + " gave no answer");
    HelperReply answer;
    if (!readHelperReply(reply, arenaBytes, answer))
        return Status::failure(std::string("the ") + kind_.description + " gave a wrong answer");
    if (Status st = replyStatus(answer, kind_.description); st.failed()) return st;
    // A helper asked for one picture hands back one.
    if (!allFrames) answer.frames = 1;
    if (!mapFrames(arena.get(), answer, frames))
        return Status::failure("out of memory for the picture");
    return Status::ok();
}

void killRunningHelpers() {
    for (auto& slot : running) {
        const pid_t pid = slot.load();
        if (pid > 0) ::kill(-pid, SIGKILL);
    }
}

}  // namespace glint
