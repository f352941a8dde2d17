// glintwork-metafile FILE: converts an enhanced or plain Windows metafile to pixels and writes
// them to standard output (format in io/MetafileProtocol.h). Runs as a separate process under
// memory and time limits set by its caller, because the converters read untrusted files.
#include <QFile>
#include <QGuiApplication>
#include <cstdio>
#include <optional>

#include "MetafileConversion.h"
#include "io/decode/LoadLimits.h"

namespace {

std::optional<QByteArray> readFile(const char* path) {
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly) || file.size() > glint::kMaxMetafileBytes)
        return std::nullopt;
    QByteArray data = file.readAll();
    if (data.size() != file.size()) return std::nullopt;
    return data;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fputs("usage: glintwork-metafile FILE\n", stderr);
        return glint::kUsage;
    }
    // Text in a drawing needs fonts, hence a GUI application, but never a screen.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    int appArgc = 1;
    QGuiApplication app(appArgc, argv);

    const std::optional<QByteArray> file = readFile(argv[1]);
    if (!file) return glint::kUnreadable;
    return glint::convertMetafile(*file, stdout);
}
