#pragma once
// The command line of glintwork-cli: what to convert and how.
#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "engine/ColorValue.h"
#include "io/output/EncoderSettings.h"
#include "io/output/OutputFormat.h"

namespace glint {

inline constexpr int kMinScale = 1;
inline constexpr int kMaxScale = 16;
inline constexpr int kDefaultScale = 2;
inline constexpr int kMaxComponent = 255;
inline constexpr int kMaxJobs = 256;

struct CliOptions {
    std::int32_t scale = kDefaultScale;
    std::int32_t red = 0;
    std::int32_t blue = 0;
    ColorValue background = 0;  // black
    // File names are kept as the bytes the file system knows them by (see NameText.h).
    QByteArray output;  // empty: beside each input; "-": standard output
    // --format: of standard output and of the names the tool makes up
    std::optional<OutputFormat> format;
    EncoderSettings encoder;  // --quality, --effort, --lossless
    int jobs = 1;
    bool force = false;
    bool quiet = false;
    std::optional<std::int32_t> frame;  // --frame N, counted from 1
    bool eachFrame = false;             // --each-frame
    bool stream = false;                // --stream
    QList<QByteArray> inputs;           // from the command line; "-": standard input
    QByteArray inputList;       // --files-from: more inputs, read as the batch goes; "-": stdin
    bool nulSeparated = false;  // -0: the list's names end with NUL
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Error;
    CliOptions options;
    QString error;  // for Action::Error: what was wrong, one line
    QString text;   // help text (Help, Error, and Run for errors found later) or version line
};

// Parses `arguments` (the first one is the program name), file names in them as nameText()
// makes them. `defaultJobs` is used when -j is not given. Does not read the --files-from list;
// never prints and never exits.
ParsedCommandLine parseCommandLine(const QStringList& arguments, int defaultJobs);

// The format of every output: --output's extension when it names a file, else --format's,
// else bmp (ppm with --stream).
OutputFormat outputFormat(const CliOptions& options);

// "#rrggbb" or a colour name ("navy", "DarkGreen"); false for anything else.
bool parseColor(const QString& text, ColorValue& color);

}  // namespace glint
