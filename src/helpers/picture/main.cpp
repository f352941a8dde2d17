// glintwork-picture: decodes a picture in a format the program does not decode itself (tiff
// through libtiff; webp, svg/svgz, mng, icns, xpm, wbmp through Qt's image readers; every frame
// of an animated webp through libwebp's animation decoder) in a
// process of its own, locked down before it reads the picture (helpers/common/Sandbox.h), and
// hands the pixels back as io/helper/HelperProtocol.h describes. These readers were not written for
// hostile files: Qt's SVG reader follows references to other files (and to itself, for ever), the
// MNG reader can loop for ever, none of them bounds the memory a picture takes.
#include <QBuffer>
#include <QGuiApplication>
#include <QImageReader>
#include <algorithm>
#include <cstring>
#include <memory>
#include <span>

#include "MngData.h"
#include "QtReader.h"
#include "TiffReader.h"
#include "WebpAnimationReader.h"
#include "common/FontCache.h"
#include "common/HelperSession.h"
#include "io/decode/ImagePlugins.h"

namespace {

using glint::helper::HelperSession;
using glint::helper::Outcome;

// Bytes of the picture's beginning that are enough for the readers to recognise their formats.
constexpr std::size_t kHeadBytes = 4096;

QByteArray bytesOf(const std::vector<std::uint8_t>& head) {
    return QByteArray(reinterpret_cast<const char*>(head.data()),
                      static_cast<qsizetype>(head.size()));
}

// The reader's name for the format of the file that starts with `head`. Asking loads the
// plug-ins that recognise formats by content, the one that will decode among them.
QByteArray formatOf(const QByteArray& head) {
    QByteArray copy = head;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return QImageReader::imageFormat(&buffer);
}

// The SVG reader's own test, roughly: compressed, or XML text that may hold an <svg> element.
bool mayBeSvg(const QByteArray& head) {
    return head.startsWith("\x1f\x8b") || head.contains("<svg") || head.contains("<?xml") ||
           head.contains("<!DOCTYPE svg") || head.contains("<!--");
}

// The TIFF signatures, classic and BigTIFF, in both byte orders.
bool isTiff(const QByteArray& head) {
    return head.startsWith(QByteArrayLiteral("II*\0")) ||
           head.startsWith(QByteArrayLiteral("MM\0*")) ||
           head.startsWith(QByteArrayLiteral("II+\0")) ||
           head.startsWith(QByteArrayLiteral("MM\0+"));
}

// TIFF through libtiff (TiffReader.h), straight into the shared memory: the first page, or
// with `allPages` every page.
int decodeTiff(HelperSession& session, bool allPages) {
    const std::span<const std::uint8_t> bytes = session.picture();
    if (bytes.empty()) return session.fail(Outcome::Unreadable);
    glint::photo::DecodedPhoto photo;
    session.provide(photo);
    std::int64_t pages = 1;
    const glint::picture::TiffResult result =
        allPages ? glint::picture::readTiffPages(bytes.data(), bytes.size(), photo, pages)
                 : glint::picture::readTiff(bytes.data(), bytes.size(), photo);
    if (HelperSession::allocationFailed()) return session.fail(Outcome::NoMemory);
    if (result.outcome != glint::picture::TiffOutcome::Ok)
        return session.fail(glint::helper::outcomeOf(result.outcome),
                            result.outcome == glint::picture::TiffOutcome::Unsupported
                                ? result.detail
                                : std::string());
    return session.reply(photo);
}

// Every frame of a WebP through libwebp's animation decoder, straight into the shared memory.
int decodeWebpFrames(HelperSession& session) {
    const std::span<const std::uint8_t> bytes = session.picture();
    if (bytes.empty()) return session.fail(Outcome::Unreadable);
    glint::helper::WebpFrames info;
    const Outcome outcome = glint::helper::readWebpFrames(
        bytes, info, [&session](std::int64_t width, std::int64_t height, std::int64_t frames) {
            session.expectOutput(width, height, frames);
            return session.pixels(width, height, frames);
        });
    if (HelperSession::allocationFailed()) return session.fail(Outcome::NoMemory);
    if (outcome != Outcome::Ok) return session.fail(outcome);
    glint::helper::Reply reply;
    reply.outcome = Outcome::Ok;
    reply.width = info.width;
    reply.height = info.height;
    reply.hasAlpha = info.hasAlpha;
    reply.frames = static_cast<std::uint32_t>(info.frames);
    reply.loops = info.loops;
    reply.delaysMs = std::move(info.delaysMs);
    return session.reply(reply);
}

// Every frame that Qt's reader gives (MNG's frames; one for a still picture).
int decodeFrames(HelperSession& session, const QByteArray& format) {
    const std::span<const std::uint8_t> bytes = session.picture();
    if (bytes.empty()) return session.fail(Outcome::Unreadable);
    std::vector<QImage> frames;
    glint::helper::Reply reply;
    const Outcome outcome = glint::helper::readFramesWithQt(
        QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), format, frames,
        reply.delaysMs, reply.loops, [&session](int width, int height, int count) {
            session.expectOutput(width, height, count + 1);  // the frames and the arena's copy
        });
    if (HelperSession::allocationFailed()) return session.fail(Outcome::NoMemory);
    if (outcome != Outcome::Ok) return session.fail(outcome);
    const QImage& first = frames.front();
    const auto count = static_cast<std::int64_t>(frames.size());
    std::uint32_t* pixels = session.pixels(first.width(), first.height(), count);
    if (pixels == nullptr) return session.fail(Outcome::NoMemory);
    const std::int64_t frameWords = std::int64_t{first.width()} * first.height();
    for (std::int64_t k = 0; k < count; ++k) {
        glint::helper::writeArgb32(frames[static_cast<std::size_t>(k)], pixels + k * frameWords);
        reply.hasAlpha = reply.hasAlpha || frames[static_cast<std::size_t>(k)].hasAlphaChannel();
    }
    reply.outcome = Outcome::Ok;
    reply.width = first.width();
    reply.height = first.height();
    reply.frames = static_cast<std::uint32_t>(count);
    return session.reply(reply);
}

