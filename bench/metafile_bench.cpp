// Metafile loading figures: an enhanced metafile of a few hundred bytes whose frame declares
// 11585 x 11585 pixels (load time, the size it is drawn at, peak memory of the loader and of
// the helper process), and a small placeable metafile whose embedded 1-bit bitmap has a
// damaged header (time until LoadPicture fails).
#include <sys/resource.h>

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <cstdio>

#include "BenchTiming.h"
#include "io/decode/PictureLoader.h"
#include "io/helper/HelperClient.h"

namespace {

constexpr std::int32_t kHugeFrame = 306523;  // 0.01 mm: 11585 pixels at 96 dpi
// Record header, 11 parameters, bitmap header, 2 colours and 8 rows of 4 bytes, in words.
constexpr std::uint32_t kBitmapRecordWords = 3 + 11 + 20 + 4 + 16;

class Bytes {
  public:
    Bytes& u16(unsigned v) { return put(v, 2); }
    Bytes& u32(std::uint32_t v) { return put(v, 4); }
    QByteArray data;

  private:
    Bytes& put(std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) data.append(static_cast<char>((v >> (8 * i)) & 0xff));
        return *this;
    }
};

// A red rectangle on a page whose frame is kHugeFrame square.
QByteArray hugeEmf() {
    Bytes b;
    b.u32(1).u32(88).u32(0).u32(0).u32(99).u32(49).u32(0).u32(0).u32(kHugeFrame).u32(kHugeFrame);
    b.u32(0x464D4520).u32(0x10000).u32(0).u32(4).u16(2).u16(0).u32(0).u32(0).u32(0);
    b.u32(1920).u32(1080).u32(508).u32(286);
    b.u32(39).u32(24).u32(1).u32(0).u32(0x000000FF).u32(0);
    b.u32(37).u32(12).u32(1);
    b.u32(43).u32(24).u32(20).u32(10).u32(80).u32(40);
    b.u32(14).u32(20).u32(0).u32(16).u32(20);
    const auto size = static_cast<std::uint32_t>(b.data.size());
    for (int i = 0; i < 4; ++i) b.data[48 + i] = static_cast<char>((size >> (8 * i)) & 0xff);
    return b.data;
}

// A placeable metafile drawing one 8 x 8 1-bit bitmap whose header claims 8 bytes.
QByteArray damagedBitmapWmf() {
    Bytes b;
    b.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(100).u16(50).u16(96).u32(0);
    unsigned checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= static_cast<unsigned char>(b.data[i]) |
                    static_cast<unsigned>(static_cast<unsigned char>(b.data[i + 1])) << 8;
    b.u16(checksum);
    Bytes records;
    records.u32(5).u16(0x020B).u16(0).u16(0);
    records.u32(5).u16(0x020C).u16(50).u16(100);
    records.u32(kBitmapRecordWords).u16(0x0F43).u16(0x0020).u16(0x00CC).u16(0);
    records.u16(8).u16(8).u16(0).u16(0).u16(8).u16(8).u16(0).u16(0);
    records.u32(8).u32(8).u32(8).u16(1).u16(1).u32(0).u32(32).u32(0).u32(0).u32(2).u32(0);
    records.u32(0).u32(0x00ffffff);
    for (int i = 0; i < 8; ++i) records.u32(0);
    records.u32(3).u16(0);
    b.u16(1).u16(9).u16(0x0300).u32(static_cast<std::uint32_t>((18 + records.data.size()) / 2));
    b.u16(1).u32(kBitmapRecordWords).u16(0);
    b.data.append(records.data);
    return b.data;
}

QString write(const QTemporaryDir& dir, const char* name, const QByteArray& bytes) {
    const QString path = dir.filePath(QString::fromLatin1(name));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) return {};
    return path;
}

long peakKiB(int who) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // The helper of this build, unless another one is named.
    if (!qEnvironmentVariableIsSet(glint::kMetafileHelper.envVariable))
        qputenv(glint::kMetafileHelper.envVariable, GLINT_METAFILE_HELPER);
    QTemporaryDir dir;
    const QString huge = write(dir, "huge.emf", hugeEmf());
    const QString damaged = write(dir, "damaged.wmf", damagedBitmapWmf());
    if (huge.isEmpty() || damaged.isEmpty()) return 1;

    auto start = glint::bench::Clock::now();
    QImage picture;
    const bool hugeOk = glint::LoadPicture(huge, picture).isOk();
    const double hugeSeconds = glint::bench::secondsSince(start);
    std::printf("emf of %lld bytes declaring 11585x11585: %s, drawn %dx%d, %.2f s\n",
                static_cast<long long>(hugeEmf().size()), hugeOk ? "opened" : "failed",
                picture.width(), picture.height(), hugeSeconds);
    std::printf("peak memory: loader %ld MiB, helper %ld MiB\n", peakKiB(RUSAGE_SELF) / 1024,
                peakKiB(RUSAGE_CHILDREN) / 1024);

    start = glint::bench::Clock::now();
    QImage none;
    const bool damagedOk = glint::LoadPicture(damaged, none).isOk();
    std::printf("wmf of %lld bytes with a damaged bitmap: %s after %.2f s\n",
                static_cast<long long>(damagedBitmapWmf().size()), damagedOk ? "opened" : "failed",
                glint::bench::secondsSince(start));
    return 0;
}
