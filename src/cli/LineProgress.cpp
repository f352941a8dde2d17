#include "LineProgress.h"

#include "NameText.h"

namespace glint {

QString reportLine(const FileReport& report) {
    const ConvertOutcome& o = report.outcome;
    // Messages may hold names too: the whole line is made safe.
    if (!o.ok) return shownText(QStringLiteral("%1: %2").arg(report.input, o.error));
    return shownText(QStringLiteral("%1 -> %2").arg(report.input, report.output)) +
           QStringLiteral(" (%1x%2 -> %3x%4)")
               .arg(o.sourceWidth)
               .arg(o.sourceHeight)
               .arg(o.width)
               .arg(o.height);
}

QString summaryLine(const BatchSnapshot& snapshot) {
    if (snapshot.failed == 0) return {};
    return QStringLiteral("%1 of %2 %3 failed")
        .arg(snapshot.failed)
        .arg(snapshot.total)
        .arg(snapshot.total == 1 ? QStringLiteral("file") : QStringLiteral("files"));
}

void LineProgress::fileDone(const FileReport& report, const BatchSnapshot&) {
    if (quiet_ && report.outcome.ok) return;
    std::fprintf(out_, "%s\n", qPrintable(reportLine(report)));
    std::fflush(out_);
}

void LineProgress::finish(const BatchSnapshot& snapshot) {
    if (quiet_ || snapshot.total < 2) return;
    if (const QString summary = summaryLine(snapshot); !summary.isEmpty()) {
        std::fprintf(out_, "%s\n", qPrintable(summary));
    }
}

}  // namespace glint
