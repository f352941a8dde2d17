#include "WindowFlow.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchTiming.h"
#include "CountingForm.h"
#include "StallProbe.h"
#include "engine/RowKernel.h"
#include "platform/PictureBox.h"
#include "platform/SystemClipboard.h"
#include "support/RecordingMessageBox.h"
#include "support/ScriptedDialogBackend.h"
#include "ui/InfoLabel.h"
#include "ui/ScaleCombo.h"

namespace glint::bench {

namespace {

constexpr int kPhotoWidth = 4000;
constexpr int kPhotoHeight = 3000;
constexpr int kJpegQuality = 90;
constexpr int kScale = 5;
constexpr int kFirstScaleEntry = 2;    // "Scale 2x" is entry 0
constexpr int kBreakAfterMs = 500;     // into the render
constexpr int kWarmBreakAfterMs = 20;  // a warm render may be over in a tenth of a second
constexpr int kRounds = 2;             // in a fresh window, then again
constexpr int kExposeTimeoutMs = 5000;
constexpr int kPasteTimeoutMs = 120000;
constexpr double kStallTarget = 0.100;  // seconds, for every step and for the Break
constexpr std::uint32_t kSeed = 4242u;

// A photo-like picture: smooth shapes with a little grain, so that it decodes like a photo.
QImage makePhoto() {
    QImage photo(kPhotoWidth, kPhotoHeight, QImage::Format_RGB32);
    std::uint32_t state = kSeed;
    for (int y = 0; y < kPhotoHeight; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(photo.scanLine(y));
        for (int x = 0; x < kPhotoWidth; ++x) {
            state = state * 1664525u + 1013904223u;  // LCG
            const int grain = int(state >> 28);
            const double wave =
                std::sin(x * 0.004) * std::cos(y * 0.006) + std::sin((x + y) * 0.01);
            const int green = std::clamp(int(128 + 60 * wave) + grain, 0, 255);
            row[x] = 0xFF000000u | (std::uint32_t(x * 255 / kPhotoWidth) << 16) |
                     (std::uint32_t(green) << 8) | std::uint32_t(y * 255 / kPhotoHeight);
        }
    }
    return photo;
}

struct Round {
    double open = 0;
    double pick = 0;
    double render = 0;
    double breakLatency = 0;
    double save = 0;
    double copy = 0;
    double paste = 0;
    double pasteSeconds = 0;
    int rowsDrawn = 0;
};

// Rows of `picture` against the renderer: source rows 0..rows-1 as the kernel draws them at
// the form's values, the box's background below. Empty when they agree.
QString differenceFromRenderer(const QImage& picture, const ConstPixelView& src, int rows,
                               const RowValues& values) {
    const int s = values.scale;
    if (picture.width() != src.width * s || picture.height() != src.height * s)
        return QStringLiteral("the result is %1x%2").arg(picture.width()).arg(picture.height());
    std::vector<std::uint32_t> band(std::size_t(picture.width()) * s);
    const PixelView bandView{band.data(), picture.width(), s, picture.width()};
    const std::size_t rowBytes = std::size_t(picture.width()) * sizeof(std::uint32_t);
    for (int i = 0; i < rows; ++i) {
        if (drawSourceRow(src, i, src.width - 1, values, bandView, s * i).failed())
            return QStringLiteral("the kernel failed");
        for (int k = 0; k < s; ++k) {
            if (std::memcmp(picture.constScanLine(s * i + k), bandView.row(k), rowBytes) != 0)
                return QStringLiteral("row %1 differs from the kernel's").arg(s * i + k);
        }
    }
    const std::uint32_t back = toPixel(kDefaultBoxBackColor);
    for (int y = rows * s; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        if (!std::all_of(row, row + picture.width(), [back](std::uint32_t p) { return p == back; }))
            return QStringLiteral("row %1 is not the background").arg(y);
    }
    return {};
}

// Whether a picture read back (the pasted one) holds the result's pixels.
bool samePixels(const QImage& readBack, const QImage& result) {
    if (readBack.size() != result.size()) return false;
    const QImage rgb = readBack.convertToFormat(QImage::Format_RGB32);
    const std::size_t rowBytes = std::size_t(result.width()) * sizeof(std::uint32_t);
    for (int y = 0; y < result.height(); ++y) {
        if (std::memcmp(rgb.constScanLine(y), result.constScanLine(y), rowBytes) != 0) return false;
    }
    return true;
}

// Whether a 24-bit bitmap file holds the result's pixels; read row by row, as Qt's reader
// refuses a bitmap this large.
bool bitmapHolds(const QString& fileName, const QImage& result) {
    constexpr int kHeaderBytes = 54;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const QByteArray header = file.read(kHeaderBytes);
    const auto field = [&header](int at) {
        std::int32_t value = 0;
        std::memcpy(&value, header.constData() + at, sizeof value);
        return value;
    };
    if (header.size() != kHeaderBytes || !header.startsWith("BM") || field(18) != result.width() ||
        field(22) != result.height() || (field(28) & 0xFFFF) != 24 || !file.seek(field(10)))
        return false;
    const qint64 rowBytes = (qint64(result.width()) * 3 + 3) / 4 * 4;
    QByteArray row(rowBytes, Qt::Uninitialized);
    for (int y = result.height() - 1; y >= 0; --y) {  // bottom-up
        if (file.read(row.data(), rowBytes) != rowBytes) return false;
        const auto* bgr = reinterpret_cast<const uchar*>(row.constData());
        const auto* want = reinterpret_cast<const std::uint32_t*>(result.constScanLine(y));
        for (int x = 0; x < result.width(); ++x, bgr += 3) {
            if ((want[x] & 0xFFFFFFu) != (std::uint32_t(bgr[2]) << 16 | bgr[1] << 8 | bgr[0]))
                return false;
        }
    }
    return true;
}

void pickScale(Form1& form, int scale) {
    form.controls().ComboScale->setCurrentIndex(scale - kFirstScaleEntry);
    form.ComboScale_Click();
}

// Make Raster with Break clicked `breakAfterMs` in; the latency runs from the click until the
// window has painted what the end of the render shows.
bool renderAndBreak(CountingForm& form, int breakAfterMs, Round& round, StallProbe& probe) {
    const Form1Controls& c = form.controls();
    Clock::time_point clicked{};
    QTimer::singleShot(breakAfterMs, &form, [&] {
        clicked = Clock::now();
        c.CmdBreak->click();
    });
    form.yields = 0;
    probe.start();
    form.CmdRaster_Click();
    QCoreApplication::processEvents();  // paints the end of the render
    round.render = probe.stop();
    round.breakLatency = secondsSince(clicked);
    round.rowsDrawn = form.yields;
    if (clicked == Clock::time_point{} || !c.CmdSave->isEnabled() || c.CmdBreak->isVisible()) {
        std::fprintf(stderr, "the render did not end at the Break (%d rows, %s)\n", form.yields,
                     qPrintable(c.LblInfo->caption()));
        return false;
    }
    return true;
}

// Another program asks for the clipboard's picture as image/png; false when it got none.
bool paste(const QString& into, Round& round, StallProbe& probe) {
    QProcess xclip;
    xclip.setStandardOutputFile(into);
    const Stopwatch watch;
    probe.start();
    xclip.start(QStringLiteral("xclip"),
                {QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                 QStringLiteral("image/png"), QStringLiteral("-o")});
    QElapsedTimer waited;
    waited.start();
    while (xclip.state() != QProcess::NotRunning && waited.elapsed() < kPasteTimeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, StallProbe::kTickMs);
    round.paste = probe.stop();
    round.pasteSeconds = watch.wallSeconds();
    if (xclip.state() != QProcess::NotRunning) {
        xclip.kill();
        xclip.waitForFinished();
        std::fprintf(stderr, "the paste did not finish\n");
        return false;
    }
    return xclip.exitStatus() == QProcess::NormalExit && xclip.exitCode() == 0;
}

bool runRound(CountingForm& form, ScriptedDialogBackend& dialogs, RecordingMessageBox& messages,
              const QString& photo, const QString& workDir, Round& round) {
    const Form1Controls& c = form.controls();
    StallProbe probe;

    dialogs.queuePath(photo);
    probe.start();
    form.CmdLoad_Click();
    round.open = probe.stop();
    if (!c.CmdRaster->isEnabled() || !messages.errors().isEmpty()) {
        std::fprintf(stderr, "the photo did not open\n");
        return false;
    }

    probe.start();
    pickScale(form, kFirstScaleEntry + 1);  // from another scale, as a person would
    pickScale(form, kScale);
    QCoreApplication::processEvents();
    round.pick = probe.stop();

    if (!renderAndBreak(form, kBreakAfterMs, round, probe)) return false;

    const QString saved = QDir(workDir).filePath(QStringLiteral("result.bmp"));
    dialogs.queuePath(saved);
    probe.start();
    form.CmdSave_Click();
    QCoreApplication::processEvents();
    round.save = probe.stop();
    if (!messages.errors().isEmpty() || !bitmapHolds(saved, c.PicDst->picture())) {
        std::fprintf(stderr, "the saved file is not the result\n");
        return false;
    }
    QFile::remove(saved);

    probe.start();
    QTest::keyClick(form.focusWidget(), Qt::Key_C, Qt::ControlModifier);
    QCoreApplication::processEvents();
    round.copy = probe.stop();
    if (!c.LblInfo->caption().startsWith(QStringLiteral("New pic is now in clipboard."))) {
        std::fprintf(stderr, "Ctrl+C did not copy\n");
        return false;
    }

    const QString pasted = QDir(workDir).filePath(QStringLiteral("pasted.png"));
    if (!paste(pasted, round, probe) || !samePixels(QImage(pasted, "PNG"), c.PicDst->picture())) {
        std::fprintf(stderr, "the pasted picture is not the result\n");
        return false;
    }
    QFile::remove(pasted);

    // Read last: reading the result takes what it still lacks, which the save and the copy
    // must have done themselves.
    const RowValues values{form.rasterScale(), form.backCol(), form.redVal(), form.blueVal()};
    const QString drawn =
        differenceFromRenderer(c.PicDst->picture(), c.PicSrc->pixels(), round.rowsDrawn, values);
    if (!drawn.isEmpty()) {
        std::fprintf(stderr, "the result after the Break: %s\n", qPrintable(drawn));
        return false;
    }
    return messages.errors().isEmpty();
}

void printRound(const char* name, const Round& r) {
    std::printf(
        "window flow %s %dx%d x%d: longest stall (ms) open %.0f, scale pick %.0f, render "
        "%.0f, save %.0f, copy %.0f, paste %.0f (the paste took %.1f s); Break after %d "
        "rows: %.0f ms\n",
        name, kPhotoWidth, kPhotoHeight, kScale, r.open * 1e3, r.pick * 1e3, r.render * 1e3,
        r.save * 1e3, r.copy * 1e3, r.paste * 1e3, r.pasteSeconds, r.rowsDrawn,
        r.breakLatency * 1e3);
    const double longest = std::max({r.open, r.pick, r.render, r.save, r.copy, r.paste});
    std::printf(
        "window flow %s: Break %.0f ms, longest stall %.0f ms (target <= %.0f ms for both)\n", name,
        r.breakLatency * 1e3, longest * 1e3, kStallTarget * 1e3);
}

}  // namespace

bool benchWindowFlow(const QString& workDir) {
    if (QStandardPaths::findExecutable(QStringLiteral("xclip")).isEmpty()) {
        std::fprintf(stderr, "window flow: xclip is missing (scripts/install-deps.sh)\n");
        return false;
    }
    // The pictures read back are far larger than Qt reads by default.
    QImageReader::setAllocationLimit(0);
    const QString photo = QDir(workDir).filePath(QStringLiteral("photo.jpg"));
    if (!makePhoto().save(photo, "JPEG", kJpegQuality)) {
        std::fprintf(stderr, "window flow: cannot write the photo\n");
        return false;
    }

    ScriptedDialogBackend dialogs;
    RecordingMessageBox messages;
    SystemClipboard clipboard;
    CountingForm form(dialogs, messages, clipboard);
    form.Form_Load();
    if (!QTest::qWaitForWindowExposed(&form, kExposeTimeoutMs)) {
        std::fprintf(stderr, "window flow: the window was not shown\n");
        return false;
    }
    bool ok = true;
    for (int n = 0; n < kRounds && ok; ++n) {
        Round round;
        ok = runRound(form, dialogs, messages, photo, workDir, round);
        // The second road's render draws into new memory too: the clipboard holds the first
        // road's result.
        if (ok) printRound(n == 0 ? "cold (a fresh window)" : "again (the same window)", round);
    }
    // A warm Break: the render before it left its memory to this one (nothing else holds it).
    // Clearing the clipboard also leaves nothing of ours for the X server to ask about at exit.
    QGuiApplication::clipboard()->clear();
    StallProbe probe;
    Round first;
    Round warm;
    ok = ok && renderAndBreak(form, kWarmBreakAfterMs, first, probe) &&
         renderAndBreak(form, kWarmBreakAfterMs, warm, probe);
    if (ok) {
        std::printf(
            "window flow warm (render after render): Break after %d rows: %.0f ms, "
            "longest stall %.0f ms\n",
            warm.rowsDrawn, warm.breakLatency * 1e3, warm.render * 1e3);
    }
    return ok;
}

}  // namespace glint::bench
