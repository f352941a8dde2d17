// Photo loading figures: a 12-megapixel (4000 x 3000) HEIC and JPEG XL, made in this run with
// Debian's encoders, loaded by LoadPicture (the photo helper process included) against the
// decode of the same file by ImageMagick 6 (convert to raw pixels, HEIC only: Debian's
// ImageMagick 6 has no JPEG XL coder) and by libvips (vips avg, which decodes every pixel),
// each tool run as a process. Prints wall and processor times (median of several runs, the
// tools taking turns; on a shared machine the processor time is the steadier one), the ratios
// glintwork/ImageMagick and glintwork/libvips, the helper alone, and the largest difference
// between glintwork's pixels and libvips' for the same file; then the time the upright turn of
// a loaded photo takes.
#include <sys/resource.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "BenchTiming.h"
#include "io/decode/ExifOrientation.h"
#include "io/decode/PictureLoader.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;
constexpr int kRuns = 5;
const char* const kConvert = "/usr/bin/convert";  // not whatever "convert" comes first in PATH

struct Timing {
    double wall = -1;  // seconds, median
    double cpu = -1;   // processor seconds of this process and its children, median
};

double cpuSeconds() {
    double total = 0;
    for (const int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        ::getrusage(who, &usage);
        for (const timeval& t : {usage.ru_utime, usage.ru_stime})
            total += static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) * 1e-6;
    }
    return total;
}

// Median timings of each piece of work. The pieces take turns, round after round, so that a
// change in the load of a shared machine falls on all of them alike. Empty when one fails.
std::vector<Timing> medians(const std::vector<std::function<bool()>>& works) {
    std::vector<std::vector<double>> walls(works.size()), cpus(works.size());
    for (int i = 0; i < kRuns; ++i)
        for (size_t w = 0; w < works.size(); ++w) {
            QElapsedTimer clock;
            const double cpuStart = cpuSeconds();
            clock.start();
            if (!works[w]()) return {};
            walls[w].push_back(static_cast<double>(clock.nsecsElapsed()) * 1e-9);
            cpus[w].push_back(cpuSeconds() - cpuStart);
        }
    std::vector<Timing> timings;
    for (size_t w = 0; w < works.size(); ++w)
        timings.push_back({glint::bench::median(walls[w]), glint::bench::median(cpus[w])});
    return timings;
}

Timing median(const std::function<bool()>& work) {
    const std::vector<Timing> timing = medians({work});
    return timing.empty() ? Timing{} : timing.front();
}

bool run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(program, arguments);
    return process.waitForFinished(-1) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

// A photo-like picture: gradients, texture and edges, so the files are of a usual size.
QImage photo() {
    QImage image(kWidth, kHeight, QImage::Format_RGB32);
    for (int y = 0; y < kHeight; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < kWidth; ++x)
            line[x] = qRgb((x / 16) & 0xff, (y / 12 + ((x * 7 + y * 13) & 31)) & 0xff,
                           ((x + y) / 28 + ((x / 200 + y / 150) % 2) * 90) & 0xff);
    }
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return 256;
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = b.pixel(x, y);
            largest = std::max({largest, std::abs(qRed(p) - qRed(q)),
                                std::abs(qGreen(p) - qGreen(q)), std::abs(qBlue(p) - qBlue(q))});
        }
    return largest;
}

