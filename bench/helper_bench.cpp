// What decoding in a locked-down helper costs: for a 100 Mpx TIFF, a 4000 x 3000 WebP and an
// SVG drawing, the time to open the picture through the helper (LoadPicture, as the programs
// do) against the same decoding in this process, and the helper's start-up cost per picture
// (a 1 x 1 picture). Medians of several runs; the ratio's target is 1.15 at most.
#include <sys/resource.h>

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <functional>

#include "BenchTiming.h"
#include "QtReader.h"
#include "TiffReader.h"
#include "io/decode/PictureLoader.h"

namespace {

using glint::bench::Clock;

constexpr int kRuns = 5;

QImage photoLike(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x)
            row[x] = qRgb((x * 7 + y) & 0xff, (x ^ y) & 0xff, (x * y / 64) & 0xff);
    }
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    return writer.write(image) ? bytes : QByteArray();
}

QByteArray svgDrawing() {
    QByteArray svg =
        "<svg xmlns='http://www.w3.org/2000/svg' width='4000' height='3000'><defs>"
        "<linearGradient id='g'><stop offset='0' stop-color='#2060a0'/>"
        "<stop offset='1' stop-color='#f0c040'/></linearGradient></defs>"
        "<rect width='4000' height='3000' fill='url(#g)'/>";
    for (int i = 0; i < 3000; ++i)
        svg += QStringLiteral("<circle cx='%1' cy='%2' r='%3' fill='#%4' opacity='0.6'/>")
                   .arg((i * 97) % 4000)
                   .arg((i * 61) % 3000)
                   .arg(5 + i % 40)
                   .arg((i * 2654435761u) & 0xffffff, 6, 16, QLatin1Char('0'))
                   .toUtf8();
    svg += "<text x='100' y='200' font-size='120'>Glintwork</text></svg>";
    return svg;
}

// Processor time of this process's threads and of its children that have ended.
double processorSeconds() {
    rusage self{};
    rusage children{};
    getrusage(RUSAGE_SELF, &self);
    getrusage(RUSAGE_CHILDREN, &children);
    const auto seconds = [](const timeval& t) {
        return double(t.tv_sec) + double(t.tv_usec) * 1e-6;
    };
    return seconds(self.ru_utime) + seconds(self.ru_stime) + seconds(children.ru_utime) +
           seconds(children.ru_stime);
}

struct Times {
    double wall = -1;
    double processor = -1;
};

// Medians of wall and processor time (on a shared machine the second shows the work alone).
Times medianTimes(const std::function<bool()>& run) {
    std::vector<double> wall;
    std::vector<double> processor;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        const double used = processorSeconds();
        if (!run()) return {};
        wall.push_back(glint::bench::secondsSince(start));
        processor.push_back(processorSeconds() - used);
    }
    return {glint::bench::median(wall), glint::bench::median(processor)};
}

void compare(const char* what, const QString& file, const QByteArray& bytes, const char* format) {
    const Times inProcess = medianTimes([&] {
        if (std::strcmp(format, "tiff") == 0) {  // read by the helper through libtiff
            glint::photo::DecodedPhoto photo;
            return glint::picture::readTiff(
                       reinterpret_cast<const std::uint8_t*>(bytes.constData()),
                       std::size_t(bytes.size()), photo)
                       .outcome == glint::picture::TiffOutcome::Ok;
        }
        QImage image;
        if (glint::helper::readWithQt(bytes, format, image, [](int, int) {}) !=
            glint::helper::Outcome::Ok)
            return false;
        // The picture in the 32-bit form the loader gives, as the helper writes it.
        std::vector<std::uint32_t> pixels(std::size_t(image.width()) * std::size_t(image.height()));
        glint::helper::writeArgb32(image, pixels.data());
        return true;
    });
    const Times helper = medianTimes([&] {
        QImage image;
        return glint::LoadPicture(file, image).isOk();
    });
    if (inProcess.wall < 0 || helper.wall < 0) {
        std::printf("%s: could not be decoded %s\n", what,
                    inProcess.wall < 0 ? "in process" : "by the helper");
        return;
    }
    std::printf(
        "%-26s in process %6.3f s, helper %6.3f s: helper / in process %.2f "
        "(processor time %.2f)\n",
        what, inProcess.wall, helper.wall, helper.wall / inProcess.wall,
        helper.processor / inProcess.processor);
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    // The helper of this build, unless another one is named.
    if (!qEnvironmentVariableIsSet(glint::kPictureHelper.envVariable))
        qputenv(glint::kPictureHelper.envVariable, GLINT_PICTURE_HELPER);
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& bytes) {
        QFile file(dir.filePath(name));
        return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size()
                   ? file.fileName()
                   : QString();
    };
    const struct {
        const char* what;
        const char* name;
        const char* format;
        QByteArray bytes;
    } cases[] = {
        {"tiff 10000x10000", "big.tiff", "tiff", encoded(photoLike(10000, 10000), "tiff")},
        {"webp 4000x3000", "photo.webp", "webp", encoded(photoLike(4000, 3000), "webp", 90)},
        {"svg 4000x3000, 3000 shapes", "drawing.svg", "svg", svgDrawing()},
    };
    for (const auto& c : cases) compare(c.what, write(c.name, c.bytes), c.bytes, c.format);

    const QString tiny = write("tiny.webp", encoded(photoLike(1, 1), "webp", 90));
    const Times startUp = medianTimes([&] {
        QImage image;
        return glint::LoadPicture(tiny, image).isOk();
    });
    std::printf("helper start-up per picture (1x1 webp): %.1f ms (processor %.1f ms)\n",
                startUp.wall * 1000, startUp.processor * 1000);
    return 0;
}