int decode(HelperSession& session, const QByteArray& format) {
    const std::span<const std::uint8_t> bytes = session.picture();
    if (bytes.empty()) return session.fail(Outcome::Unreadable);
    if (format == "mng" && !glint::picture::mngImagesComplete(bytes))
        return session.fail(Outcome::Damaged);
    QImage image;
    const Outcome outcome = glint::helper::readWithQt(
        QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())), format, image,
        [&session](int width, int height) { session.expectOutput(width, height); });
    // A failed allocation fails the picture even when the reader carried on: an SVG reader,
    // for one, leaves out an embedded image it has no memory for.
    if (HelperSession::allocationFailed()) return session.fail(Outcome::NoMemory);
    if (outcome != Outcome::Ok) return session.fail(outcome);
    std::uint32_t* pixels = session.pixels(image.width(), image.height());
    if (pixels == nullptr) return session.fail(Outcome::NoMemory);
    glint::helper::writeArgb32(image, pixels);
    glint::helper::Reply reply;
    reply.outcome = Outcome::Ok;
    reply.width = image.width();
    reply.height = image.height();
    reply.hasAlpha = image.hasAlphaChannel();
    reply.frames = 1;
    return session.reply(reply);
}

}  // namespace

int main(int argc, char** argv) {
    HelperSession session;
    const bool allFrames = argc > 1 && std::strcmp(argv[1], glint::helper::kAllFramesArgument) == 0;
    const std::vector<std::uint8_t> headBytes = session.head(kHeadBytes);
    const QByteArray head = bytesOf(headBytes);
    if (head.isEmpty()) return session.fail(Outcome::Unreadable);
    if (isTiff(head)) return session.lockDown() ? decodeTiff(session, allFrames) : 0;
    if (allFrames && glint::helper::isWebp(headBytes))
        return session.lockDown() ? decodeWebpFrames(session) : 0;
    // Drawings need fonts, hence a GUI application (but never a screen); pictures do not, and
    // start faster without.
    const bool drawing = mayBeSvg(head);
    int appArgc = std::min(argc, 1);
    std::unique_ptr<QCoreApplication> app;
    if (drawing) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QGuiApplication>(appArgc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(appArgc, argv);
    }
    const QByteArray format = formatOf(head);
    if (format.isEmpty()) {
        if (const auto missing = glint::missingImagePlugin(head))
            return session.fail(Outcome::MissingPart, *missing);
        return session.fail(Outcome::NotAPicture);
    }
    if (drawing && (format == "svg" || format == "svgz")) glint::helper::openFontFiles();
    if (!session.lockDown()) return 0;
    return allFrames ? decodeFrames(session, format) : decode(session, format);
}