// Times one file; false when a tool failed.
bool measure(const QString& label, const QString& file, const QString& vips, bool withMagick,
             const QTemporaryDir& dir) {
    QImage loaded;
    std::vector<std::function<bool()>> works;
    works.push_back([&] { return glint::LoadPicture(file, loaded).isOk(); });
    works.push_back([&] { return run(QStringLiteral(GLINT_PHOTO_HELPER), {file}); });
    works.push_back([&] { return run(vips, {"avg", file}); });
    if (withMagick)
        works.push_back([&] { return run(kConvert, {file, "-depth", "8", "rgba:/dev/null"}); });
    const std::vector<Timing> timings = medians(works);
    const QString vipsPng = dir.filePath(label + "-vips.png");
    if (timings.empty() || !run(vips, {"copy", file, vipsPng})) return false;
    const Timing& glint = timings[0];
    const Timing& helper = timings[1];
    const Timing& libvips = timings[2];
    const Timing magick = withMagick ? timings[3] : Timing{};
    const QByteArray nameBytes = label.toLocal8Bit();
    const char* name = nameBytes.constData();
    std::printf(
        "%s %dx%d, wall (processor) seconds: glintwork %.3f (%.3f), helper process "
        "alone %.3f (%.3f), libvips %.3f (%.3f)",
        name, loaded.width(), loaded.height(), glint.wall, glint.cpu, helper.wall, helper.cpu,
        libvips.wall, libvips.cpu);
    if (withMagick) std::printf(", ImageMagick %.3f (%.3f)", magick.wall, magick.cpu);
    std::printf("\n%s glintwork/libvips: %.2f wall, %.2f processor\n", name,
                glint.wall / libvips.wall, glint.cpu / libvips.cpu);
    if (withMagick)
        std::printf("%s glintwork/ImageMagick: %.2f wall, %.2f processor\n", name,
                    glint.wall / magick.wall, glint.cpu / magick.cpu);
    std::printf("%s largest difference to libvips' pixels: %d\n", name,
                largestDifference(loaded.convertToFormat(QImage::Format_RGB32),
                                  QImage(vipsPng).convertToFormat(QImage::Format_RGB32)));
    return true;
}

// The step that shows a photo with a recorded quarter turn (and mirroring) upright, against
// the load of the same picture.
void measureTurns(const QString& file) {
    QImage loaded;
    if (glint::LoadPicture(file, loaded).failed()) return;
    const double load = median([&] { return glint::LoadPicture(file, loaded).isOk(); }).wall;
    for (const int orientation : {6, 5}) {
        const double turn =
            median([&] { return !glint::uprightImage(loaded, orientation).isNull(); }).wall;
        std::printf("orientation %d on %dx%d: %.3f s, turn/load %.3f\n", orientation,
                    loaded.width(), loaded.height(), turn, turn / load);
    }
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    qputenv("GLINTWORK_PHOTO_HELPER", GLINT_PHOTO_HELPER);
    const QString vips = QStandardPaths::findExecutable("vips");
    for (const QString& tool :
         {QStandardPaths::findExecutable("heif-enc"), QStandardPaths::findExecutable("cjxl"), vips,
          QString::fromLatin1(kConvert)})
        if (tool.isEmpty() || !QFileInfo(tool).isExecutable()) {
            std::fprintf(stderr, "photo bench: heif-enc, cjxl, vips and %s are needed\n", kConvert);
            return 1;
        }
    // On a memory file system when there is one, so that no tool waits for a disk.
    const QString shm = QStringLiteral("/dev/shm");
    const QTemporaryDir dir((QFileInfo(shm).isWritable() ? shm : QDir::tempPath()) +
                            "/glint-photo-XXXXXX");
    if (!dir.isValid()) return 1;
    const QString base = dir.path();
    const QString png = base + "/photo.png";
    if (!photo().save(png, "PNG", 10)) return 1;
    const QString heic = base + "/photo.heic";
    const QString jxl = base + "/photo.jxl";
    if (!run(QStandardPaths::findExecutable("heif-enc"), {"-q", "80", png, "-o", heic}) ||
        !run(QStandardPaths::findExecutable("cjxl"), {"-d", "1", png, jxl}))
        return 1;
    // Debian's ImageMagick 6 reads HEIC through libheif but has no JPEG XL coder.
    const bool ok = measure("heic", heic, vips, true, dir) && measure("jxl", jxl, vips, false, dir);
    measureTurns(jxl);
    return ok ? 0 : 1;
}
