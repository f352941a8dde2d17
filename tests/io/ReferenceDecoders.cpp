#include "ReferenceDecoders.h"

#include <QProcess>

namespace glint::test {
namespace {

// Each command writes the picture of the file "$1" as a PNG to standard output.
const char* command(Reference reference) {
    switch (reference) {
        case Reference::Pillow:
            return "exec /usr/bin/python3 -c 'import sys; from PIL import Image; "
                   "Image.open(sys.argv[1]).convert(\"RGBA\").save(sys.stdout.buffer, \"PNG\")' "
                   "\"$1\"";
        case Reference::Netpbm:
            return "pamdepth 255 \"$1\" | pamtopng";
        case Reference::ImageMagick:
            return "exec convert \"$1\" png:-";
    }
    return "false";
}

}  // namespace

QImage referenceImage(Reference reference, const QString& file) {
    QProcess tool;
    tool.start(QStringLiteral("/bin/sh"),
               {QStringLiteral("-c"), QString::fromLatin1(command(reference)),
                QStringLiteral("reference"), file});
    constexpr int kToolMilliseconds = 60000;
    if (!tool.waitForFinished(kToolMilliseconds) || tool.exitStatus() != QProcess::NormalExit ||
        tool.exitCode() != 0)
        return {};
    QImage png = QImage::fromData(tool.readAllStandardOutput(), "PNG");
    return png.convertToFormat(QImage::Format_ARGB32);
}

::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected) {
    if (expected.isNull()) return ::testing::AssertionFailure() << "no reference picture";
    if (actual.size() != expected.size()) return ::testing::AssertionFailure() << "sizes differ";
    const QImage a = actual.convertToFormat(QImage::Format_ARGB32);
    int wrong = 0;
    QString first;
    for (int y = 0; y < a.height(); ++y) {
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y);
            const QRgb q = expected.pixel(x, y);
            if (p == q || (qAlpha(p) == 0 && qAlpha(q) == 0)) continue;
            if (wrong++ == 0)
                first = QStringLiteral("(%1,%2) is %3, expected %4")
                            .arg(x)
                            .arg(y)
                            .arg(p, 8, 16, QChar('0'))
                            .arg(q, 8, 16, QChar('0'));
        }
    }
    if (wrong == 0) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << wrong << " of " << a.width() * a.height()
                                         << " pixels differ; " << first.toStdString();
}

}  // namespace glint::test
