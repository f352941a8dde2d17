#pragma once
// Standard input and output as the tool's "-" file: a picture read from standard input is
// first kept in a temporary file (the loaders and the metafile helper need a file); output
// goes to standard output as it is produced.
#include <QIODevice>
#include <QImage>
#include <QString>
#include <QTemporaryFile>
#include <memory>

#include "engine/Status.h"

namespace glint {

// The name that stands for standard input (as an input) or standard output (as --output).
inline constexpr const char* kStandardStreamName = "-";

bool isStandardStream(const QString& name);

// Standard input copied into a temporary file that lives as long as this object.
class StdinSpool {
public:
    // Reads standard input to its end; fails on a read error or when it is longer than
    // the largest picture file the loader reads.
    Status fill();
    QString path() const;

private:
    std::unique_ptr<QTemporaryFile> file_;
};

// Standard output as a device for the writers: unbuffered, never closed.
QIODevice& standardOutput();

// Encodes `image` as `format` in memory, then writes it to standard output: for the formats
// whose writers move back and forth in their file.
Status writeImageToStandardOutput(const QImage& image, const char* format);

}  // namespace glint
