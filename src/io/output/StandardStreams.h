#pragma once
// The tool's "-" file: standard input as an input, standard output as the output (written as it
// is produced).
#include <QIODevice>
#include <QImage>
#include <QString>

#include "engine/Status.h"

namespace glint {

// The name that stands for standard input (as an input) or standard output (as --output).
inline constexpr const char* kStandardStreamName = "-";

bool isStandardStream(const QString& name);
bool isStandardStream(const QByteArray& name);

// Standard output as a device for the writers: unbuffered, never closed.
QIODevice& standardOutput();

// Encodes `image` as `format` in memory, then writes it to standard output: for the formats
// whose writers move back and forth in their file.
Status writeImageToStandardOutput(const QImage& image, const char* format);

}  // namespace glint
