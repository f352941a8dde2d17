// Full renders through the window's Make Raster on a real display, against the row kernel alone
// on the same picture, and the cost of an idle yield to the event loop in the same run.
// What the window spends per row beyond the kernel (progress text, repaint, the yield itself)
// should stay within 1.2 x an idle yield; every source row must yield once. The clear of PicDst
// at the start of a render is a fill of the whole destination, once per render: it is timed on
// its own and shown apart from the row loop.
#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QImage>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "BenchTiming.h"
#include "engine/RowKernel.h"
#include "io/FakeClipboard.h"
#include "platform/PictureBox.h"
#include "platform/RecordingMessageBox.h"
#include "platform/ScriptedDialogBackend.h"
#include "ui/Form1.h"
#include "ui/ScaleCombo.h"

namespace {

using glint::bench::Clock;

constexpr int kSourceSide = 2048;
constexpr int kRenderRepetitions = 5;
constexpr int kIdleRepetitions = 9;
constexpr int kIdleYieldsPerRepetition = 1000;
constexpr int kSettleMs = 200;
constexpr int kExposeTimeoutMs = 5000;
constexpr int kFirstScaleEntry = 2;  // "Scale 2x" is entry 0
constexpr double kTargetRatio = 1.2;
constexpr std::uint32_t kSeed = 12345u;

using glint::bench::median;
using glint::bench::secondsSince;

// The window with its yields counted, and the time spent in them and in the progress text.
class CountingForm : public glint::Form1 {
public:
    using Form1::Form1;
    int yields = 0;
    double yieldSeconds = 0;
    double infoSeconds = 0;

    void reset() {
        yields = 0;
        yieldSeconds = 0;
        infoSeconds = 0;
    }
    void doEvents() override {
        ++yields;
        const Clock::time_point start = Clock::now();
        Form1::doEvents();
        yieldSeconds += secondsSince(start);
    }
    void setInfo(const std::string& caption) override {
        const Clock::time_point start = Clock::now();
        Form1::setInfo(caption);
        infoSeconds += secondsSince(start);
    }
};

QImage makeSource() {
    QImage picture(kSourceSide, kSourceSide, QImage::Format_RGB32);
    std::uint32_t state = kSeed;
    for (int y = 0; y < kSourceSide; ++y) {
        auto* row = reinterpret_cast<std::uint32_t*>(picture.scanLine(y));
        for (int x = 0; x < kSourceSide; ++x) {
            state = state * 1664525u + 1013904223u;  // LCG
            row[x] = 0xFF000000u | (state >> 8);
        }
    }
    return picture;
}

// Lets whatever the window still has to do (layout, exposure, late repaints) run out.
void settle() {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < kSettleMs) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
}

double idleYieldSeconds() {
    settle();
    std::vector<double> perYield;
    for (int rep = 0; rep < kIdleRepetitions; ++rep) {
        const Clock::time_point start = Clock::now();
        for (int n = 0; n < kIdleYieldsPerRepetition; ++n) QCoreApplication::processEvents();
        perYield.push_back(secondsSince(start) / kIdleYieldsPerRepetition);
    }
    return median(perYield);
}

// The kernel alone over every row of the window's source, into a buffer of PicDst's size.
// Returns a negative time on a kernel failure.
double engineSeconds(CountingForm& form, std::vector<std::uint32_t>& buffer) {
    const glint::ConstPixelView src = form.picSrc().pixels();
    const glint::ConstPixelView shape = form.picDst().pixels();
    buffer.assign(std::size_t(shape.width) * std::size_t(shape.height), 0u);
    const glint::PixelView dst{buffer.data(), shape.width, shape.height, shape.width};
    const glint::RowValues values{form.rasterScale(), form.backCol(), form.redVal(),
                                  form.blueVal()};
    const Clock::time_point start = Clock::now();
    for (std::int32_t i = 0; i < src.height; ++i) {
        if (glint::drawSourceRow(src, i, src.width - 1, values, dst).failed()) return -1;
    }
    return secondsSince(start);
}

bool sameAsEngine(const glint::PictureBox& box, const std::vector<std::uint32_t>& buffer) {
    const QImage shown = box.image();
    const std::size_t rowBytes = std::size_t(shown.width()) * sizeof(std::uint32_t);
    for (int y = 0; y < shown.height(); ++y) {
        if (std::memcmp(shown.constScanLine(y), buffer.data() + std::size_t(y) * shown.width(),
                        rowBytes) != 0)
            return false;
    }
    return true;
}

