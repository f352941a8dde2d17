#include "FileConverter.h"

#include <QImageWriter>
#include <QPainter>
#include <memory>

#include "NameText.h"
#include "engine/PictureSurface.h"
#include "engine/ScanlineBands.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/PictureFrames.h"
#include "io/decode/PictureLoader.h"
#include "io/decode/PictureProbe.h"
#include "io/output/BmpRowFeed.h"
#include "io/output/BmpScanlineFile.h"
#include "io/output/OutputFile.h"
#include "io/output/OutputFormat.h"
#include "io/output/OutputSinks.h"
#include "io/output/StandardStreams.h"

namespace glint {

namespace {

// Digits of the frame numbers in the names of frames written to files of their own.
constexpr int kFrameNumberDigits = 4;

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

// The file for an output of a request: an existing one is replaced only with --force.
std::unique_ptr<OutputFile> outputFile(const ConvertRequest& request, const QByteArray& output) {
    return std::make_unique<OutputFile>(
        output, request.force ? ExistingTarget::Replace : ExistingTarget::Keep);
}

// The output file for `output`, created; none for standard output.
Status createOutput(const ConvertRequest& request, const QByteArray& output,
                    std::unique_ptr<OutputFile>& file) {
    if (isStandardStream(output)) return Status::ok();
    file = outputFile(request, output);
    return file->create();
}

Status writeStreamed(OutputFormat format, const ConvertRequest& request, const QByteArray& output,
                     const ScanlineBands& bands, const ScanlineGeometry& g,
                     const ConvertProgress& progress) {
    std::unique_ptr<OutputFile> file;
    if (Status st = createOutput(request, output, file); st.failed()) return st;
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

Status writeWhole(OutputFormat format, const ConvertRequest& request, const QByteArray& output,
                  const ScanlineBands& bands, const ScanlineGeometry& g,
                  const ConvertProgress& progress) {
    QImage image(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
    if (image.isNull()) return Status::failure("no memory for the whole output picture");
    const PixelView dst{reinterpret_cast<std::uint32_t*>(image.bits()), image.width(),
                        image.height(), image.bytesPerLine() / 4};
    if (Status st = bands.renderWhole(dst, progress); st.failed()) return st;
    if (isStandardStream(output)) return writeImageToStandardOutput(image, formatName(format));

    const std::unique_ptr<OutputFile> file = outputFile(request, output);
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
        bmp.start(outputFile(request, request.output), g, request.values, true).failed()) {
        return {};
    }
    return headerSize;
}

QString cannotWrite(const QByteArray& output, const Status& why) {
    return QStringLiteral("cannot write '%1': ").arg(nameText(output)) + fromStd(why.reason());
}

// Why `output` must not be written, or empty.
QString targetProblem(const QByteArray& output, bool force) {
    if (isStandardStream(output)) return {};
    const QString shown = nameText(output);
    bool exists = false;
    if (Status st = replaceableTarget(output, &exists); st.failed()) {
        return QStringLiteral("'%1' %2").arg(shown, fromStd(st.reason()));
    }
    if (exists && !force)
        return QStringLiteral("'%1' exists (use --force to replace it)").arg(shown);
    return {};
}

// Writes the render of `picture` (a still picture, or one frame) to `output`; a bitmap file
// through `started` when that was started for it before decoding.
Status writeStill(OutputFormat format, const ConvertRequest& request, const QByteArray& output,
                  const QImage& picture, const ScanlineGeometry& g, const ConvertProgress& progress,
                  BmpScanlineFile* started = nullptr) {
    const QImage source = opaqueSource(picture);
    if (source.isNull()) return Status::failure("no memory for the picture");
    const ScanlineBands bands(viewOf(source), g, request.values);
    if (request.streamed && format == OutputFormat::Bmp && !isStandardStream(output)) {
        BmpScanlineFile own;
        BmpScanlineFile& bmp = started != nullptr ? *started : own;
        if (started == nullptr) {
            if (Status st = bmp.start(outputFile(request, output), g, request.values); st.failed())
                return st;
        }
        return bmp.finish(viewOf(source), progress);
    }
    if (request.streamed) return writeStreamed(format, request, output, bands, g, progress);
    return writeWhole(format, request, output, bands, g, progress);
}

// Renders every frame whole and hands it to the format's frame sink.
Status writeFrames(OutputFormat format, const ConvertRequest& request, const PictureFrames& frames,
                   const ScanlineGeometry& g, const ConvertProgress& progress) {
    std::unique_ptr<OutputFile> file;
    if (Status st = createOutput(request, request.output, file); st.failed()) return st;
    const std::unique_ptr<FrameSink> sink =
        makeFrameSink(format, file ? *file : standardOutput(), request.encoder);
    const auto count = static_cast<std::int32_t>(frames.frames.size());
    QImage rendered(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
    if (rendered.isNull()) return Status::failure("no memory for a whole output frame");
    const PixelView dst{reinterpret_cast<std::uint32_t*>(rendered.bits()), rendered.width(),
                        rendered.height(), rendered.bytesPerLine() / 4};
    if (Status st = sink->open({}, rendered.width(), rendered.height(), {count, frames.loops});
        st.failed())
        return st;
    for (std::int32_t k = 0; k < count; ++k) {
        const PictureFrame& frame = frames.frames[static_cast<std::size_t>(k)];
        const QImage source = opaqueSource(frame.picture);
        Status st = source.isNull() ? Status::failure("no memory for the picture") : Status::ok();
        if (st.isOk()) {
            st = ScanlineBands(viewOf(source), g, request.values)
                     .renderWhole(dst, [&](std::int32_t done, std::int32_t total) {
                         if (progress) progress(k * total + done, count * total);
                     });
        }
        if (st.isOk()) st = sink->addFrame(dst, frame.delayMs);
        if (st.failed()) {
            sink->cancel();
            return st;
        }
    }
    if (Status committed = sink->commit(); committed.failed() || !file) return committed;
    return file->commit();
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

QByteArray numberedOutput(const QByteArray& output, std::int32_t number, std::int32_t frames) {
    const int digits =
        std::max(kFrameNumberDigits, static_cast<int>(QByteArray::number(frames).size()));
    const QByteArray tag = '-' + QByteArray::number(number).rightJustified(digits, '0');
    const qsizetype slash = output.lastIndexOf('/');
    const qsizetype dot = output.lastIndexOf('.');
    return dot > slash + 1 ? output.left(dot) + tag + output.mid(dot) : output + tag;
}

ConvertOutcome convertFile(const PictureFile& input, const ConvertRequest& request,
                           const ConvertProgress& progress) {
    ConvertOutcome outcome;
    const auto format = request.format ? request.format : formatForPath(nameText(request.output));
    if (!format) return failed(outcome, QStringLiteral("unsupported output format"));
    if (const QString problem = targetProblem(request.output, request.force); !problem.isEmpty()) {
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
    PictureFrames frames;
    if (Status st =
            loadPictureFileFrames(input, frames, {}, startedFor.isValid() ? &feed : nullptr);
        st.failed()) {
        if (feed.failure().failed())
            return failed(outcome, cannotWrite(request.output, feed.failure()));
        return failed(outcome, loadProblem(input, headerSize, st));
    }
    if (feed.began()) {  // every run row is drawn already; no picture was kept
        outcome.sourceWidth = startedFor.width();
        outcome.sourceHeight = startedFor.height();
        outcome.width = bmp.geometry().width;
        outcome.height = bmp.geometry().height;
        if (Status st = feed.finish(); st.failed())
            return failed(outcome, cannotWrite(request.output, st));
        outcome.ok = true;
        return outcome;
    }
    if (request.pick.frame) {
        const auto count = static_cast<std::int32_t>(frames.frames.size());
        if (*request.pick.frame < 1 || *request.pick.frame > count) {
            return failed(
                outcome, QStringLiteral("--frame %1 is past the picture's %2 %3")
                             .arg(*request.pick.frame)
                             .arg(count)
                             .arg(count == 1 ? QStringLiteral("frame") : QStringLiteral("frames")));
        }
        frames.frames = {
            std::move(frames.frames[static_cast<std::size_t>(*request.pick.frame - 1)])};
    }
    const QImage& first = frames.frames.front().picture;
    outcome.sourceWidth = first.width();
    outcome.sourceHeight = first.height();
    ScanlineGeometry g;
    if (Status st = scanlineGeometry(first.width(), first.height(), request.values.scale, g);
        st.failed()) {
        return failed(outcome,
                      QStringLiteral("cannot render the picture: ") + fromStd(st.reason()));
    }
    outcome.width = g.width;
    outcome.height = g.height;
    if (const QString problem =
            outputLimitProblem(*format, request.streamed, g.width, g.height, request.encoder);
        !problem.isEmpty()) {
        return failed(outcome, problem);
    }

    const auto count = static_cast<std::int32_t>(frames.frames.size());
    const bool framed = *format == OutputFormat::Gif || (count > 1 && holdsFrames(*format));
    const bool eachFrame = !framed && count > 1 && request.pick.eachFrame;
    // A bitmap started before decoding serves the one still output of the size it was
    // started for.
    BmpScanlineFile* started =
        bmp.started() && !eachFrame && startedFor == first.size() ? &bmp : nullptr;
    if (started == nullptr) bmp.cancel();
    Status written = Status::ok();
    QByteArray writtenTo = request.output;
    if (framed) {
        outcome.frames = count;
        written = writeFrames(*format, request, frames, g, progress);
    } else if (eachFrame) {
        outcome.frames = count;
        for (std::int32_t k = 0; k < count && written.isOk(); ++k) {
            const bool toStdout = isStandardStream(request.output);
            writtenTo = toStdout ? request.output : numberedOutput(request.output, k + 1, count);
            if (const QString problem = targetProblem(writtenTo, request.force); !problem.isEmpty())
                return failed(outcome, problem);
            const ConvertProgress frameProgress = [&](std::int32_t done, std::int32_t total) {
                if (progress) progress(k * total + done, count * total);
            };
            written =
                writeStill(*format, request, writtenTo,
                           frames.frames[static_cast<std::size_t>(k)].picture, g, frameProgress);
        }
    } else {
        outcome.framesLeftOut = count - 1;
        written = writeStill(*format, request, request.output, first, g, progress, started);
    }
    if (written.failed()) return failed(outcome, cannotWrite(writtenTo, written));
    outcome.ok = true;
    return outcome;
}

}  // namespace glint
