// glintwork-photo: decodes a HEIF (HEIC, AVIF, an AVIF image sequence's first frame) or JPEG XL
// picture in a process of its own, locked down before it reads the picture
// (helpers/common/Sandbox.h), and hands the pixels back as io/helper/HelperProtocol.h
// describes. The codecs behind these formats are large, young, and have a record of memory
// faults on crafted files. The readers decode straight into the shared memory.
#include <QByteArray>
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

int decode(HelperSession& session, glint::PhotoKind kind) {
    const std::span<const std::uint8_t> file = session.picture();
    if (file.empty()) return session.fail(Outcome::Unreadable);
    DecodedPhoto photo;
    session.provide(photo);
    std::string unsupported;
    const PhotoOutcome outcome = kind == glint::PhotoKind::Heif
                                     ? glint::photo::readHeif(file, photo, unsupported)
                                     : glint::photo::readJxl(file, photo);
    if (outcome != PhotoOutcome::Ok)
        return session.fail(HelperSession::allocationFailed() ? Outcome::NoMemory
                                                              : glint::helper::outcomeOf(outcome),
                            unsupported);
    return session.reply(photo);
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
