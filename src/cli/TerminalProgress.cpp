#include "TerminalProgress.h"

#include <algorithm>
#include <cmath>

#include "NameText.h"

namespace glint {

namespace {
constexpr int kBarWidth = 24;
constexpr auto kRedrawInterval = std::chrono::milliseconds(100);
constexpr const char* kClearLine = "\r\x1b[K";

int percent(double fraction) {
    return static_cast<int>(std::floor(std::clamp(fraction, 0.0, 1.0) * 100.0));
}
}  // namespace

QString timeLeft(const BatchSnapshot& snapshot) {
    if (snapshot.overall <= 0.0 || !snapshot.totalKnown) return QStringLiteral("--:--");
    const double left = snapshot.elapsedSeconds * (1.0 - snapshot.overall) / snapshot.overall;
    const auto total = static_cast<long long>(std::llround(left));
    const long long h = total / 3600;
    const long long m = total / 60 % 60;
    const long long s = total % 60;
    if (h > 0) {
        return QStringLiteral("%1:%2:%3")
            .arg(h)
            .arg(m, 2, 10, QChar('0'))
            .arg(s, 2, 10, QChar('0'));
    }
    return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QChar('0'));
}

QString statusLine(const BatchSnapshot& snapshot, int columns) {
    const int filled = static_cast<int>(std::clamp(snapshot.overall, 0.0, 1.0) * kBarWidth);
    QString line = QStringLiteral("[") + QString(filled, QChar('#')) +
                   QString(kBarWidth - filled, QChar('.')) + QStringLiteral("] ");
    line += QStringLiteral("%1% %2/%3%4 files, %5 left")
                .arg(percent(snapshot.overall), 3)
                .arg(snapshot.finished)
                .arg(snapshot.total)
                .arg(snapshot.totalKnown ? QString() : QStringLiteral("+"))
                .arg(timeLeft(snapshot));
    for (const RunningFile& file : snapshot.running) {
        line += QStringLiteral(" | %1 %2%")
                    .arg(shownText(file.input), QString::number(percent(file.fraction)));
    }
    if (columns > 0 && line.size() > columns) line.truncate(columns);
    return line;
}

void TerminalProgress::clear() {
    if (shown_) std::fputs(kClearLine, out_);
    shown_ = false;
}

void TerminalProgress::draw(const BatchSnapshot& snapshot) {
    // Leave the last column free so that the cursor never wraps.
    const QString line = statusLine(snapshot, columns_ - 1);
    std::fprintf(out_, "%s%s", kClearLine, qPrintable(line));
    std::fflush(out_);
    shown_ = true;
    lastDraw_ = std::chrono::steady_clock::now();
}

void TerminalProgress::fileDone(const FileReport& report, const BatchSnapshot& snapshot) {
    clear();
    std::fprintf(out_, "%s\n", qPrintable(reportLine(report)));
    draw(snapshot);
}

void TerminalProgress::update(const BatchSnapshot& snapshot) {
    if (std::chrono::steady_clock::now() - lastDraw_ >= kRedrawInterval) draw(snapshot);
}

void TerminalProgress::finish(const BatchSnapshot& snapshot) {
    clear();
    if (const QString summary = summaryLine(snapshot); !summary.isEmpty() && snapshot.total > 1) {
        std::fprintf(out_, "%s\n", qPrintable(summary));
    }
    std::fflush(out_);
}

}  // namespace glint
