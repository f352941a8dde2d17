// glintwork-photo: decodes a HEIF (HEIC, AVIF, an AVIF image sequence's first frame) or JPEG XL
// picture in a process of its own, locked down before it reads the picture
// (helpers/common/Sandbox.h), and hands the pixels back as io/helper/HelperProtocol.h
// describes. The codecs behind these formats are large, young, and have a record of memory
// faults on crafted files. The readers decode straight into the shared memory.
#include <QByteArray>
#include <cstring>
#include <string>

#include "HeifReader.h"
#include "JxlReader.h"
#include "common/HelperSession.h"
#include "io/decode/PhotoProbe.h"

namespace {

using glint::helper::HelperSession;
using glint::helper::Outcome;
using glint::photo::DecodedPhoto;
using glint::photo::PhotoOutcome;

Outcome outcomeOf(PhotoOutcome outcome) {
    switch (outcome) {
        case PhotoOutcome::Ok: return Outcome::Ok;
        case PhotoOutcome::Unsupported: return Outcome::Unsupported;
        case PhotoOutcome::TooLarge: return Outcome::TooLarge;
        case PhotoOutcome::Empty: return Outcome::Empty;
        case PhotoOutcome::Damaged: break;
    }
    return Outcome::Damaged;
}

int decode(HelperSession& session, glint::PhotoKind kind) {
    const std::span<const std::uint8_t> file = session.picture();
    if (file.empty()) return session.fail(Outcome::Unreadable);
    DecodedPhoto photo;
    photo.pixels.provideFrom([&session](std::size_t count) {
        const auto pixels = static_cast<std::int64_t>(count);
        session.expectOutput(pixels, 1);
        return session.pixels(pixels, 1);
    });
    std::string unsupported;
    const PhotoOutcome outcome = kind == glint::PhotoKind::Heif
                                     ? glint::photo::readHeif(file, photo, unsupported)
                                     : glint::photo::readJxl(file, photo);
    if (outcome != PhotoOutcome::Ok)
        return session.fail(HelperSession::allocationFailed() ? Outcome::NoMemory
                                                              : outcomeOf(outcome),
                            unsupported);
    if (!photo.pixels.provided()) {  // the shared memory could not take them: copied now
        std::uint32_t* pixels = session.pixels(photo.width, photo.height);
        if (pixels == nullptr) return session.fail(Outcome::NoMemory);
        std::memcpy(pixels, photo.pixels.data(), photo.pixels.size() * sizeof(std::uint32_t));
    }
    glint::helper::Reply reply;
    reply.outcome = Outcome::Ok;
    reply.width = photo.width;
    reply.height = photo.height;
    reply.hasAlpha = photo.hasAlpha;
    reply.frames = 1;
    return session.reply(reply);
}

}  // namespace

int main() {
    HelperSession session;
    const std::vector<std::uint8_t> head = session.head(glint::kPhotoProbeBytes);
    const glint::PhotoKind kind = glint::photoKind(QByteArray::fromRawData(
        reinterpret_cast<const char*>(head.data()), static_cast<qsizetype>(head.size())));
    if (kind == glint::PhotoKind::None) return session.fail(Outcome::NotAPicture);
    if (!session.lockDown()) return 0;
    return decode(session, kind);
}
