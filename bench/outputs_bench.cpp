// The batch tool's writers at 2048x2048 x5 (10240x10240), all in one run, on a plasma picture
// made by ImageMagick (as the floor and peers benchmarks use). Every conversion runs in a child
// process of its own (this program, started again), so that its wall time, processor time and
// peak memory are its own. Prints for each format the figures of the tool's own writer and,
// for jpg, tiff and webp, of Qt's writers from a whole picture, which the tool used before
// ("before"); the ratios after/before and against bmp; webp against cwebp's defaults and its
// method 0 on the same picture; webp before and after on the picture with grain (as photos
// have); and checks that bmp, png and tiff decode to the render and that the jpg file has the
// same bytes as before.
//   glint-bench-outputs [rounds]           (median of `rounds` runs, 3 by default; the
//                                            slow webp encoders run once)
#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <vector>

#include "FileConverter.h"
#include "engine/ScanlineBands.h"
#include "io/decode/PictureLoader.h"

extern char** environ;

namespace {

constexpr int kSide = 2048;
constexpr int kScale = 5;
constexpr int kDefaultRounds = 3;
constexpr const char* kChildFlag = "--convert";
const glint::RowValues kValues{kScale, glint::RGB(0x20, 0x40, 0x60), 200, 10};

struct Figures {
    double wall = 0;  // seconds
    double cpu = 0;   // user + system seconds
    double peakMiB = 0;
    qint64 bytes = 0;
};

// Runs `args` (args[0] is the program) and measures it; nullopt when it fails.
std::optional<Figures> measure(const QStringList& args, const QString& output) {
    std::vector<QByteArray> bytes;
    for (const QString& a : args) bytes.push_back(QFile::encodeName(a));
    std::vector<char*> argv;
    for (QByteArray& b : bytes) argv.push_back(b.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    QElapsedTimer clock;
    clock.start();
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) return std::nullopt;
    int status = 0;
    rusage usage{};
    if (wait4(pid, &status, 0, &usage) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    Figures f;
    f.wall = static_cast<double>(clock.nsecsElapsed()) * 1e-9;
    f.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    f.peakMiB = static_cast<double>(usage.ru_maxrss) / 1024.0;
    f.bytes = QFileInfo(output).size();
    return f;
}

// Median of each figure over the rounds.
Figures median(std::vector<Figures> runs) {
    const auto mid = [&runs](double Figures::*field) {
        std::vector<double> v;
        for (const Figures& f : runs) v.push_back(f.*field);
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    Figures m = runs.front();
    m.wall = mid(&Figures::wall);
    m.cpu = mid(&Figures::cpu);
    m.peakMiB = mid(&Figures::peakMiB);
    return m;
}

// The child: converts `input` to `output` as the tool does (own writers) or as it did before.
int convertInChild(const QStringList& args) {
    glint::PictureFile input;
    if (glint::PictureFile::open(QFile::encodeName(args[0]), input).failed()) return 1;
    glint::ConvertRequest request;
    request.output = QFile::encodeName(args[1]);
    request.streamed = args[2] == "own";
    request.values = kValues;
    request.force = true;
    return glint::convertFile(input, request).ok ? 0 : 1;
}

// What the window's render draws for `input`: the reference the outputs must decode to.
QImage render(const QString& input) {
    QImage picture;
    if (glint::LoadPicture(input, picture).failed()) return {};
    const QImage source = glint::opaqueSource(picture);
    glint::ScanlineGeometry g;
    if (glint::scanlineGeometry(source.width(), source.height(), kScale, g).failed()) return {};
    QImage whole(static_cast<int>(g.width), static_cast<int>(g.height), QImage::Format_RGB32);
    const glint::ConstPixelView src{reinterpret_cast<const std::uint32_t*>(source.constBits()),
                                    source.width(), source.height(), source.bytesPerLine() / 4};
    const glint::PixelView dst{reinterpret_cast<std::uint32_t*>(whole.bits()), whole.width(),
                               whole.height(), whole.bytesPerLine() / 4};
    if (glint::ScanlineBands(src, g, kValues).renderWhole(dst).failed()) return {};
    return whole;
}

QImage decoded(const QString& file) {
    QImageReader reader(file);
    reader.setAllocationLimit(0);
    return reader.read().convertToFormat(QImage::Format_RGB32);
}

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void print(const char* label, const Figures& f) {
    std::printf("%-28s %7.3f s (cpu %6.3f s)  peak %6.0f MiB  %10lld bytes\n", label, f.wall, f.cpu,
                f.peakMiB, static_cast<long long>(f.bytes));
}

void ratio(const char* label, const Figures& a, const Figures& b) {
    std::printf("%s: time %.2f (cpu %.2f), peak memory %.2f, size %.3f\n", label, a.wall / b.wall,
                a.cpu / b.cpu, a.peakMiB / b.peakMiB,
                static_cast<double>(a.bytes) / static_cast<double>(b.bytes));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 5 && QByteArray(argv[1]) == kChildFlag) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return convertInChild({argv[2], argv[3], argv[4]});
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int rounds = argc > 1 ? std::max(1, QByteArray(argv[1]).toInt()) : kDefaultRounds;
    const QString convert = QStringLiteral("/usr/bin/convert");  // ImageMagick, not a stand-in
    const QString cwebp = QStandardPaths::findExecutable("cwebp");
    if (!QFileInfo(convert).isExecutable() || cwebp.isEmpty()) {
        std::fprintf(stderr, "outputs: needs ImageMagick and cwebp (make bench-deps)\n");
        return 1;
    }
    const QString shm = QStringLiteral("/dev/shm");
    QTemporaryDir dir(QFileInfo(shm).isWritable() ? shm + "/glint-outputs-XXXXXX"
                                                  : QDir::tempPath() + "/glint-outputs-XXXXXX");
    const QString input = dir.filePath("in.png");
    if (QProcess::execute(
            convert, {"-size", QStringLiteral("%1x%1").arg(kSide), "-seed", "7", "plasma:fractal",
                      "-depth", "8", "-type", "TrueColor", "PNG24:" + input}) != 0)
        return 1;
    const QString self = QCoreApplication::applicationFilePath();

    struct Case {
        const char* label;
        const char* file;
        const char* writer;  // "own" or "qt"
        int rounds;
    };
    const Case cases[] = {
        {"bmp", "out.bmp", "own", rounds},
        {"png", "out.png", "own", rounds},
        {"jpg before (Qt, whole)", "before.jpg", "qt", rounds},
        {"jpg", "out.jpg", "own", rounds},
        {"tiff before (Qt, whole)", "before.tiff", "qt", rounds},
        {"tiff", "out.tiff", "own", rounds},
        {"webp before (Qt, whole)", "before.webp", "qt", 1},
        {"webp", "out.webp", "own", rounds},
    };
    std::map<std::string, Figures> figures;
    std::printf("%dx%d plasma png -> x%d (%dx%d), median of %d:\n", kSide, kSide, kScale,
                kSide * kScale, kSide * kScale, rounds);
    const auto run = [&](const Case& c, const QString& from) {
        std::vector<Figures> runs;
        const QString output = dir.filePath(c.file);
        for (int i = 0; i < c.rounds; ++i) {
            QFile::remove(output);
            const auto f = measure({self, kChildFlag, from, output, c.writer}, output);
            if (!f) {
                std::fprintf(stderr, "outputs: %s failed\n", c.label);
                return false;
            }
            runs.push_back(*f);
        }
        figures[c.label] = median(runs);
        print(c.label, figures[c.label]);
        return true;
    };
    for (const Case& c : cases)
        if (!run(c, input)) return 1;

    // cwebp on the same picture, read from a PPM of the bitmap the tool wrote: the whole
    // process, as for the tool (which decodes its png input and renders).
    const QString bmp = dir.filePath("out.bmp");
    const QString ppm = dir.filePath("out.ppm");
    if (QProcess::execute(convert, {bmp, ppm}) != 0) return 1;
    for (const auto& [label, method] : {std::pair{"cwebp defaults", "4"}, {"cwebp -m 0", "0"}}) {
        const QString out = dir.filePath("cwebp.webp");
        const auto f = measure({cwebp, "-quiet", "-m", method, ppm, "-o", out}, out);
        if (!f) return 1;
        figures[label] = *f;
        print(label, *f);
    }

    // The same with grain, as in scan-line results of photos: where libwebp's default method
    // (Qt's, and cwebp's) spends most of its time.
    const QString grainy = dir.filePath("grainy.png");
    if (QProcess::execute(convert, {"-size", QStringLiteral("%1x%1").arg(kSide), "-seed", "7",
                                    "plasma:fractal", "-attenuate", "0.6", "+noise", "Gaussian",
                                    "-depth", "8", "-type", "TrueColor", "PNG24:" + grainy}) != 0)
        return 1;
    std::printf("the same picture with grain (ImageMagick's +noise Gaussian, -attenuate 0.6):\n");
    if (!run({"webp before, grainy", "before-grainy.webp", "qt", 1}, grainy) ||
        !run({"webp, grainy", "grainy.webp", "own", rounds}, grainy))
        return 1;

    std::printf("\n");
    ratio("jpg after/before", figures["jpg"], figures["jpg before (Qt, whole)"]);
    ratio("tiff after/before", figures["tiff"], figures["tiff before (Qt, whole)"]);
    ratio("jpg/bmp", figures["jpg"], figures["bmp"]);
    ratio("tiff/bmp", figures["tiff"], figures["bmp"]);
    ratio("webp after/before", figures["webp"], figures["webp before (Qt, whole)"]);
    ratio("webp/cwebp-defaults", figures["webp"], figures["cwebp defaults"]);
    ratio("webp/cwebp-m0", figures["webp"], figures["cwebp -m 0"]);
    // The webp picture's share of the peak, against what the limit check assumes.
    constexpr double kPixels = double(kSide * kScale) * double(kSide * kScale);
    std::printf("webp peak above bmp's: %.2f bytes a pixel (the limit assumes %.2f)\n",
                (figures["webp"].peakMiB - figures["bmp"].peakMiB) * 1048576.0 / kPixels,
                static_cast<double>(glint::webpEncodeBytes(1024, 1024, {})) / (1024.0 * 1024.0));
    std::printf("webp before/after: %.1f times faster (cpu %.1f)\n",
                figures["webp before (Qt, whole)"].wall / figures["webp"].wall,
                figures["webp before (Qt, whole)"].cpu / figures["webp"].cpu);
    ratio("webp after/before, grainy", figures["webp, grainy"], figures["webp before, grainy"]);
    std::printf("webp before/after, grainy: %.1f times faster (cpu %.1f)\n",
                figures["webp before, grainy"].wall / figures["webp, grainy"].wall,
                figures["webp before, grainy"].cpu / figures["webp, grainy"].cpu);

    bool same = true;
    const QImage expected = render(input);
    for (const char* file : {"out.bmp", "out.png", "out.tiff", "before.tiff"}) {
        const bool equal = !expected.isNull() && decoded(dir.filePath(file)) == expected;
        std::printf("%s: %s\n", file,
                    equal ? "identical to the render" : "DIFFERS from the render");
        same = same && equal;
    }
    const bool jpgSame = contents(dir.filePath("out.jpg")) == contents(dir.filePath("before.jpg"));
    std::printf("out.jpg: %s\n", jpgSame ? "the same bytes as before" : "DIFFERS from before");
    return same && jpgSame ? 0 : 1;
}
