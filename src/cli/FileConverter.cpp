#include "FileConverter.h"

#include <QImageWriter>
#include <QPainter>
#include <memory>

#include "NameText.h"
#include "io/output/BmpRowFeed.h"
#include "io/output/BmpScanlineFile.h"
#include "io/output/OutputFormat.h"
#include "io/output/OutputSinks.h"
#include "engine/ScanlineBands.h"
#include "io/output/StandardStreams.h"
#include "engine/PictureSurface.h"
#include "io/decode/LoadLimits.h"
#include "io/output/OutputFile.h"
#include "io/decode/PictureLoader.h"
#include "io/decode/PictureProbe.h"

namespace glint {

namespace {

QString fromStd(const std::string& s) { return QString::fromStdString(s); }

// Why the loader refused `input`, naming the limit when the picture is over one.
QString loadProblem(const PictureFile& input, const QSize& size, const Status& status) {
    if (input.size() > kMaxPictureFileBytes) {
        return QStringLiteral("the file is over the limit of %1 MiB for pictures")
            .arg(kMaxPictureFileBytes >> 20);
    }
    if (size.isValid() && pictureIsEmpty(size.width(), size.height())) {
        return QStringLiteral("the picture, %1x%2 pixels, is empty")
            .arg(size.width())
            .arg(size.height());
    }
    if (size.isValid() && !pictureSizeAccepted(size.width(), size.height())) {
        const QString what = QStringLiteral("the picture, %1x%2 pixels, is over ")
                                 .arg(size.width())
                                 .arg(size.height());
        if (size.width() > kMaxPictureSide || size.height() > kMaxPictureSide) {
            return what + QStringLiteral("the limit of %1 pixels per side").arg(kMaxPictureSide);
        }
        return what + QStringLiteral("the limit of %1 Mi pixels").arg(kMaxPicturePixels >> 20);
    }
    // The loader's reason starts with the file name, which the message already has
    // ("a.jpg: ..." for damage, "a.jpg is a 12-bit JPEG, ..." for an unsupported variant).
    QString reason = fromStd(status.reason());
    const QString prefix = input.name() + QStringLiteral(": ");
    const QString subject = input.name() + QStringLiteral(" is ");
    if (reason.startsWith(prefix)) reason.remove(0, prefix.size());
    if (reason.startsWith(subject)) reason.replace(0, subject.size(), QStringLiteral("it is "));
    return QStringLiteral("cannot read the picture: ") + reason;
}

// The output limit a picture of `headerSize` would break, found before decoding it; empty when
// the header gives no size or the output fits.
QString headerLimitProblem(const ConvertRequest& request, OutputFormat format,
                           const QSize& headerSize) {
    if (!headerSize.isValid() || !pictureSizeAccepted(headerSize.width(), headerSize.height())) {
        return {};
    }
    ScanlineGeometry g;
    if (scanlineGeometry(headerSize.width(), headerSize.height(), request.values.scale, g)
            .failed()) {
        return {};
    }
    return outputLimitProblem(format, request.streamed, g.width, g.height, request.encoder);
}

ConstPixelView viewOf(const QImage& image) {
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
            image.height(), image.bytesPerLine() / 4};
}

ConvertOutcome failed(ConvertOutcome outcome, const QString& error) {
    outcome.ok = false;
    outcome.error = error;
    return outcome;
}

// The file for a request's output: an existing one is replaced only with --force.
std::unique_ptr<OutputFile> outputFile(const ConvertRequest& request) {
    return std::make_unique<OutputFile>(
        request.output, request.force ? ExistingTarget::Replace : ExistingTarget::Keep);
}

Status writeStreamed(OutputFormat format, const ConvertRequest& request, const ScanlineBands& bands,
                     const ScanlineGeometry& g, const ConvertProgress& progress) {
    std::unique_ptr<OutputFile> file;
    if (!isStandardStream(request.output)) {
        file = outputFile(request);
        if (Status st = file->create(); st.failed()) return st;
    }
    const std::unique_ptr<RowSink> sink =
        makeRowSink(format, file ? *file : standardOutput(), request.encoder);
    const auto width = static_cast<std::int32_t>(g.width);
    const auto height = static_cast<std::int32_t>(g.height);
    if (Status st = sink->open({}, width, height); st.failed()) return st;
    Status st = bands.renderBands(
        [&sink](std::int32_t firstRow, const ConstPixelView& band) {
            return sink->writeRows(firstRow, band);
        },
        progress);
    if (st.failed()) {
        sink->cancel();
        return st;
    }
    if (Status committed = sink->commit(); committed.failed() || !file) return committed;
    return file->commit();
}

Status writeWhole(OutputFormat format, const ConvertRequest& request, const ScanlineBands& bands,
                  const ScanlineGeometry& g, const ConvertProgress& progress) {
    QImage image(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
    if (image.isNull()) return Status::failure("no memory for the whole output picture");
    const PixelView dst{reinterpret_cast<std::uint32_t*>(image.bits()), image.width(),
                        image.height(), image.bytesPerLine() / 4};
    if (Status st = bands.renderWhole(dst, progress); st.failed()) return st;
    if (isStandardStream(request.output)) {
        return writeImageToStandardOutput(image, formatName(format));
    }

    const std::unique_ptr<OutputFile> file = outputFile(request);
    if (Status st = file->create(); st.failed()) return st;
    QImageWriter writer(file.get(), formatName(format));
    // A writer may report success although some of its writes failed: the file knows.
    if (!writer.write(image) && !file->failed()) {
        file->cancel();
        return Status::failure(writer.errorString().toStdString());
    }
    return file->commit();
}

// A bitmap's gap rows do not depend on the picture: when its header gives the picture's size,
// `bmp` is started before the picture is decoded, and gap rows are written meanwhile. Returns
// the size it was started for; invalid when it was not started.
QSize startBeforeDecoding(const ConvertRequest& request, const QSize& headerSize,
                          BmpScanlineFile& bmp) {
    if (!headerSize.isValid() || !pictureSizeAccepted(headerSize.width(), headerSize.height())) {
        return {};
    }
    ScanlineGeometry g;
    if (scanlineGeometry(headerSize.width(), headerSize.height(), request.values.scale, g)
            .failed() ||
        !outputLimitProblem(OutputFormat::Bmp, true, g.width, g.height, {}).isEmpty() ||
        bmp.start(outputFile(request), g, request.values, true).failed()) {
        return {};
    }
    return headerSize;
}

QString cannotWrite(const ConvertRequest& request, const Status& why) {
    return QStringLiteral("cannot write '%1': ").arg(nameText(request.output)) +
           fromStd(why.reason());
}

// Why `output` must not be written, or empty.
QString targetProblem(const ConvertRequest& request) {
    if (isStandardStream(request.output)) return {};
    const QString shown = nameText(request.output);
    bool exists = false;
    if (Status st = replaceableTarget(request.output, &exists); st.failed()) {
        return QStringLiteral("'%1' %2").arg(shown, fromStd(st.reason()));
    }
    if (exists && !request.force) {
        return QStringLiteral("'%1' exists (use --force to replace it)").arg(shown);
    }
    return {};
}

}  // namespace

QImage opaqueSource(const QImage& picture) {
    if (!picture.hasAlphaChannel()) return picture.convertToFormat(QImage::Format_RGB32);
    QImage shown(picture.size(), QImage::Format_RGB32);
    if (shown.isNull()) return shown;
    // Transparent pixels show the background of the window's source picture box.
    shown.fill(toPixel(kDefaultBoxBackColor));
    QPainter painter(&shown);
    painter.drawImage(0, 0, picture);
    return shown;
}

ConvertOutcome convertFile(const PictureFile& input, const ConvertRequest& request,
                           const ConvertProgress& progress) {
    ConvertOutcome outcome;
    const auto format = request.format ? request.format : formatForPath(nameText(request.output));
    if (!format) return failed(outcome, QStringLiteral("unsupported output format"));
    if (const QString problem = targetProblem(request); !problem.isEmpty()) {
        return failed(outcome, problem);
    }
    const QSize headerSize = pictureHeaderSize(input);
    if (const QString problem = headerLimitProblem(request, *format, headerSize);
        !problem.isEmpty()) {
        return failed(outcome, problem);
    }
    // A bitmap file; a bitmap on standard output goes out row by row like a png.
    const bool streamedBmp =
        request.streamed && *format == OutputFormat::Bmp && !isStandardStream(request.output);
    BmpScanlineFile bmp;
    const QSize startedFor = streamedBmp ? startBeforeDecoding(request, headerSize, bmp) : QSize();

    // Rows decoded go to the started bitmap at once, while the rest is decoded.
    BmpRowFeed feed(bmp, startedFor, progress);
    QImage picture;
    if (Status st = loadPictureFile(input, picture, {}, startedFor.isValid() ? &feed : nullptr);
        st.failed()) {
        if (feed.failure().failed()) return failed(outcome, cannotWrite(request, feed.failure()));
        return failed(outcome, loadProblem(input, headerSize, st));
    }
    if (feed.began()) {  // every run row is drawn already; no picture was kept
        outcome.sourceWidth = startedFor.width();
        outcome.sourceHeight = startedFor.height();
        outcome.width = bmp.geometry().width;
        outcome.height = bmp.geometry().height;
        if (Status st = feed.finish(); st.failed())
            return failed(outcome, cannotWrite(request, st));
        outcome.ok = true;
        return outcome;
    }
    outcome.sourceWidth = picture.width();
    outcome.sourceHeight = picture.height();
    ScanlineGeometry g;
    if (Status st = scanlineGeometry(picture.width(), picture.height(), request.values.scale, g);
        st.failed()) {
        return failed(outcome, QStringLiteral("cannot render the picture: ") + fromStd(st.reason()));
    }
    outcome.width = g.width;
    outcome.height = g.height;
    if (const QString problem =
            outputLimitProblem(*format, request.streamed, g.width, g.height, request.encoder);
        !problem.isEmpty()) {
        return failed(outcome, problem);
    }

    const QImage source = opaqueSource(picture);
    picture = QImage();  // only the opaque copy is needed from here on
    if (source.isNull()) return failed(outcome, QStringLiteral("no memory for the picture"));
    const ScanlineBands bands(viewOf(source), g, request.values);
    Status written = Status::ok();
    if (streamedBmp) {
        if (startedFor != source.size())
            written = bmp.start(outputFile(request), g, request.values);
        if (written.isOk()) written = bmp.finish(viewOf(source), progress);
    } else if (request.streamed) {
        written = writeStreamed(*format, request, bands, g, progress);
    } else {
        written = writeWhole(*format, request, bands, g, progress);
    }
    if (written.failed()) return failed(outcome, cannotWrite(request, written));
    outcome.ok = true;
    return outcome;
}

}  // namespace glint
