#include "StreamConverter.h"

#include <fcntl.h>
#include <unistd.h>

#include <QFile>
#include <cerrno>
#include <cstring>
#include <memory>

#include "FileConverter.h"
#include "NameText.h"
#include "engine/ScanlineBands.h"
#include "io/decode/PictureStream.h"
#include "io/output/OutputFile.h"
#include "io/output/OutputSinks.h"
#include "io/output/StandardStreams.h"

namespace glint {

namespace {

QString fromStd(const std::string& s) { return QString::fromStdString(s); }

ConstPixelView viewOf(const QImage& image) {
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
            image.height(), image.bytesPerLine() / 4};
}

// Renders `picture` band by band into `sink`, as one picture of the output stream.
Status writePicture(const QImage& picture, const StreamRequest& request, RowSink& sink,
                    QSize& output) {
    ScanlineGeometry g;
    if (Status st = scanlineGeometry(picture.width(), picture.height(), request.values.scale, g);
        st.failed())
        return st;
    if (const QString problem =
            outputLimitProblem(request.format, true, g.width, g.height, request.encoder);
        !problem.isEmpty())
        return Status::failure(problem.toStdString());
    output = QSize(static_cast<int>(g.width), static_cast<int>(g.height));
    const QImage source = opaqueSource(picture);
    if (source.isNull()) return Status::failure("no memory for the picture");
    if (Status st = sink.open({}, output.width(), output.height()); st.failed()) return st;
    const ScanlineBands bands(viewOf(source), g, request.values);
    Status st = bands.renderBands([&sink](std::int32_t firstRow, const ConstPixelView& band) {
        return sink.writeRows(firstRow, band);
    });
    if (st.failed()) {
        sink.cancel();
        return st;
    }
    return sink.commit();
}

}  // namespace

bool streamsAs(OutputFormat format) {
    return format == OutputFormat::Ppm || format == OutputFormat::Bmp ||
           format == OutputFormat::Png || format == OutputFormat::Jpeg;
}

StreamOutcome convertStream(const StreamRequest& request) {
    StreamOutcome outcome;
    // A stream may come through a FIFO: any file that reads is taken, by its bytes' name.
    const bool fromStdin = isStandardStream(request.input);
    const int fd = fromStdin ? STDIN_FILENO
                             : ::open(request.input.constData(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
    QFile input;
    if (fd < 0 ||
        !input.open(fd, QIODevice::ReadOnly,
                    fromStdin ? QFileDevice::DontCloseHandle : QFileDevice::AutoCloseHandle)) {
        outcome.error = QStringLiteral("cannot read: ") +
                        QString::fromLocal8Bit(std::strerror(fd < 0 ? errno : EBADF));
        if (fd >= 0 && !fromStdin) ::close(fd);
        return outcome;
    }
    const QString shownOutput = nameText(request.output);
    std::unique_ptr<OutputFile> file;
    if (!isStandardStream(request.output)) {
        // An existing output is kept unless forced, also one that appears meanwhile.
        file = std::make_unique<OutputFile>(
            request.output, request.force ? ExistingTarget::Replace : ExistingTarget::Keep);
        if (Status st = file->create(); st.failed()) {
            outcome.error =
                QStringLiteral("cannot write '%1': ").arg(shownOutput) + fromStd(st.reason());
            return outcome;
        }
    }
    QIODevice& out = file ? static_cast<QIODevice&>(*file) : standardOutput();
    const std::unique_ptr<RowSink> sink = makeRowSink(request.format, out, request.encoder);
    for (;;) {
        QImage picture;
        StreamRead read = StreamRead::End;
        Status st = readStreamPicture(input, picture, read);
        if (st.isOk() && read == StreamRead::End) break;
        const QString which = QStringLiteral("picture %1 of the stream").arg(outcome.pictures + 1);
        if (st.failed()) {
            outcome.error = which + QStringLiteral(" cannot be read: ") + fromStd(st.reason());
            return outcome;
        }
        outcome.source = picture.size();
        if (st = writePicture(picture, request, *sink, outcome.output); st.failed()) {
            outcome.error = which + QStringLiteral(" cannot be written: ") + fromStd(st.reason());
            return outcome;
        }
        ++outcome.pictures;
    }
    if (file) {
        if (Status st = file->commit(); st.failed()) {
            outcome.error =
                QStringLiteral("cannot write '%1': ").arg(shownOutput) + fromStd(st.reason());
            return outcome;
        }
    }
    outcome.ok = true;
    return outcome;
}

}  // namespace glint
