// glintwork-cli: converts picture files into the scan-line look, in batches.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QThread>
#include <csignal>
#include <cstdio>
#include <memory>

#include "BatchFeed.h"
#include "BatchRunner.h"
#include "CliOptions.h"
#include "LineProgress.h"
#include "NameText.h"
#include "StreamConverter.h"
#include "TerminalProgress.h"
#include "io/helper/HelperClient.h"
#include "io/output/StandardStreams.h"

namespace {

constexpr int kExitFailedFiles = 1;
constexpr int kExitBadArguments = 2;
constexpr int kDefaultColumns = 80;

// Qt's own warnings (image plugins, runtime folders) are noise in a batch tool's output;
// only critical messages get through.
void qtMessages(QtMsgType type, const QMessageLogContext&, const QString& message) {
    if (type == QtCriticalMsg || type == QtFatalMsg) {
        std::fprintf(stderr, "glintwork-cli: %s\n", qPrintable(message));
    }
}

// Tells what was wrong with the command line, then how to use the tool.
int badArguments(const QString& error, const QString& usage) {
    std::fprintf(stderr, "glintwork-cli: %s\n\n%s", qPrintable(glint::shownText(error)),
                 qPrintable(usage));
    return kExitBadArguments;
}

// Ctrl-C, a hang-up or a kill: the helper processes decoding pictures now go with the tool. They
// run in process groups of their own, which the terminal's signals do not reach.
void stopWithHelpers(int signal) {
    glint::killRunningHelpers();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
}

// --stream: one line on standard error at the end (unless quiet), the failure always.
int runStream(const glint::CliOptions& o, const glint::ConvertRequest& settings) {
    glint::StreamRequest request;
    request.input = o.inputs.constFirst();
    request.output = o.output;
    request.format = glint::outputFormat(o);
    request.values = settings.values;
    request.encoder = settings.encoder;
    request.force = settings.force;
    const glint::StreamOutcome outcome = glint::convertStream(request);
    const QString input = glint::nameText(request.input);
    if (!outcome.ok) {
        std::fprintf(stderr, "glintwork-cli: %s\n",
                     qPrintable(glint::shownText(input + QStringLiteral(": ") + outcome.error)));
        return kExitFailedFiles;
    }
    if (!o.quiet) {
        std::fprintf(stderr, "%s (%lld %s, %dx%d -> %dx%d)\n",
                     qPrintable(glint::shownText(input + QStringLiteral(" -> ") +
                                                 glint::nameText(request.output))),
                     static_cast<long long>(outcome.pictures),
                     outcome.pictures == 1 ? "picture" : "pictures", outcome.source.width(),
                     outcome.source.height(), outcome.output.width(), outcome.output.height());
    }
    return 0;
}

// Said once, quiet or not: which inputs had frames that their outputs could not hold, and how
// to keep them.
void noteFramesLeftOut(const glint::BatchRunner::FramesLeftOut& leftOut,
                       glint::OutputFormat format) {
    if (leftOut.inputs == 0) return;
    const QString which =
        leftOut.inputs == 1
            ? leftOut.first + QStringLiteral(" has")
            : QStringLiteral("%1 inputs (%2, ...) have").arg(leftOut.inputs).arg(leftOut.first);
    std::fprintf(stderr,
                 "glintwork-cli: %s several frames, of which %s holds only the first: keep them "
                 "all with --format gif or webp (tiff for pages), or each in a numbered file "
                 "with --each-frame; --frame N picks one.\n",
                 qPrintable(glint::shownText(which)), glint::formatName(format));
}

int terminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

}  // namespace

int main(int argc, char** argv) {
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) ::signal(signal, stopWithHelpers);
    // Pictures only: never talk to a display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(qtMessages);
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("glintwork-cli"));
    QCoreApplication::setApplicationVersion(QStringLiteral(GLINT_VERSION));
    // A file over the file size limit fails with its own message; the others go on.
    std::signal(SIGXFSZ, SIG_IGN);

    // The arguments left after Qt took its own, with every byte of the file names kept.
    QStringList arguments;
    for (int i = 0; i < argc; ++i) arguments << glint::nameText(QByteArray(argv[i]));
    using Action = glint::ParsedCommandLine::Action;
    const glint::ParsedCommandLine parsed =
        glint::parseCommandLine(arguments, QThread::idealThreadCount());
    switch (parsed.action) {
        case Action::Help:
        case Action::Version:
            std::fprintf(stdout, "%s\n", qPrintable(parsed.text));
            return 0;
        case Action::Error:
            return badArguments(parsed.error, parsed.text);
        case Action::Run:
            break;
    }

    const glint::CliOptions& o = parsed.options;
    if (glint::isStandardStream(o.output) && isatty(STDOUT_FILENO)) {
        std::fprintf(stderr,
                     "glintwork-cli: will not write a picture to a terminal; redirect standard "
                     "output or use -o FILE\n");
        return kExitBadArguments;
    }
    glint::ConvertRequest settings;
    settings.format = o.format;
    settings.force = o.force;
    settings.encoder = o.encoder;
    settings.values.scale = o.scale;
    settings.values.redVal = o.red;
    settings.values.blueVal = o.blue;
    settings.values.backCol = o.background;
    settings.pick = {o.frame, o.eachFrame};
    if (o.stream) return runStream(o, settings);

    glint::BatchFeed feed(o);
    if (const glint::Status st = feed.open(); st.failed()) {
        return badArguments(
            QStringLiteral("cannot read the list of inputs '%1': %2")
                .arg(glint::nameText(o.inputList), QString::fromStdString(st.reason())),
            parsed.text);
    }

    std::unique_ptr<glint::ProgressView> view;
    if (!o.quiet && isatty(STDERR_FILENO)) {
        view = std::make_unique<glint::TerminalProgress>(stderr, terminalColumns());
    } else {
        view = std::make_unique<glint::LineProgress>(stderr, o.quiet);
    }
    glint::BatchRunner runner(feed, settings, o.jobs);
    const int failed = runner.run(*view);
    noteFramesLeftOut(runner.framesLeftOut(), glint::outputFormat(o));
    return failed > 0 ? kExitFailedFiles : 0;
}
