#include "HelperProcess.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QFileInfo>

#include "HelperLocation.h"
#include "io/decode/LoadLimits.h"

namespace glint {
namespace {

constexpr int kKillWaitMs = 5000;
constexpr int kWaitSliceMs = 25;

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

int remainingMs(const QDeadlineTimer& deadline) {
    return static_cast<int>(std::max<qint64>(deadline.remainingTime(), 0));
}

}  // namespace

HelperProcess::HelperProcess(QString program, Limits limits)
    : program_(std::move(program)), limits_(limits) {}

HelperProcess::~HelperProcess() {
    if (process_.state() != QProcess::NotRunning) killGroup();
}

QString HelperProcess::locate(const char* name, const char* envVariable) {
    if (qEnvironmentVariableIsSet(envVariable)) return qEnvironmentVariable(envVariable);
    const QString programDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return findHelper(programDir, QString::fromLatin1(name));
}

void HelperProcess::confine(QProcess& process, const QString& program,
                            const QStringList& arguments, std::int64_t addressSpaceBytes,
                            std::int64_t cpuSeconds) {
    process.setProgram(program);
    process.setArguments(arguments);
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto addressSpace = static_cast<rlim_t>(addressSpaceBytes + kSanitizerAddressSpace);
    const auto cpu = static_cast<rlim_t>(cpuSeconds);
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process.setChildProcessModifier([addressSpace, cpu] {
        ::setpgid(0, 0);
        const rlimit memory{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &memory);
        const rlimit cpuTime{cpu, cpu};
        ::setrlimit(RLIMIT_CPU, &cpuTime);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
    });
}

Status HelperProcess::start(const QStringList& arguments) {
    if (!isExecutableFile(program_))
        return Status::failure("helper not found: " + program_.toStdString());
    const std::int64_t cpuSeconds =
        std::chrono::duration_cast<std::chrono::seconds>(limits_.timeout).count() *
            limits_.cpuSecondsPerWallSecond +
        1;
    confine(process_, program_, arguments, limits_.addressSpaceBytes, cpuSeconds);
    deadline_ = QDeadlineTimer(limits_.timeout);
    process_.start(QIODevice::ReadOnly);
    if (!process_.waitForStarted(remainingMs(deadline_)))
        return Status::failure("helper did not start");
    return Status::ok();
}

Status HelperProcess::read(char* into, std::int64_t bytes) {
    while (bytes > 0) {
        const qint64 got = process_.read(into, bytes);
        if (got < 0) return Status::failure("helper output cannot be read");
        into += got;
        bytes -= got;
        if (bytes == 0) break;
        if (deadline_.hasExpired()) {
            killGroup();
            return Status::failure("helper timed out");
        }
        if (!waitFor(&QProcess::waitForReadyRead) && process_.bytesAvailable() == 0 &&
            process_.state() == QProcess::NotRunning)
            return Status::failure("helper output ended early");
    }
    return Status::ok();
}

Status HelperProcess::finish() {
    if (process_.state() != QProcess::NotRunning && !waitFor(&QProcess::waitForFinished)) {
        killGroup();
        return Status::failure("helper timed out");
    }
    if (process_.exitStatus() != QProcess::NormalExit) return Status::failure("helper crashed");
    exitCode_ = process_.exitCode();
    if (exitCode_ != 0)
        return Status::failure("helper failed with exit code " + std::to_string(exitCode_));
    if (process_.bytesAvailable() > 0) return Status::failure("helper wrote too much");
    return Status::ok();
}

bool HelperProcess::waitFor(bool (QProcess::*ready)(int)) {
    if (!whileWaiting_) return (process_.*ready)(std::max(remainingMs(deadline_), 1));
    for (;;) {
        if ((process_.*ready)(std::min(std::max(remainingMs(deadline_), 1), kWaitSliceMs)))
            return true;
        if (process_.state() == QProcess::NotRunning || deadline_.hasExpired()) return false;
        whileWaiting_();
    }
}

void HelperProcess::killGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);  // the helper and anything it started
    process.kill();
    process.waitForFinished(kKillWaitMs);
}

}  // namespace glint
