#pragma once
// glintwork-cli --stream: pictures read one after the other from one stream (standard input,
// as `ffmpeg -f image2pipe` writes them: ppm/pam, bmp or png) and each one's render written to
// one output stream in turn, so that the tool sits between two video tools. Memory stays flat
// however many pictures pass: one input picture and one band of output rows at a time.
#include <QByteArray>
#include <QSize>
#include <QString>
#include <cstdint>

#include "engine/RowKernel.h"
#include "io/output/EncoderSettings.h"
#include "io/output/OutputFormat.h"

namespace glint {

struct StreamRequest {
    QByteArray input;   // the bytes of its name; "-": standard input
    QByteArray output;  // "-": standard output; a file takes its name when all went well
    OutputFormat format = OutputFormat::Ppm;
    RowValues values;
    EncoderSettings encoder;
    bool force = false;
};

struct StreamOutcome {
    bool ok = false;
    QString error;              // what went wrong, naming the picture; empty when ok
    std::int64_t pictures = 0;  // pictures written
    QSize source;               // of the last picture
    QSize output;
};

// True for the formats a stream can be written in: those written front to back.
bool streamsAs(OutputFormat format);

StreamOutcome convertStream(const StreamRequest& request);

}  // namespace glint
