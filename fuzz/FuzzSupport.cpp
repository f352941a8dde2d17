#include "FuzzSupport.h"

#include <sanitizer/common_interface_defs.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <cstdlib>
#include <string>

namespace glint::fuzz {

void startQt() {
    static int argc = 1;
    static char name[] = "glint-fuzz";
    static char* argv[] = {name, nullptr};
    if (QCoreApplication::instance()) return;
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Decoder warnings about damaged input are expected by the thousand.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    new QGuiApplication(argc, argv);  // lives until the process ends
}

QString scratchPath(const QString& name) {
    // In memory where there is a memory file system: the harnesses write a file per input.
    static const QString memory = QStringLiteral("/dev/shm");
    static QTemporaryDir dir(QFileInfo(memory).isWritable()
                                 ? memory + QStringLiteral("/glint-fuzz-XXXXXX")
                                 : QDir::tempPath() + QStringLiteral("/glint-fuzz-XXXXXX"));
    require(dir.isValid(), "a scratch folder");
    return dir.filePath(name);
}

void writeScratch(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    require(
        file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size(),
        "the scratch file is written");
}

void require(bool condition, const char* what) {
    if (condition) return;
    // The sanitizers' report channel stays open when the fuzzer silences the program's output.
    const std::string summary = std::string("glint-fuzz: does not hold: ") + what;
    __sanitizer_report_error_summary(summary.c_str());
    std::abort();
}

std::uint32_t FuzzInput::take(int bytes) {
    std::uint32_t value = 0;
    for (int i = 0; i < bytes && at_ < size_; ++i) value |= std::uint32_t{data_[at_++]} << (8 * i);
    return value;
}

std::uint32_t FuzzInput::inRange(std::uint32_t low, std::uint32_t high) {
    const std::uint64_t span = std::uint64_t{high} - low + 1;
    const int bytes = span <= 0x100 ? 1 : span <= 0x10000 ? 2 : 4;
    return low + static_cast<std::uint32_t>(take(bytes) % span);
}

QByteArray FuzzInput::rest() {
    const auto* from = reinterpret_cast<const char*>(data_ + at_);
    const auto count = static_cast<qsizetype>(size_ - at_);
    at_ = size_;
    return QByteArray(from, count);
}

}  // namespace glint::fuzz
