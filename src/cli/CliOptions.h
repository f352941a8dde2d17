#pragma once
// The command line of glintwork-cli: what to convert and how.
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>

#include "io/output/EncoderSettings.h"
#include "io/output/OutputFormat.h"
#include "engine/ColorValue.h"

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
    QString output;             // empty: beside each input; "-": standard output
    // --format: of standard output and of the names the tool makes up
    std::optional<OutputFormat> format;
    EncoderSettings encoder;  // --quality, --effort, --lossless
    int jobs = 1;
    bool force = false;
    bool quiet = false;
    QStringList inputs;  // the command line's, then those of --files-from; "-": standard input
};

struct ParsedCommandLine {
    enum class Action { Run, Help, Version, Error };
    Action action = Action::Error;
    CliOptions options;
    QString error;  // for Action::Error: what was wrong, one line
    QString text;   // help text (Help and Error) or version line (Version)
};

// Parses `arguments` (the first one is the program name). `defaultJobs` is used when -j is
// not given. Reads the --files-from list (from standard input for "-"); never prints and
// never exits.
ParsedCommandLine parseCommandLine(const QStringList& arguments, int defaultJobs);

// "#rrggbb" or a colour name ("navy", "DarkGreen"); false for anything else.
bool parseColor(const QString& text, ColorValue& color);

}  // namespace glint
