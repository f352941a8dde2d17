// The streaming bitmap writer under any order of calls: rows in any order, repeated or out
// of range, bands of rows, commits and cancels. A committed file holds the rows last written;
// a failed or cancelled one leaves nothing behind.
#include <QDir>
#include <QFile>
#include <QImage>
#include <algorithm>
#include <cstring>
#include <vector>

#include "FuzzSupport.h"
#include "io/output/BmpStreamWriter.h"

namespace {

using namespace glint;

enum Call : std::uint32_t { kRow, kRows, kCommit, kCancel, kCalls };
constexpr std::uint32_t kMaxSide = 48;
constexpr std::uint32_t kOpaque = 0xff000000u;
constexpr std::int64_t kMaxFileBytes = 0xffffffffll;  // a bitmap's sizes are 32-bit

QStringList leftInFolder(const QString& file) {
    return QDir(QFileInfo(file).path()).entryList(QDir::Files | QDir::Hidden);
}

// Oversized or empty pictures are refused at open and leave no file.
void openWildSize(fuzz::FuzzInput& in, const QString& file) {
    const auto width = static_cast<std::int32_t>(in.take(4));
    const auto height = static_cast<std::int32_t>(in.take(4));
    const std::int64_t stride = (std::int64_t{width} * 3 + 3) / 4 * 4;
    BmpStreamWriter writer;
    const Status opened = writer.open(file, width, height);
    const bool fits = width > 0 && height > 0 && height <= (kMaxFileBytes - 54) / stride;
    fuzz::require(opened.isOk() == fits, "open refuses exactly the sizes a bitmap cannot hold");
    writer.cancel();
    fuzz::require(leftInFolder(file).isEmpty(), "a cancelled file leaves nothing");
}

void checkCommitted(const QString& file, const QImage& expected) {
    QImage read(file, "BMP");
    fuzz::require(read.size() == expected.size(), "the committed bitmap has its size");
    fuzz::require(read.convertToFormat(QImage::Format_RGB32) == expected,
                  "the committed bitmap holds the rows last written");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const QString file = fuzz::scratchPath(QStringLiteral("out.bmp"));
    QFile::remove(file);
    fuzz::FuzzInput in(data, size);
    if (in.take(1) == 0xff) {
        openWildSize(in, file);
        return 0;
    }
    const auto width = static_cast<std::int32_t>(in.inRange(1, kMaxSide));
    const auto height = static_cast<std::int32_t>(in.inRange(1, kMaxSide));
    BmpStreamWriter writer;
    fuzz::require(writer.open(file, width, height).isOk(), "a small bitmap opens");
    QImage expected(width, height, QImage::Format_RGB32);
    std::vector<bool> written(static_cast<std::size_t>(height), false);
    bool open = true;
    while (!in.empty() && open) {
        const std::uint32_t call = in.take(1) % kCalls;
        if (call == kCommit || call == kCancel) {
            const bool complete = std::find(written.begin(), written.end(), false) == written.end();
            const bool committed = call == kCommit && writer.commit().isOk();
            if (call == kCancel) writer.cancel();
            fuzz::require(committed == (call == kCommit && complete), "commit needs every row");
            if (committed)
                checkCommitted(file, expected);
            else
                fuzz::require(leftInFolder(file).isEmpty(), "an unfinished file leaves nothing");
            open = false;
            continue;
        }
        const auto first = static_cast<std::int32_t>(in.inRange(0, kMaxSide));
        const auto count = call == kRows ? static_cast<std::int32_t>(in.inRange(0, kMaxSide)) : 1;
        QImage band(width, std::max(count, 1), QImage::Format_RGB32);
        for (int y = 0; y < band.height(); ++y) {
            const std::uint32_t colour = in.take(3) | kOpaque;
            auto* line = reinterpret_cast<std::uint32_t*>(band.scanLine(y));
            std::fill(line, line + width, colour);
        }
        const auto* pixels = reinterpret_cast<const std::uint32_t*>(band.constBits());
        const Status status = call == kRow ? writer.writeRow(first, pixels)
                                           : writer.writeRows(first, {pixels, width, count, width});
        const bool inside = count > 0 && first + count <= height;
        fuzz::require(status.isOk() == inside, "rows are taken exactly inside the bitmap");
        if (!inside) continue;
        for (std::int32_t y = 0; y < count; ++y) {
            std::memcpy(expected.scanLine(first + y), band.constScanLine(y),
                        static_cast<std::size_t>(width) * 4);
            written[static_cast<std::size_t>(first + y)] = true;
        }
    }
    writer.cancel();
    if (open) fuzz::require(leftInFolder(file).isEmpty(), "an unfinished file leaves nothing");
    return 0;
}