// Times window renders and kernel runs in turn at one scale; false when something failed.
bool benchScale(CountingForm& form, int scale, double idle) {
    const glint::Form1Controls& c = form.controls();
    c.ComboScale->setCurrentIndex(scale - kFirstScaleEntry);
    form.ComboScale_Click();
    settle();

    std::vector<std::uint32_t> buffer;
    std::vector<double> windowTimes;
    std::vector<double> engineTimes;
    std::vector<double> clearTimes;
    std::vector<double> insideTimes;  // in the yields and the progress text, per row
    const int rows = kSourceSide;
    int yields = rows;  // per render; a render that yields otherwise is shown instead
    for (int rep = 0; rep < kRenderRepetitions; ++rep) {
        const double engine = engineSeconds(form, buffer);
        if (engine < 0) {
            std::fprintf(stderr, "kernel failed at scale %d\n", scale);
            return false;
        }
        engineTimes.push_back(engine);

        const Clock::time_point clearStart = Clock::now();
        form.picDst().assignEmptyPicture();
        clearTimes.push_back(secondsSince(clearStart));
        settle();

        form.reset();
        const Clock::time_point start = Clock::now();
        form.CmdRaster_Click();
        windowTimes.push_back(secondsSince(start));
        insideTimes.push_back((form.yieldSeconds + form.infoSeconds) / rows);
        if (form.yields != rows) yields = form.yields;
        if (!c.CmdSave->isEnabled()) {
            std::fprintf(stderr, "render at scale %d did not finish\n", scale);
            return false;
        }
        settle();
    }
    if (!sameAsEngine(*c.PicDst, buffer)) {
        std::fprintf(stderr, "window result differs from the kernel's at scale %d\n", scale);
        return false;
    }

    const double window = median(windowTimes);
    const double engine = median(engineTimes);
    const double clear = median(clearTimes);
    const double outsidePerRow = (window - engine - clear) / rows;
    std::printf("window scale=%d: %.1f ms per render, engine: %.1f ms, clear: %.1f ms\n", scale,
                window * 1e3, engine * 1e3, clear * 1e3);
    std::printf("window/engine scale=%d: %.2f\n", scale, window / engine);
    std::printf("outside engine per row scale=%d: %.2f us\n", scale, outsidePerRow * 1e6);
    std::printf("outside/idle scale=%d: %.2f (target <= %.1f)\n", scale, outsidePerRow / idle,
                kTargetRatio);
    std::printf("in yield and progress text per row scale=%d: %.2f us (%.2f x idle)\n", scale,
                median(insideTimes) * 1e6, median(insideTimes) / idle);
    std::printf("clear per row scale=%d: %.2f us; with it, outside/idle: %.2f\n", scale,
                clear / rows * 1e6, (outsidePerRow + clear / rows) / idle);
    std::printf("yields scale=%d: %d of %d rows\n", scale, yields, rows);
    return yields == rows;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("source.bmp"));
    if (!dir.isValid() || !makeSource().save(file, "BMP")) {
        std::fprintf(stderr, "cannot write the test picture\n");
        return 1;
    }

    glint::ScriptedDialogBackend dialogs;
    glint::RecordingMessageBox messages;
    glint::FakeClipboard clipboard;
    CountingForm form(dialogs, messages, clipboard);
    form.Form_Load();
    if (!QTest::qWaitForWindowExposed(&form, kExposeTimeoutMs)) {
        std::fprintf(stderr, "the window was not shown\n");
        return 1;
    }
    dialogs.queuePath(file);
    form.CmdLoad_Click();
    if (!form.controls().CmdRaster->isEnabled() || !messages.errors().isEmpty()) {
        std::fprintf(stderr, "the picture did not load\n");
        return 1;
    }

    const double idle = idleYieldSeconds();
    std::printf("idle yield: %.2f us\n", idle * 1e6);
    bool ok = true;
    for (int scale : {2, 5}) ok = benchScale(form, scale, idle) && ok;
    std::printf("idle yield after: %.2f us\n", idleYieldSeconds() * 1e6);
    return ok && messages.errors().isEmpty() ? 0 : 1;
}
