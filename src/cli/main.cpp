// glintwork-cli: converts picture files into the scan-line look, in batches.
#include <signal.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QThread>
#include <cstdio>
#include <memory>

#include "AliasedProgress.h"
#include "BatchRunner.h"
#include "CliOptions.h"
#include "LineProgress.h"
#include "OutputPlan.h"
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

// The plan, with standard input's picture read into `spool` and converted from there; a
// failure to read it becomes that file's error.
std::vector<glint::PlannedFile> planWithStdin(const glint::CliOptions& options,
                                              glint::StdinSpool& spool) {
    std::vector<glint::PlannedFile> plan = glint::planOutputs(options);
    for (glint::PlannedFile& file : plan) {
        if (!glint::isStandardStream(file.input) || !file.error.isEmpty()) continue;
        if (const glint::Status st = spool.fill(); st.failed()) {
            file.error = QString::fromStdString(st.reason());
        } else {
            file.input = spool.path();
        }
    }
    return plan;
}

// Ctrl-C, a hang-up or a kill: the helper processes decoding pictures now go with the tool. They
// run in process groups of their own, which the terminal's signals do not reach.
void stopWithHelpers(int signal) {
    glint::killRunningHelpers();
    ::signal(signal, SIG_DFL);
    ::raise(signal);
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

    using Action = glint::ParsedCommandLine::Action;
    const glint::ParsedCommandLine parsed =
        glint::parseCommandLine(QCoreApplication::arguments(), QThread::idealThreadCount());
    switch (parsed.action) {
        case Action::Help:
        case Action::Version:
            std::fprintf(stdout, "%s\n", qPrintable(parsed.text));
            return 0;
        case Action::Error:
            std::fprintf(stderr, "glintwork-cli: %s\n\n%s", qPrintable(parsed.error),
                         qPrintable(parsed.text));
            return kExitBadArguments;
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
    glint::RowValues values;
    values.scale = o.scale;
    values.redVal = o.red;
    values.blueVal = o.blue;
    values.backCol = o.background;

    std::unique_ptr<glint::ProgressView> view;
    if (!o.quiet && isatty(STDERR_FILENO)) {
        view = std::make_unique<glint::TerminalProgress>(stderr, terminalColumns());
    } else {
        view = std::make_unique<glint::LineProgress>(stderr, o.quiet);
    }
    glint::StdinSpool spool;
    glint::BatchRunner runner(planWithStdin(o, spool), values, o.encoder, o.force, o.jobs);
    glint::AliasedProgress shown(*view, spool.path(),
                                 QString::fromLatin1(glint::kStandardStreamName));
    return runner.run(shown) > 0 ? kExitFailedFiles : 0;
}
