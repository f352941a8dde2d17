#pragma once
// Converts one picture file into one output file: load, check the limits, render, write
// through a file that takes the output's name only when it is complete. Safe to run on several
// threads at once (one file each).
#include <QImage>
#include <QString>
#include <cstdint>
#include <functional>

#include "engine/RowKernel.h"
#include "io/decode/PictureFile.h"
#include "io/output/EncoderSettings.h"
#include "io/output/OutputFormat.h"

namespace glint {

// Which frames of a picture of several frames are written.
struct FramePick {
    // Only this one (counted from 1).
    std::optional<std::int32_t> frame;
    // In an output that holds one picture: every frame to a file of its own, numbered
    // (numberedOutput()); on standard output one after another.
    bool eachFrame = false;
};

struct ConvertRequest {
    QByteArray output;  // the bytes of the output's name; "-": standard output
    // The output's format; when not set, from the output name's extension.
    std::optional<OutputFormat> format;
    RowValues values;
    EncoderSettings encoder;
    bool force = false;  // replace an existing output
    // The tool's own writers (every format but webp band by band); false renders a whole
    // image first and writes it with Qt's writers, as the tool did before: what the tests and
    // make bench compare the own writers with.
    bool streamed = true;
    FramePick pick;
};

struct ConvertOutcome {
    bool ok = false;
    QString error;  // what went wrong, for a message; empty when ok
    std::int32_t sourceWidth = 0;
    std::int32_t sourceHeight = 0;
    std::int64_t width = 0;  // of the output
    std::int64_t height = 0;
    std::int32_t frames = 1;         // frames written
    std::int32_t framesLeftOut = 0;  // frames of the input that the output could not hold
};

using ConvertProgress = std::function<void(std::int32_t done, std::int32_t total)>;

// Converts the picture `input`, opened already.
ConvertOutcome convertFile(const PictureFile& input, const ConvertRequest& request,
                           const ConvertProgress& progress = {});

// The output of frame `number` (from 1) of `frames` when each frame has a file of its own:
// "out/a-scanlines.png" -> "out/a-scanlines-0001.png" (at least four digits).
QByteArray numberedOutput(const QByteArray& output, std::int32_t number, std::int32_t frames);

// The picture as the window's source box shows it: 32-bit, transparency laid over the box's
// background colour.
QImage opaqueSource(const QImage& picture);

}  // namespace glint
