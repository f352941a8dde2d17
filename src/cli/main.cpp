// glintwork-cli: converts picture files into the scan-line look, in batches.
#include <sys/ioctl.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QThread>
#include <cstdio>
#include <memory>

#include "BatchRunner.h"
#include "CliOptions.h"
#include "LineProgress.h"
#include "OutputPlan.h"
#include "TerminalProgress.h"

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

int terminalColumns() {
    winsize size{};
    if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
    return kDefaultColumns;
}

}  // namespace

int main(int argc, char** argv) {
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
    glint::BatchRunner runner(glint::planOutputs(o), values, o.force, o.jobs);
    return runner.run(*view) > 0 ? kExitFailedFiles : 0;
}
