#include "PhotoDecoder.h"

#include <QFileInfo>
#include <cstring>

#include "io/decode/LoadLimits.h"
#include "PhotoProtocol.h"

namespace glint {
namespace {

std::uint32_t hostU32(const char* bytes) {
    std::uint32_t v = 0;
    std::memcpy(&v, bytes, sizeof v);
    return v;
}

// Why the helper failed, from its exit code.
Status helperFailure(const HelperProcess& helper, const Status& finished) {
    switch (helper.exitCode()) {
        case kPhotoExitUnreadable:
            return Status::failure("cannot be read");
        case kPhotoExitDamaged:
            return Status::failure("picture is damaged or unreadable");
        case kPhotoExitTooLarge:
            return Status::failure("picture is too large");
        default:
            return finished.failed() ? finished : Status::failure("photo helper gave no picture");
    }
}

}  // namespace

PhotoDecoder::PhotoDecoder(QString helperPath, HelperProcess::Limits limits)
    : helperPath_(std::move(helperPath)), limits_(limits) {}

PhotoDecoder::PhotoDecoder()
    : PhotoDecoder(HelperProcess::locate(kHelperName, kHelperEnv), HelperProcess::Limits{}) {}

Status PhotoDecoder::decode(const QString& fileName, QImage& picture,
                            const std::function<void()>& whileWaiting) const {
    if (!QFileInfo(helperPath_).isExecutable())
        return Status::missingPart(
            helperPath_.isEmpty()
                ? std::string("The photo helper ") + kHelperName + " is not installed."
                : "The photo helper " + helperPath_.toStdString() + " is missing.");
    HelperProcess helper(helperPath_, limits_);
    helper.setWhileWaiting(whileWaiting);
    if (Status st = helper.start({fileName}); st.failed()) return st;

    char header[kPhotoHeaderBytes];
    if (helper.read(header, sizeof header).failed() ||
        std::memcmp(header, kPhotoMagic, sizeof kPhotoMagic) != 0)
        return helperFailure(helper, helper.finish());
    const std::int64_t width = hostU32(header + 4);
    const std::int64_t height = hostU32(header + 8);
    const bool hasAlpha = (hostU32(header + 12) & kPhotoHasAlpha) != 0;
    if (!pictureSizeAccepted(width, height)) return Status::failure("picture is too large");

    QImage image(static_cast<int>(width), static_cast<int>(height),
                 hasAlpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
    if (image.isNull()) return Status::failure("out of memory for the picture");
    const std::int64_t rowBytes = width * 4;
    for (int y = 0; y < image.height(); ++y)
        if (helper.read(reinterpret_cast<char*>(image.scanLine(y)), rowBytes).failed())
            return helperFailure(helper, helper.finish());
    if (Status st = helper.finish(); st.failed()) return helperFailure(helper, st);
    picture = std::move(image);
    return Status::ok();
}

}  // namespace glint
