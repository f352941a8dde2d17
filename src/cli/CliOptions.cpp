#include "CliOptions.h"

#include <QColor>
#include <QCommandLineParser>
#include <QFileInfo>

#include "OutputFormat.h"
#include "io/ReadableFormats.h"

namespace glint {

namespace {

const char* const kDescription =
    "Converts pictures into the scan-line look: every source row becomes a row of pixel runs\n"
    "(green from the picture, red and blue as given) followed by scale-1 rows of the\n"
    "background colour. Error messages are shown also with --quiet.";

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

// Checks --output against the inputs; empty when it is usable.
QString outputProblem(const QString& output, qsizetype inputCount) {
    if (output.isEmpty()) return {};
    const QFileInfo info(output);
    if (info.isDir()) return {};
    if (output.endsWith('/')) return QStringLiteral("output folder '%1' does not exist").arg(output);
    if (inputCount > 1) {
        return QStringLiteral("several inputs need an existing folder as --output, not '%1'")
            .arg(output);
    }
    const auto format = formatForPath(output);
    if (!format) {
        return QStringLiteral("unsupported output format '%1' (use %2)")
            .arg(info.suffix(), supportedFormatList());
    }
    if (!writerAvailable(*format)) {
        return QStringLiteral("this installation cannot write %1 files")
            .arg(QString::fromLatin1(formatName(*format)));
    }
    return {};
}

}  // namespace

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
    const QCommandLineOption scaleOption(
        {"s", "scale"}, QStringLiteral("Enlargement factor, %1..%2 (default %3).")
                            .arg(kMinScale).arg(kMaxScale).arg(kDefaultScale),
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
        "bmp (default), png, jpg, tiff, webp. Default: NAME-scanlines.bmp beside each input.",
        "PATH");
    const QCommandLineOption jobsOption(
        {"j", "jobs"},
        QStringLiteral("Files converted in parallel (default %1, the number of cores).")
            .arg(defaultJobs),
        "N");
    const QCommandLineOption forceOption({"f", "force"}, "Replace existing outputs.");
    const QCommandLineOption quietOption({"q", "quiet"}, "No progress and no per-file messages.");
    parser.addOptions({scaleOption, redOption, blueOption, backOption, outputOption, jobsOption,
                       forceOption, quietOption});
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
                           .arg(kMinScale).arg(kMaxScale).arg(parser.value(scaleOption)),
                       help);
    }
    if (parser.isSet(redOption) && !parseInt(parser.value(redOption), 0, kMaxComponent, o.red)) {
        return failure(QStringLiteral("--red must be a whole number from 0 to 255, not '%1'")
                           .arg(parser.value(redOption)),
                       help);
    }
    if (parser.isSet(blueOption) &&
        !parseInt(parser.value(blueOption), 0, kMaxComponent, o.blue)) {
        return failure(QStringLiteral("--blue must be a whole number from 0 to 255, not '%1'")
                           .arg(parser.value(blueOption)),
                       help);
    }
    if (parser.isSet(backOption) && !parseColor(parser.value(backOption), o.background)) {
        return failure(
            QStringLiteral("--background must be #rrggbb or a colour name, not '%1'")
                .arg(parser.value(backOption)),
            help);
    }
    if (parser.isSet(jobsOption) && !parseInt(parser.value(jobsOption), 1, kMaxJobs, o.jobs)) {
        return failure(QStringLiteral("--jobs must be a whole number from 1 to %1, not '%2'")
                           .arg(kMaxJobs).arg(parser.value(jobsOption)),
                       help);
    }
    o.force = parser.isSet(forceOption);
    o.quiet = parser.isSet(quietOption);
    o.output = parser.value(outputOption);
    o.inputs = parser.positionalArguments();
    if (o.inputs.isEmpty()) return failure(QStringLiteral("no input picture given"), help);
    if (parser.isSet(outputOption) && o.output.isEmpty()) {
        return failure(QStringLiteral("--output needs a file or folder name"), help);
    }
    if (const QString problem = outputProblem(o.output, o.inputs.size()); !problem.isEmpty()) {
        return failure(problem, help);
    }
    result.action = ParsedCommandLine::Action::Run;
    return result;
}

}  // namespace glint
