#include "MetafileDecoder.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <algorithm>

#include "HelperLocation.h"
#include "HelperProcess.h"
#include "io/decode/LoadLimits.h"
#include "MetafileOutputReader.h"
#include "MetafileProtocol.h"

namespace glint {
namespace {

// How long one wait for the helper lasts when the caller wants to be called back meanwhile.
constexpr qint64 kWaitSliceMs = 25;
constexpr std::int64_t kMiB = std::int64_t{1} << 20;

bool isExecutableFile(const QString& path) {
    const QFileInfo info(path);
    return info.isFile() && info.isExecutable();
}

}  // namespace

std::chrono::milliseconds MetafileDecoder::Limits::timeoutFor(std::int64_t fileBytes) const {
    const std::int64_t extra = std::max<std::int64_t>(fileBytes, 0) * timeoutPerMiB.count() / kMiB;
    return std::min(maxTimeout, timeout + std::chrono::milliseconds(extra));
}

MetafileDecoder::MetafileDecoder(QString helperPath, Limits limits)
    : helperPath_(std::move(helperPath)), limits_(limits) {}

MetafileDecoder::MetafileDecoder() : MetafileDecoder(locateHelper(), Limits{}) {}

QString MetafileDecoder::locateHelper() {
    if (qEnvironmentVariableIsSet(kHelperEnv)) return qEnvironmentVariable(kHelperEnv);
    const QString programDir =
        QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
    return findHelper(programDir, QString::fromLatin1(kHelperName));
}

Status MetafileDecoder::decode(const QString& fileName, QImage& picture,
                               const WaitHook& whileWaiting) const {
    if (!isExecutableFile(helperPath_))
        return Status::missingPart(
            helperPath_.isEmpty()
                ? std::string("The metafile helper ") + kHelperName + " is not installed."
                : "The metafile helper " + helperPath_.toStdString() + " is missing.");

    const std::chrono::milliseconds timeout = limits_.timeoutFor(QFileInfo(fileName).size());
    QProcess process;
    HelperProcess::confine(process, helperPath_, {fileName}, limits_.addressSpaceBytes,
                           std::chrono::duration_cast<std::chrono::seconds>(timeout).count() + 1);

    const QDeadlineTimer deadline(timeout);
    process.start(QIODevice::ReadOnly);
    if (!process.waitForStarted(static_cast<int>(timeout.count())))
        return Status::failure("metafile helper did not start");

    MetafileOutputReader output;
    while (process.state() != QProcess::NotRunning) {
        const qint64 left = deadline.remainingTime();
        if (left <= 0) {
            HelperProcess::killGroup(process);
            return Status::failure("metafile conversion timed out");
        }
        const int wait = static_cast<int>(whileWaiting ? std::min(left, kWaitSliceMs) : left);
        if (!process.waitForReadyRead(wait) && process.state() != QProcess::NotRunning)
            process.waitForFinished(wait);  // output closed, or nothing came within `wait`
        if (!output.readFrom(process)) {
            HelperProcess::killGroup(process);
            return Status::failure(output.error());
        }
        if (whileWaiting) whileWaiting();
    }
    const bool outputOk = output.readFrom(process);
    if (process.exitStatus() != QProcess::NormalExit)
        return Status::failure("metafile helper crashed");
    if (process.exitCode() == kMetafileHelperExitNoFonts)
        return Status::missingPart(
            "The fonts for plain metafiles are not installed (Debian package fonts-urw-base35).");
    if (process.exitCode() != kMetafileHelperExitOk)
        return Status::failure("metafile could not be converted");
    if (!outputOk || !output.complete()) return Status::failure(output.error());
    picture = output.takePicture();
    return Status::ok();
}

}  // namespace glint
