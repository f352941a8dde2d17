#include "PhotoDecoder.h"

#include <QFileInfo>
#include <cstring>
#include <string>

#include "LoadLimits.h"
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
        case kPhotoExitEmpty:
            return Status::failure("picture is empty");
        default:
            return finished.failed() ? finished : Status::failure("photo helper gave no picture");
    }
}

// The variant that the helper's note (read up to its magic) names as not decodable here.
Status unsupportedVariant(HelperProcess& helper) {
    std::uint32_t length = 0;
    if (helper.read(reinterpret_cast<char*>(&length), sizeof length).failed() ||
        length > kPhotoNoteMaxBytes)
        return helperFailure(helper, helper.finish());
    std::string text(length, '\0');
    if (helper.read(text.data(), length).failed()) return helperFailure(helper, helper.finish());
    if (Status st = helper.finish(); helper.exitCode() != kPhotoExitUnsupported)
        return helperFailure(helper, st);
    // The helper has read a hostile file: only printable text is passed on.
    for (char& c : text)
        if (c < ' ' || c > '~') c = '?';
    return Status::failure("is " + text + ", which this installation cannot decode");
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

    char magic[sizeof kPhotoMagic];
    if (helper.read(magic, sizeof magic).failed()) return helperFailure(helper, helper.finish());
    if (std::memcmp(magic, kPhotoNoteMagic, sizeof magic) == 0) return unsupportedVariant(helper);
    char header[kPhotoHeaderBytes - sizeof kPhotoMagic];  // width, height, flags
    if (std::memcmp(magic, kPhotoMagic, sizeof magic) != 0 ||
        helper.read(header, sizeof header).failed())
        return helperFailure(helper, helper.finish());
    const std::int64_t width = hostU32(header);
    const std::int64_t height = hostU32(header + 4);
    const bool hasAlpha = (hostU32(header + 8) & kPhotoHasAlpha) != 0;
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
