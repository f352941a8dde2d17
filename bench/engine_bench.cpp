// Render speed of the row kernel against memset of the same bytes (streamed stores, as the
// render stores; cached stores shown besides), and the cost of one yield to the event loop on
// the offscreen platform.
#include <QApplication>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "BenchTiming.h"
#include "engine/ColorValue.h"
#include "engine/RowKernel.h"

namespace {

using glint::bench::Clock;

constexpr std::int32_t kSourceSide = 2048;
constexpr int kRenderRepetitions = 7;
constexpr int kYieldRepetitions = 9;
constexpr int kYieldsPerRepetition = 2000;
constexpr std::uint32_t kSeed = 12345u;

using glint::bench::median;
using glint::bench::secondsSince;

std::vector<std::uint32_t> makeSource() {
    std::vector<std::uint32_t> pixels(std::size_t{kSourceSide} * kSourceSide);
    std::uint32_t state = kSeed;
    for (std::uint32_t& p : pixels) {
        state = state * 1664525u + 1013904223u;  // LCG
        p = 0xFF000000u | (state >> 8);
    }
    return pixels;
}

// Times full renders and memsets of the destination in turn; returns false on a kernel failure.
bool benchScale(const std::vector<std::uint32_t>& source, std::int32_t scale) {
    const glint::ConstPixelView src{source.data(), kSourceSide, kSourceSide, kSourceSide};
    const std::int32_t side = kSourceSide * scale;
    std::vector<std::uint32_t> buffer(std::size_t(side) * std::size_t(side), 0xFF808080u);
    const glint::PixelView dst{buffer.data(), side, side, side};
    const glint::RowValues values{scale, glint::RGB(10, 20, 30), 200, 10};
    const std::size_t bytes = buffer.size() * sizeof(std::uint32_t);

    // The kernel as the render calls it (streamed stores), and with cached stores as the batch
    // tool draws into its band.
    std::vector<double> renderTimes;
    std::vector<double> cachedTimes;
    std::vector<double> memsetTimes;
    for (int rep = 0; rep < kRenderRepetitions; ++rep) {
        for (const glint::RowStores stores :
             {glint::RowStores::Streaming, glint::RowStores::Cached}) {
            const Clock::time_point renderStart = Clock::now();
            for (std::int32_t i = 0; i < kSourceSide; ++i) {
                if (glint::drawSourceRow(src, i, kSourceSide - 1, values, dst, 0, stores)
                        .failed()) {
                    std::fprintf(stderr, "kernel failed at row %d\n", i);
                    return false;
                }
            }
            (stores == glint::RowStores::Streaming ? renderTimes : cachedTimes)
                .push_back(secondsSince(renderStart));
        }

        const Clock::time_point memsetStart = Clock::now();
        std::memset(buffer.data(), rep & 0xFF, bytes);
        memsetTimes.push_back(secondsSince(memsetStart));
    }
    // Keeps the last memset observable.
    volatile std::uint32_t sink = buffer[buffer.size() / 2];
    (void)sink;

    const double render = median(renderTimes);
    const double cached = median(cachedTimes);
    const double fill = median(memsetTimes);
    std::printf("engine scale=%d: %.2f ms per render (%dx%d, %.0f MB)\n", scale, render * 1e3, side,
                side, double(bytes) / 1e6);
    std::printf("memset scale=%d: %.2f ms\n", scale, fill * 1e3);
    std::printf("engine/memset scale=%d: %.2f (with cached stores: %.2f)\n", scale, render / fill,
                cached / fill);
    return true;
}

void benchYield(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QWidget window;
    window.resize(640, 480);
    window.show();
    QCoreApplication::processEvents();

    std::vector<double> perYield;
    for (int rep = 0; rep < kYieldRepetitions; ++rep) {
        const Clock::time_point start = Clock::now();
        for (int n = 0; n < kYieldsPerRepetition; ++n) QCoreApplication::processEvents();
        perYield.push_back(secondsSince(start) / kYieldsPerRepetition);
    }
    std::printf("yield offscreen: %.2f us\n", median(perYield) * 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::uint32_t> source = makeSource();
    for (std::int32_t scale : {2, 5}) {
        if (!benchScale(source, scale)) return 1;
    }
    benchYield(argc, argv);
    return 0;
}
