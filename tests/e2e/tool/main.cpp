// Helper of the end-to-end scripts: makes the source picture, checks what the window wrote and
// copied, and photographs the window. Exit status 0 = as expected, 1 = differs, 2 = cannot run.
#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QRect>
#include <QScreen>
#include <QSet>
#include <QStringList>
#include <cstdio>

#include "CloseRequest.h"
#include "ExpectedRender.h"
#include "Pictures.h"
#include "io/decode/PictureLoader.h"

namespace {

constexpr int kPass = 0;
constexpr int kDiffers = 1;
constexpr int kCannotRun = 2;

int fail(int code, const QString& message) {
    std::fprintf(stderr, "glint-e2e-tool: %s\n", qPrintable(message));
    return code;
}

bool toInt(const QString& text, int low, int high, int& value) {
    bool ok = false;
    value = text.toInt(&ok, 0);  // 0x.. for colours
    return ok && value >= low && value <= high;
}

int makePicture(const QStringList& args) {
    int width = 0;
    int height = 0;
    if (args.size() != 3 || !toInt(args[1], 1, 4096, width) || !toInt(args[2], 1, 4096, height))
        return fail(kCannotRun, QStringLiteral("usage: make-picture PATH WIDTH HEIGHT"));
    if (!glint::e2e::makeTestPicture(width, height).save(args[0], "BMP"))
        return fail(kCannotRun, QStringLiteral("cannot write %1").arg(args[0]));
    return kPass;
}

int expectRender(const QStringList& args) {
    glint::e2e::RenderValues values;
    if (args.size() != 6 || !toInt(args[1], 2, 5, values.scale) ||
        !toInt(args[2], 0, 255, values.red) || !toInt(args[3], 0, 255, values.blue) ||
        !toInt(args[4], 0, 0xFFFFFF, values.backCol))
        return fail(kCannotRun,
                    QStringLiteral("usage: expect-render SRC SCALE RED BLUE BACKCOLOR RESULT"));
    QImage source;
    if (glint::LoadPicture(args[0], source).failed())
        return fail(kCannotRun, QStringLiteral("cannot read %1").arg(args[0]));
    const QImage result = glint::e2e::readRgb(args[5]);
    if (result.isNull()) return fail(kDiffers, QStringLiteral("cannot read %1").arg(args[5]));

    QImage engine;
    if (glint::Status st = glint::e2e::engineRender(source, values, engine); st.failed())
        return fail(
            kCannotRun,
            QStringLiteral("engine render failed: %1").arg(QString::fromStdString(st.reason())));
    const QString byEngine = glint::e2e::describeDifference(engine, result);
    if (!byEngine.isEmpty())
        return fail(kDiffers, QStringLiteral("%1 against the engine: %2").arg(args[5], byEngine));
    const QString byDefinition =
        glint::e2e::describeDifference(glint::e2e::definitionRender(source, values), result);
    if (!byDefinition.isEmpty())
        return fail(kDiffers,
                    QStringLiteral("%1 against the scan-line rule: %2").arg(args[5], byDefinition));
    std::printf("%dx%d as expected\n", result.width(), result.height());
    return kPass;
}

int compare(const QStringList& args) {
    if (args.size() != 2) return fail(kCannotRun, QStringLiteral("usage: compare A B"));
    const QImage a = glint::e2e::readRgb(args[0]);
    const QImage b = glint::e2e::readRgb(args[1]);
    if (a.isNull() || b.isNull())
        return fail(kDiffers, QStringLiteral("cannot read %1").arg(a.isNull() ? args[0] : args[1]));
    const QString difference = glint::e2e::describeDifference(a, b);
    if (!difference.isEmpty()) return fail(kDiffers, difference);
    std::printf("%dx%d alike\n", a.width(), a.height());
    return kPass;
}

// Needs a QGuiApplication on the display the window lives on. Photographs the window's client
// area, or the part X,Y WIDTHxHEIGHT of it. Prints "WIDTHxHEIGHT COLOURS".
int screenshot(const QStringList& args) {
    bool ok = false;
    const WId window = args.size() == 2 || args.size() == 6 ? args[0].toULongLong(&ok, 0) : 0;
    QRect part(0, 0, -1, -1);  // the whole client area
    if (ok && args.size() == 6) {
        int x = 0, y = 0, width = 0, height = 0;
        ok = toInt(args[2], 0, 4096, x) && toInt(args[3], 0, 4096, y) &&
             toInt(args[4], 1, 4096, width) && toInt(args[5], 1, 4096, height);
        part = QRect(x, y, width, height);
    }
    if (!ok)
        return fail(kCannotRun,
                    QStringLiteral("usage: screenshot WINDOW-ID PATH [X Y WIDTH HEIGHT]"));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return fail(kCannotRun, QStringLiteral("no screen"));
    const QImage shot = screen->grabWindow(window, part.x(), part.y(), part.width(), part.height())
                            .toImage()
                            .convertToFormat(QImage::Format_RGB32);
    if (shot.isNull()) return fail(kDiffers, QStringLiteral("the grab gave nothing"));
    if (!shot.save(args[1], "PNG"))
        return fail(kCannotRun, QStringLiteral("cannot write %1").arg(args[1]));
    QSet<QRgb> colours;
    for (int y = 0; y < shot.height(); ++y)
        for (int x = 0; x < shot.width(); ++x) colours.insert(shot.pixel(x, y));
    std::printf("%dx%d %lld\n", shot.width(), shot.height(),
                static_cast<long long>(colours.size()));
    return kPass;
}

// Needs a QGuiApplication on the window's display. Whether the window's client area shows the
// picture at X,Y, pixel for pixel.
int shows(const QStringList& args) {
    bool ok = false;
    const WId window = args.size() == 4 ? args[0].toULongLong(&ok, 0) : 0;
    int x = 0;
    int y = 0;
    if (!ok || !toInt(args[1], 0, 4096, x) || !toInt(args[2], 0, 4096, y))
        return fail(kCannotRun, QStringLiteral("usage: shows WINDOW-ID X Y PICTURE"));
    const QImage picture = glint::e2e::readRgb(args[3]);
    if (picture.isNull()) return fail(kCannotRun, QStringLiteral("cannot read %1").arg(args[3]));
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) return fail(kCannotRun, QStringLiteral("no screen"));
    const QImage shown =
        screen->grabWindow(window, x, y, picture.width(), picture.height()).toImage();
    const QString difference = glint::e2e::describeDifference(picture, shown);
    if (!difference.isEmpty()) return fail(kDiffers, QStringLiteral("shown: %1").arg(difference));
    return kPass;
}

int closeWindow(const QStringList& args) {
    bool ok = false;
    const uint window = args.size() == 1 ? args[0].toUInt(&ok, 0) : 0;
    if (!ok) return fail(kCannotRun, QStringLiteral("usage: close WINDOW-ID"));
    const std::string problem = glint::e2e::requestClose(window);
    if (!problem.empty()) return fail(kCannotRun, QString::fromStdString(problem));
    return kPass;
}

}  // namespace

int main(int argc, char** argv) {
    const QString command = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    QStringList args;
    for (int n = 2; n < argc; ++n) args << QString::fromLocal8Bit(argv[n]);

    if (command == QLatin1String("screenshot") || command == QLatin1String("shows")) {
        QGuiApplication app(argc, argv);
        return command == QLatin1String("shows") ? shows(args) : screenshot(args);
    }
    QCoreApplication app(argc, argv);
    if (command == QLatin1String("make-picture")) return makePicture(args);
    if (command == QLatin1String("expect-render")) return expectRender(args);
    if (command == QLatin1String("compare")) return compare(args);
    if (command == QLatin1String("close")) return closeWindow(args);
    return fail(
        kCannotRun,
        QStringLiteral("commands: make-picture, expect-render, compare, screenshot, shows, close"));
}
