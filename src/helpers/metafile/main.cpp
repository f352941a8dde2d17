// glintwork-metafile: draws an enhanced (emf) or plain (wmf) Windows metafile in a process of
// its own, locked down before it reads the file (helpers/common/Sandbox.h), and hands the
// pixels back as io/helper/HelperProtocol.h describes. The converters (libemf2svg, libwmf)
// trust the sizes a file gives, and the SVG that libemf2svg writes can be made to name other
// files.
#include <QGuiApplication>
#include <cstring>

#include "MetafileConversion.h"
#include "WmfPicture.h"
#include "common/FontCache.h"
#include "common/HelperSession.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"

namespace {

using glint::helper::HelperSession;
using glint::helper::Outcome;

int draw(HelperSession& session) {
    const std::span<const std::uint8_t> bytes = session.picture();
    if (bytes.empty() || std::ssize(bytes) > glint::kMaxMetafileBytes)
        return session.fail(Outcome::Unreadable);
    const QByteArray file = QByteArray::fromRawData(reinterpret_cast<const char*>(bytes.data()),
                                                    static_cast<qsizetype>(bytes.size()));
    // The drawing is never larger than the metafile limit: its budget is known now.
    session.expectOutput(glint::kMaxMetafilePixels, 1);
    const std::optional<QImage> image = glint::drawMetafile(file);
    if (HelperSession::allocationFailed()) return session.fail(Outcome::NoMemory);
    if (!image || image->isNull()) return session.fail(Outcome::Damaged);
    std::uint32_t* pixels = session.pixels(image->width(), image->height());
    if (pixels == nullptr) return session.fail(Outcome::NoMemory);
    const auto rowBytes = static_cast<std::size_t>(image->width()) * 4;
    for (int y = 0; y < image->height(); ++y)
        std::memcpy(pixels + static_cast<std::ptrdiff_t>(y) * image->width(),
                    image->constScanLine(y), rowBytes);
    glint::helper::Reply reply;
    reply.outcome = Outcome::Ok;
    reply.width = image->width();
    reply.height = image->height();
    reply.frames = 1;
    return session.reply(reply);
}

}  // namespace

int main(int argc, char** argv) {
    HelperSession session;
    const std::vector<std::uint8_t> head = session.head(glint::kMetafileProbeBytes);
    const QByteArray probe(reinterpret_cast<const char*>(head.data()),
                           static_cast<qsizetype>(head.size()));
    const glint::MetafileKind kind = glint::metafileKind(probe);
    if (kind == glint::MetafileKind::None) return session.fail(Outcome::NotAPicture);
    if (kind == glint::MetafileKind::Wmf && glint::wmfFontsMissing())
        return session.fail(Outcome::MissingPart,
                            "The fonts for plain metafiles are not installed (Debian package "
                            "fonts-urw-base35).");
    // Text in a drawing needs fonts, hence a GUI application, but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = std::min(argc, 1);
    QGuiApplication app(appArgc, argv);
    glint::helper::openFontFiles();
    if (kind == glint::MetafileKind::Wmf) glint::prepareWmfPlayer();
    if (!session.lockDown()) return 0;
    return draw(session);
}
