#pragma once
// Which output each input is written to.
#include <QString>
#include <optional>
#include <vector>

#include "CliOptions.h"
#include "io/output/OutputFormat.h"

namespace glint {

struct PlannedFile {
    QString input;
    QString output;  // "-": standard output
    std::optional<OutputFormat> format;
    QString error;  // set when the file must not be converted (an output clash)
};

// NAME-scanlines.EXT in `folder` for input NAME.ext (EXT: `extension`).
QString defaultOutputName(const QString& input, const QString& folder,
                          const QString& extension = QStringLiteral("bmp"));

// One entry per input, in order. Without --output each output lies beside its input; an
// existing folder as --output takes all outputs; otherwise --output is the one output file
// ("-": standard output). Names made up here end in --format's extension (bmp by default).
// An output that an earlier input already writes to, or that is another input, gets an error.
std::vector<PlannedFile> planOutputs(const CliOptions& options);

}  // namespace glint
