#include "CliOptions.h"

#include <sys/stat.h>

#include <QColor>
#include <QCommandLineParser>
#include <QFileInfo>

#include "InputList.h"
#include "NameText.h"
#include "StreamConverter.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/ReadableFormats.h"
#include "io/output/OutputFormat.h"
#include "io/output/StandardStreams.h"

namespace glint {

namespace {

const char* const kDescription =
    "Converts pictures into the scan-line look: every source row becomes a row of pixel runs\n"
    "(green from the picture, red and blue as given) followed by scale-1 rows of the\n"
    "background colour. Error messages are shown also with --quiet.\n"
    "An INPUT of - is read from standard input. Other inputs must be regular files: a FIFO,\n"
    "a device or a folder is refused without being opened.\n"
    "An output is never written through a symbolic link: a link of its name is an existing\n"
    "output, and --force replaces the link itself. Without --force, an output that appears\n"
    "while its conversion runs is kept, and that conversion fails.\n"
    "Names are used byte for byte, UTF-8 or not. Messages show a control character or a\n"
    "byte that is not UTF-8 as \\xHH (U+0080 to U+009F as \\u00HH) and a backslash as \\\\.";

constexpr qsizetype kHelpLineLength = 90;

// The description with the formats that can be read, wrapped into lines.
QString description() {
    QString text = QString::fromLatin1(kDescription) +
                   "\n\nReadable pictures, recognised by their content whatever their name:\n";
    qsizetype lineStart = text.size();
    const QStringList formats = readableFormats();
    for (qsizetype i = 0; i < formats.size(); ++i) {
        const QString item = formats[i] + (i + 1 < formats.size() ? ", " : ".");
        if (text.size() - lineStart + item.size() > kHelpLineLength) {
            text.chop(1);  // the blank after the comma
            text += '\n';
            lineStart = text.size();
        }
        text += item;
    }
    return text;
}

bool parseInt(const QString& text, int low, int high, int& value) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    if (!ok || v < low || v > high) return false;
    value = v;
    return true;
}

ParsedCommandLine failure(const QString& error, const QString& help) {
    ParsedCommandLine result;
    result.action = ParsedCommandLine::Action::Error;
    result.error = error;
    result.text = help;
    return result;
}

bool isFolder(const QByteArray& path) {
    struct stat info {};
    return ::stat(path.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

// Checks --output against the inputs and --format; empty when it is usable.
QString outputProblem(const CliOptions& o) {
    if (o.output.isEmpty() || isStandardStream(o.output) || isFolder(o.output)) return {};
    const QString output = nameText(o.output);
    if (o.output.endsWith('/'))
        return QStringLiteral("output folder '%1' does not exist").arg(output);
    if (!o.inputList.isEmpty()) {
        return QStringLiteral("--files-from needs an existing folder as --output, not '%1'")
            .arg(output);
    }
    if (o.inputs.size() > 1) {
        return QStringLiteral("several inputs need an existing folder as --output, not '%1'")
            .arg(output);
    }
    const auto format = formatForPath(output);
    if (!format) {
        return QStringLiteral("unsupported output format '%1' (use %2)")
            .arg(QFileInfo(output).suffix(), supportedFormatList());
    }
    if (o.format && *o.format != *format) {
        return QStringLiteral("--format %1 does not match the output name '%2'")
            .arg(QString::fromLatin1(formatName(*o.format)), output);
    }
    return {};
}

// --format's value: a format name (any case), written by this installation.
std::optional<OutputFormat> parseFormat(const QString& text) {
    const QString name = text.trimmed();
    for (const QChar c : name) {
        if (!c.isLetter()) return std::nullopt;
    }
    if (name.isEmpty()) return std::nullopt;
    return formatForPath(QStringLiteral("x.") + name);
}

// A whole number for --quality or --effort, whose range depends on the format; nothing when
// the text is none.
std::optional<int> parseWhole(const QString& text) {
    bool ok = false;
    const int v = text.trimmed().toInt(&ok, 10);
    return ok ? std::optional<int>(v) : std::nullopt;
}

// Standard input and output: each read or written once, with one picture.
QString streamProblem(const CliOptions& o) {
    const bool pictureFromStdin = o.inputs.contains(kStandardStreamName);
    const qsizetype readers =
        o.inputs.count(kStandardStreamName) + (isStandardStream(o.inputList) ? 1 : 0);
    if (readers > 1) return QStringLiteral("standard input can be read only once");
    if (isStandardStream(o.output) && (o.inputs.size() != 1 || !o.inputList.isEmpty())) {
        return QStringLiteral("-o - writes one picture; give one input");
    }
    if (pictureFromStdin && (o.output.isEmpty() || isFolder(o.output))) {
        return QStringLiteral("a picture from standard input needs -o FILE or -o -");
    }
    return {};
}

// --stream: one stream in, one out, in a format written front to back.
QString streamModeProblem(const CliOptions& o, bool framesPicked) {
    if (o.inputs.size() > 1) return QStringLiteral("--stream reads one stream; give one input");
    if (framesPicked) return QStringLiteral("--frame and --each-frame do not go with --stream");
    if (isFolder(o.output)) return QStringLiteral("--stream writes one stream, not into a folder");
    if (!streamsAs(outputFormat(o))) {
        return QStringLiteral("--stream writes ppm, bmp, png or jpg, not %1")
            .arg(QString::fromLatin1(formatName(outputFormat(o))));
    }
    return {};
}

}  // namespace

OutputFormat outputFormat(const CliOptions& o) {
    if (!o.output.isEmpty() && !isStandardStream(o.output) && !isFolder(o.output)) {
        if (const auto format = formatForPath(nameText(o.output))) return *format;
    }
    return o.format.value_or(o.stream ? OutputFormat::Ppm : OutputFormat::Bmp);
}

bool parseColor(const QString& text, ColorValue& color) {
    const QString t = text.trimmed();
    if (t.startsWith('#')) {
        if (t.size() != 7) return false;
        bool ok = false;
        const uint rgb = t.mid(1).toUInt(&ok, 16);
        if (!ok) return false;
        color = RGB(int(rgb >> 16) & 0xFF, int(rgb >> 8) & 0xFF, int(rgb) & 0xFF);
        return true;
    }
    if (t.isEmpty() || t.compare("transparent", Qt::CaseInsensitive) == 0) return false;
    for (const QChar c : t) {
        if (!c.isLetter()) return false;
    }
    const QColor named = QColor::fromString(t);
    if (!named.isValid()) return false;
    color = RGB(named.red(), named.green(), named.blue());
    return true;
}

ParsedCommandLine parseCommandLine(const QStringList& arguments, int defaultJobs) {
    QCommandLineParser parser;
    parser.setApplicationDescription(description());
    const QCommandLineOption helpOption = parser.addHelpOption();
    const QCommandLineOption versionOption = parser.addVersionOption();
    const QCommandLineOption scaleOption({"s", "scale"},
                                         QStringLiteral("Enlargement factor, %1..%2 (default %3).")
                                             .arg(kMinScale)
                                             .arg(kMaxScale)
                                             .arg(kDefaultScale),
                                         "N");
    const QCommandLineOption redOption({"r", "red"}, "Red of every run, 0..255 (default 0).", "N");
    const QCommandLineOption blueOption({"b", "blue"}, "Blue of every run, 0..255 (default 0).",
                                        "N");
    const QCommandLineOption backOption(
        {"B", "background"}, "Colour of the gap rows, #rrggbb or a colour name (default black).",
        "COLOR");
    const QCommandLineOption outputOption(
        {"o", "output"},
        "Output file for one input, output folder for several. The extension picks the format: "
        "bmp (default), png, jpg, tiff, webp, gif, ppm. Default: NAME-scanlines.bmp beside each "
        "input. - writes the picture to standard output.",
        "PATH");
    const QCommandLineOption formatOption(
        "format",
        "Format of standard output (-o -) and of the NAME-scanlines outputs: bmp (default), "
        "png, jpg, tiff, webp, gif or ppm. gif and webp keep every frame of an animation, "
        "tiff every page; the others hold one picture.",
        "FORMAT");
    const QCommandLineOption qualityOption(
        "quality",
        QStringLiteral("Quality of jpg and lossy webp outputs, 0..100 (default %1).")
            .arg(kDefaultJpegQuality),
        "N");
    const QCommandLineOption effortOption(
        "effort",
        QStringLiteral("How hard the encoder works for a smaller file, 0 (fastest) and up. png: "
                       "0..9, zlib's level, row filters from 5 on (default %1). tiff: 0 "
                       "uncompressed, 1..9 deflated at that level (default %2). webp: 0..6, "
                       "libwebp's method (default %3); with --lossless 0..9 (default %4).")
            .arg(kDefaultPngEffort)
            .arg(kDefaultTiffEffort)
            .arg(kDefaultWebpEffort)
            .arg(kDefaultLosslessWebpEffort),
        "N");
    const QCommandLineOption losslessOption("lossless",
                                            "WebP outputs without loss: every pixel kept.");
    const QCommandLineOption jobsOption(
        {"j", "jobs"}, QStringLiteral("Files converted in parallel (default: one per core)."), "N");
    const QCommandLineOption filesFromOption(
        "files-from",
        QStringLiteral("Also convert the files named in LIST, one a line; - reads standard input. "
                       "The list is read as the batch goes; a name has at most %1 bytes.")
            .arg(kMaxListedNameBytes),
        "LIST");
    const QCommandLineOption nulOption(
        {"0", "null"}, "Names in the --files-from list end with NUL, not a line end.");
    const QCommandLineOption frameOption(
        "frame", "Of an animation or a document of several pages, only frame N (from 1).", "N");
    const QCommandLineOption eachFrameOption(
        "each-frame",
        "Of an animation or a document of several pages in a format that holds one picture: "
        "every frame in a file of its own, NAME-scanlines-0001.png, NAME-scanlines-0002.png, "
        "...; with -o - one after another on standard output.");
    const QCommandLineOption streamOption(
        "stream",
        "Video through pipes: reads pictures one after another from INPUT (- for standard "
        "input) to its end, ppm/pam, bmp or png, concatenated as ffmpeg -f image2pipe writes "
        "them, and writes each one's result in turn to the output (standard output by "
        "default) in --format: ppm (default), bmp, png or jpg.");
    const QCommandLineOption forceOption(
        {"f", "force"}, "Replace existing outputs (a regular file, or a link: the link itself).");
    const QCommandLineOption quietOption({"q", "quiet"}, "No progress and no per-file messages.");
    parser.addOptions({scaleOption, redOption, blueOption, backOption, outputOption, formatOption,
                       qualityOption, effortOption, losslessOption, frameOption, eachFrameOption,
                       streamOption, jobsOption, filesFromOption, nulOption, forceOption,
                       quietOption});
    parser.addPositionalArgument("INPUT", "Pictures to convert.", "INPUT...");

    const QString help = parser.helpText();
    if (!parser.parse(arguments)) return failure(parser.errorText(), help);

    ParsedCommandLine result;
    if (parser.isSet(helpOption)) {
        result.action = ParsedCommandLine::Action::Help;
        result.text = help;
        return result;
    }
    if (parser.isSet(versionOption)) {
        result.action = ParsedCommandLine::Action::Version;
        result.text = QStringLiteral("%1 %2").arg(QCoreApplication::applicationName(),
                                                  QCoreApplication::applicationVersion());
        return result;
    }

    CliOptions& o = result.options;
    o.jobs = defaultJobs < 1 ? 1 : defaultJobs;
    if (parser.isSet(scaleOption) &&
        !parseInt(parser.value(scaleOption), kMinScale, kMaxScale, o.scale)) {
        return failure(QStringLiteral("--scale must be a whole number from %1 to %2, not '%3'")
                           .arg(kMinScale)
                           .arg(kMaxScale)
                           .arg(parser.value(scaleOption)),
                       help);
    }
    if (parser.isSet(redOption) && !parseInt(parser.value(redOption), 0, kMaxComponent, o.red)) {
        return failure(QStringLiteral("--red must be a whole number from 0 to 255, not '%1'")
                           .arg(parser.value(redOption)),
                       help);
    }
    if (parser.isSet(blueOption) && !parseInt(parser.value(blueOption), 0, kMaxComponent, o.blue)) {
        return failure(QStringLiteral("--blue must be a whole number from 0 to 255, not '%1'")
                           .arg(parser.value(blueOption)),
                       help);
    }
    if (parser.isSet(backOption) && !parseColor(parser.value(backOption), o.background)) {
        return failure(QStringLiteral("--background must be #rrggbb or a colour name, not '%1'")
                           .arg(parser.value(backOption)),
                       help);
    }
    if (parser.isSet(jobsOption) && !parseInt(parser.value(jobsOption), 1, kMaxJobs, o.jobs)) {
        return failure(QStringLiteral("--jobs must be a whole number from 1 to %1, not '%2'")
                           .arg(kMaxJobs)
                           .arg(parser.value(jobsOption)),
                       help);
    }
    o.force = parser.isSet(forceOption);
    o.quiet = parser.isSet(quietOption);
    o.output = nameBytes(parser.value(outputOption));
    if (parser.isSet(formatOption)) {
        o.format = parseFormat(parser.value(formatOption));
        if (!o.format) {
            return failure(QStringLiteral("--format must be one of %1, not '%2'")
                               .arg(supportedFormatList(), parser.value(formatOption)),
                           help);
        }
    }
    for (const auto& [option, value] :
         {std::pair{&qualityOption, &o.encoder.quality}, {&effortOption, &o.encoder.effort}}) {
        if (!parser.isSet(*option)) continue;
        *value = parseWhole(parser.value(*option));
        if (!*value) {
            return failure(QStringLiteral("--%1 must be a whole number, not '%2'")
                               .arg(option->names().constFirst(), parser.value(*option)),
                           help);
        }
    }
    o.encoder.lossless = parser.isSet(losslessOption);
    if (parser.isSet(frameOption)) {
        int frame = 0;
        if (!parseInt(parser.value(frameOption), 1, static_cast<int>(kMaxFrames), frame)) {
            return failure(QStringLiteral("--frame must be a whole number from 1 to %1, not '%2'")
                               .arg(kMaxFrames)
                               .arg(parser.value(frameOption)),
                           help);
        }
        o.frame = frame;
    }
    o.eachFrame = parser.isSet(eachFrameOption);
    if (o.frame && o.eachFrame)
        return failure(QStringLiteral("--frame and --each-frame do not go together"), help);
    o.stream = parser.isSet(streamOption);
    for (const QString& input : parser.positionalArguments()) o.inputs << nameBytes(input);
    if (o.stream) {
        if (o.inputs.isEmpty()) o.inputs << QByteArray(kStandardStreamName);
        if (o.output.isEmpty()) o.output = kStandardStreamName;
        if (const QString problem = streamModeProblem(o, o.frame || o.eachFrame);
            !problem.isEmpty())
            return failure(problem, help);
    }
    o.inputList = nameBytes(parser.value(filesFromOption));
    o.nulSeparated = parser.isSet(nulOption);
    if (o.nulSeparated && !parser.isSet(filesFromOption)) {
        return failure(QStringLiteral("-0 goes with --files-from"), help);
    }
    if (parser.isSet(filesFromOption) && o.inputList.isEmpty()) {
        return failure(QStringLiteral("--files-from needs a file name"), help);
    }
    // An empty list is an empty batch; an empty command line is a mistake.
    if (o.inputs.isEmpty() && o.inputList.isEmpty()) {
        return failure(QStringLiteral("no input picture given"), help);
    }
    if (parser.isSet(outputOption) && o.output.isEmpty()) {
        return failure(QStringLiteral("--output needs a file or folder name"), help);
    }
    if (const QString problem = streamProblem(o); !problem.isEmpty()) return failure(problem, help);
    if (const QString problem = outputProblem(o); !problem.isEmpty()) return failure(problem, help);
    if (const QString problem = settingsProblem(outputFormat(o), o.encoder); !problem.isEmpty()) {
        return failure(problem, help);
    }
    result.action = ParsedCommandLine::Action::Run;
    result.text = help;
    return result;
}

}  // namespace glint
