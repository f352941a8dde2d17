// glintwork-metafile FILE: converts an enhanced or plain Windows metafile to pixels and writes
// them to standard output (format in io/MetafileProtocol.h). Runs as a separate process under
// memory and time limits set by its caller, because the converters read untrusted files.
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QSvgRenderer>
#include <cstdio>
#include <optional>

#include "MetafileToSvg.h"
#include "WmfPicture.h"
#include "io/LoadLimits.h"
#include "io/MetafileProbe.h"
#include "io/MetafileProtocol.h"

namespace {

enum Exit { kUsage = 2, kUnreadable = 3, kNotConverted = 4, kNotDrawn = 5, kNotWritten = 6 };

std::optional<QByteArray> readFile(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > glint::kMaxMetafileBytes)
        return std::nullopt;
    QByteArray data = file.readAll();
    if (data.size() != file.size()) return std::nullopt;
    return data;
}

// An enhanced metafile's drawing on a white page of its frame's size, within the metafile
// drawing limit.
std::optional<QImage> drawEmf(const QByteArray& file) {
    const std::optional<glint::SvgDrawing> drawing = glint::emfToSvg(file);
    if (!drawing || !glint::pictureSizeAccepted(drawing->size.width(), drawing->size.height()))
        return std::nullopt;
    QSvgRenderer renderer(drawing->svg);
    if (!renderer.isValid()) return std::nullopt;
    QImage image(glint::metafileDrawnSize(drawing->size), QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    image.fill(Qt::white);
    QPainter painter(&image);
    renderer.render(&painter, QRectF(QPointF(0, 0), QSizeF(image.size())));
    painter.end();
    return image;
}

bool writeAll(const void* data, size_t bytes) {
    return std::fwrite(data, 1, bytes, stdout) == bytes;
}

bool writePicture(const QImage& image) {
    const std::uint32_t header[2] = {static_cast<std::uint32_t>(image.width()),
                                     static_cast<std::uint32_t>(image.height())};
    if (!writeAll(glint::kMetafileMagic, sizeof glint::kMetafileMagic) ||
        !writeAll(header, sizeof header))
        return false;
    const auto rowBytes = static_cast<size_t>(image.width()) * 4;
    for (int y = 0; y < image.height(); ++y)
        if (!writeAll(image.constScanLine(y), rowBytes)) return false;
    return std::fflush(stdout) == 0;
}

// libwmf refuses to play any plain metafile when it finds none of its fonts.
bool wmfFontsMissing(const QByteArray& file) {
    if (glint::metafileKind(file.left(glint::kMetafileProbeBytes)) != glint::MetafileKind::Wmf)
        return false;
    return QDir(QString::fromLatin1(glint::kWmfFontDir))
        .entryList({QStringLiteral("*.t1"), QStringLiteral("*.pfb")}, QDir::Files)
        .isEmpty();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: glintwork-metafile FILE\n", stderr);
        return kUsage;
    }
    // Text in a drawing needs fonts, hence a GUI application, but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);

    const std::optional<QByteArray> file = readFile(argv[1]);
    if (!file) return kUnreadable;
    std::optional<QImage> image;
    switch (glint::metafileKind(file->left(glint::kMetafileProbeBytes))) {
        case glint::MetafileKind::Emf:
            image = drawEmf(*file);
            break;
        case glint::MetafileKind::Wmf:
            image = glint::drawWmf(*file);
            break;
        case glint::MetafileKind::None:
            break;
    }
    if (!image) return wmfFontsMissing(*file) ? glint::kMetafileHelperExitNoFonts : kNotConverted;
    if (image->isNull()) return kNotDrawn;
    return writePicture(*image) ? glint::kMetafileHelperExitOk : kNotWritten;
}
