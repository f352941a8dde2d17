#include "MetafileDecoder.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <cstring>

#include "HelperLocation.h"
#include "LoadLimits.h"
#include "MetafileProtocol.h"

namespace glint {
namespace {

constexpr int kKillWaitMs = 5000;
constexpr std::int64_t kMaxOutputBytes = kMetafileHeaderBytes + kMaxPicturePixels * 4;

std::uint32_t hostU32(const QByteArray& b, int at) {
    std::uint32_t v = 0;
    std::memcpy(&v, b.constData() + at, sizeof v);
    return v;
}

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

void killGroup(QProcess& process) {
    const qint64 pid = process.processId();
    if (pid > 0) ::kill(-static_cast<pid_t>(pid), SIGKILL);  // the helper and anything it started
    process.kill();
    process.waitForFinished(kKillWaitMs);
}

Status pictureFromOutput(const QByteArray& out, QImage& picture) {
    if (out.size() < kMetafileHeaderBytes ||
        std::memcmp(out.constData(), kMetafileMagic, sizeof kMetafileMagic) != 0)
        return Status::failure("metafile helper gave no picture");
    const std::int64_t width = hostU32(out, 4);
    const std::int64_t height = hostU32(out, 8);
    if (!pictureSizeAccepted(width, height))
        return Status::failure("metafile picture is too large");
    if (out.size() != kMetafileHeaderBytes + width * height * 4)
        return Status::failure("metafile helper output is incomplete");
    QImage image(static_cast<int>(width), static_cast<int>(height), QImage::Format_RGB32);
    if (image.isNull()) return Status::failure("out of memory for the metafile picture");
    const auto* src = reinterpret_cast<const std::uint32_t*>(out.constData() + kMetafileHeaderBytes);
    for (int y = 0; y < image.height(); ++y) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) line[x] = *src++ | 0xff000000u;
    }
    picture = std::move(image);
    return Status::ok();
}

}  // namespace

MetafileDecoder::MetafileDecoder(QString helperPath, Limits limits)
    : helperPath_(std::move(helperPath)), limits_(limits) {}

MetafileDecoder::MetafileDecoder() : MetafileDecoder(locateHelper(), Limits{}) {}

QString MetafileDecoder::locateHelper() {
    if (qEnvironmentVariableIsSet(kHelperEnv)) return qEnvironmentVariable(kHelperEnv);
    const QString programDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return findHelper(programDir, QString::fromLatin1(kHelperName));
}

Status MetafileDecoder::decode(const QString& fileName, QImage& picture) const {
    if (!isExecutableFile(helperPath_))
        return Status::missingPart(
            helperPath_.isEmpty()
                ? std::string("The metafile helper ") + kHelperName + " is not installed."
                : "The metafile helper " + helperPath_.toStdString() + " is missing.");

    QProcess process;
    process.setProgram(helperPath_);
    process.setArguments({fileName});
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const auto addressSpace = static_cast<rlim_t>(limits_.addressSpaceBytes);
    const auto cpuSeconds = static_cast<rlim_t>(
        std::chrono::duration_cast<std::chrono::seconds>(limits_.timeout).count() + 1);
    // Runs in the child between fork and exec: only async-signal-safe calls.
    process.setChildProcessModifier([addressSpace, cpuSeconds] {
        ::setpgid(0, 0);
        const rlimit memory{addressSpace, addressSpace};
        ::setrlimit(RLIMIT_AS, &memory);
        const rlimit cpu{cpuSeconds, cpuSeconds};
        ::setrlimit(RLIMIT_CPU, &cpu);
        const rlimit noCore{0, 0};
        ::setrlimit(RLIMIT_CORE, &noCore);
    });

    const QDeadlineTimer deadline(limits_.timeout);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(limits_.timeout.count())))
        return Status::failure("metafile helper did not start");

    QByteArray out;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            killGroup(process);
            return Status::failure("metafile conversion timed out");
        }
        if (!process.waitForReadyRead(static_cast<int>(left)) &&
            process.state() != QProcess::NotRunning)
            process.waitForFinished(static_cast<int>(std::max<qint64>(deadline.remainingTime(), 1)));
        out.append(process.readAllStandardOutput());
        if (out.size() > kMaxOutputBytes) {
            killGroup(process);
            return Status::failure("metafile helper wrote too much");
        }
    }
    out.append(process.readAllStandardOutput());
    if (process.exitStatus() != QProcess::NormalExit)
        return Status::failure("metafile helper crashed");
    if (process.exitCode() != kMetafileHelperExitOk)
        return Status::failure("metafile could not be converted");
    return pictureFromOutput(out, picture);
}

}  // namespace glint
