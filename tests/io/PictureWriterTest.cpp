// Writing bitmap files: the bytes of the format, rows in any order, and failures that leave
// the target as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

#include "../support/Unprivileged.h"
#include "engine/PixelView.h"
#include "io/output/BmpStreamWriter.h"
#include "io/output/PictureWriter.h"

namespace glint {
namespace {

QByteArray contents(const QString& file) {
    QFile f(file);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

std::uint32_t le32(const QByteArray& b, int at) {
    return static_cast<std::uint8_t>(b[at]) | static_cast<std::uint8_t>(b[at + 1]) << 8 |
           static_cast<std::uint8_t>(b[at + 2]) << 16 |
           static_cast<std::uint32_t>(static_cast<std::uint8_t>(b[at + 3])) << 24;
}

// Every pixel different, so a misplaced row or column shows.
QImage gradient(int width, int height, QImage::Format format = QImage::Format_RGB32) {
    QImage image(width, height, format);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y, qRgb(x * 40 % 256, y * 30 % 256, (x + y) * 7 % 256));
    return image;
}

class WriterTest : public ::testing::Test {
  protected:
    QString path(const QString& name) const { return dir_.filePath(name); }
    QStringList entries() const {
        return QDir(dir_.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
    QTemporaryDir dir_;
};

TEST_F(WriterTest, SavedBitmapHasTheFormatsBytesAndReadsBackEqual) {
    const QImage picture = gradient(5, 3);  // 15 bytes a row, padded to 16
    const QString file = path("out.bmp");
    const Status status = SavePicture(picture, file);
    ASSERT_TRUE(status.isOk()) << status.reason();
    const QByteArray bytes = contents(file);
    ASSERT_EQ(bytes.size(), 54 + 16 * 3);
    EXPECT_TRUE(bytes.startsWith("BM"));
    EXPECT_EQ(le32(bytes, 2), 54u + 48u);  // file size
    EXPECT_EQ(le32(bytes, 10), 54u);       // pixel data offset
    EXPECT_EQ(le32(bytes, 18), 5u);        // width
    EXPECT_EQ(le32(bytes, 22), 3u);        // height, positive: bottom row first
    EXPECT_EQ(le32(bytes, 28) & 0xffff, 24u);
    EXPECT_EQ(le32(bytes, 30), 0u);  // uncompressed
    // First stored pixel is the bottom-left one, blue-green-red.
    const QRgb bottomLeft = picture.pixel(0, 2);
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[54]), qBlue(bottomLeft));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[55]), qGreen(bottomLeft));
    EXPECT_EQ(static_cast<std::uint8_t>(bytes[56]), qRed(bottomLeft));
    EXPECT_EQ(bytes[54 + 15], '\0');  // padding

    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32), picture);
    EXPECT_EQ(entries(), QStringList{"out.bmp"});
}

TEST_F(WriterTest, PicturesOfOtherFormatsKeepTheirColoursAndDropAlpha) {
    QImage argb = gradient(4, 2, QImage::Format_ARGB32);
    argb.setPixel(1, 1, qRgba(10, 20, 30, 0));
    for (const QImage& picture : {argb, argb.convertToFormat(QImage::Format_RGB888),
                                  gradient(3, 3).convertToFormat(QImage::Format_RGB16)}) {
        const QString file = path("other.bmp");
        const Status status = SavePicture(picture, file);
        ASSERT_TRUE(status.isOk()) << status.reason();
        const QImage back = QImage(file).convertToFormat(QImage::Format_RGB32);
        EXPECT_EQ(back, picture.convertToFormat(QImage::Format_RGB32));
    }
    ASSERT_TRUE(SavePicture(argb, path("alpha.bmp")).isOk());
    EXPECT_EQ(QImage(path("alpha.bmp")).pixel(1, 1), qRgb(10, 20, 30));
}

TEST_F(WriterTest, SavingAgainReplacesTheFile) {
    const QString file = path("twice.bmp");
    ASSERT_TRUE(SavePicture(gradient(40, 30), file).isOk());
    ASSERT_TRUE(SavePicture(gradient(2, 2), file).isOk());
    EXPECT_EQ(contents(file).size(), 54 + 8 * 2);
    EXPECT_EQ(QImage(file).size(), QSize(2, 2));
    EXPECT_EQ(entries(), QStringList{"twice.bmp"});
}

TEST_F(WriterTest, RowsMayComeInAnyOrder) {
    const QImage picture = gradient(7, 6);
    const QString file = path("shuffled.bmp");
    BmpStreamWriter writer;
    ASSERT_TRUE(writer.open(file, 7, 6).isOk());
    for (int y : {3, 0, 5, 1, 4, 2, 3}) {  // row 3 twice: the last write counts
        const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constScanLine(y));
        ASSERT_TRUE(writer.writeRow(y, row).isOk());
    }
    EXPECT_TRUE(
        writer.writeRow(6, reinterpret_cast<const std::uint32_t*>(picture.constBits())).failed());
    ASSERT_TRUE(writer.commit().isOk());
    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32), picture);
}

// Bands of rows, with repeated rows among them, land where single rows would.
TEST_F(WriterTest, BandsOfRowsLandInPlace) {
    QImage picture = gradient(5, 7);
    for (int x = 0; x < 5; ++x) {  // rows 2 and 3 repeat row 1, as gap rows do
        picture.setPixel(x, 2, picture.pixel(x, 1));
        picture.setPixel(x, 3, picture.pixel(x, 1));
    }
    const auto band = [&picture](int first, int count) {
        return ConstPixelView{reinterpret_cast<const std::uint32_t*>(picture.constScanLine(first)),
                              5, count, picture.bytesPerLine() / 4};
    };
    const QString file = path("bands.bmp");
    BmpStreamWriter writer;
    ASSERT_TRUE(writer.open(file, 5, 7).isOk());
    ASSERT_TRUE(writer.writeRows(4, band(4, 3)).isOk());
    ASSERT_TRUE(writer.writeRows(0, band(0, 4)).isOk());
    EXPECT_TRUE(writer.writeRows(5, band(4, 3)).failed());  // would reach past the bottom
    ASSERT_TRUE(writer.commit().isOk());
    EXPECT_EQ(QImage(file).convertToFormat(QImage::Format_RGB32), picture);
}

// A failed save keeps the old file byte for byte and leaves no temporary file.
TEST_F(WriterTest, FailedSavesLeaveTheOldFileAndNoTemporary) {
    const QString file = path("keep.bmp");
    ASSERT_TRUE(SavePicture(gradient(3, 3), file).isOk());
    const QByteArray before = contents(file);
    const QImage picture = gradient(4, 4);
    const auto* row = reinterpret_cast<const std::uint32_t*>(picture.constBits());

    {  // a row missing at commit
        BmpStreamWriter writer;
        ASSERT_TRUE(writer.open(file, 4, 4).isOk());
        for (int y : {0, 1, 3}) ASSERT_TRUE(writer.writeRow(y, row).isOk());
        EXPECT_TRUE(writer.commit().failed());
        EXPECT_TRUE(writer.writeRow(2, row).failed());
    }
    {  // given up half way
        BmpStreamWriter writer;
        ASSERT_TRUE(writer.open(file, 4, 4).isOk());
        ASSERT_TRUE(writer.writeRow(0, row).isOk());
    }
    EXPECT_TRUE(SavePicture(QImage(), file).failed());
    EXPECT_TRUE(SavePicture(picture, dir_.path()).failed());  // the name of a folder
    EXPECT_EQ(contents(file), before);
    EXPECT_EQ(entries(), QStringList{"keep.bmp"});
}

TEST_F(WriterTest, UnwritablePlacesFailAndAnotherPlaceThenWorks) {
    const QImage picture = gradient(4, 4);
    ASSERT_TRUE(QFile(path("plain-file")).open(QIODevice::WriteOnly));
    EXPECT_TRUE(SavePicture(picture, path("plain-file/out.bmp")).failed());
    EXPECT_TRUE(SavePicture(picture, path("no-such-folder/out.bmp")).failed());
    EXPECT_TRUE(SavePicture(picture, QStringLiteral("/proc/glintwork-out.bmp")).failed());
    EXPECT_EQ(entries(), QStringList{"plain-file"});

    // A folder without write permission, tried without superuser rights.
    ASSERT_TRUE(QDir(dir_.path()).mkdir("locked"));
    const QString lockedFile = path("locked/old.bmp");
    ASSERT_TRUE(SavePicture(gradient(2, 2), lockedFile).isOk());
    const QByteArray before = contents(lockedFile);
    const auto readOnly = QFileDevice::ReadOwner | QFileDevice::ExeOwner | QFileDevice::ReadOther |
                          QFileDevice::ExeOther;
    ASSERT_TRUE(test::openForPassage(dir_.path()));
    ASSERT_TRUE(QFile::setPermissions(path("locked"), readOnly));
    // 1: the locked folder cannot be reached at all; 2: saving into it did not fail.
    const int denied = test::runUnprivileged([&] {
        if (!QFileInfo::exists(lockedFile)) return 1;
        return SavePicture(picture, lockedFile).failed() ? 0 : 2;
    });
    QFile::setPermissions(path("locked"), readOnly | QFileDevice::WriteOwner);
    EXPECT_EQ(denied, 0);
    EXPECT_EQ(contents(lockedFile), before);
    EXPECT_EQ(QDir(path("locked")).entryList(QDir::Files | QDir::Hidden), QStringList{"old.bmp"});

    const Status retried = SavePicture(picture, path("elsewhere.bmp"));
    ASSERT_TRUE(retried.isOk()) << retried.reason();
    EXPECT_EQ(QImage(path("elsewhere.bmp")).convertToFormat(QImage::Format_RGB32), picture);
}

// Sizes beyond what a bitmap file can hold (4 GiB) fail before anything is written.
TEST_F(WriterTest, SizesBeyondTheFormatFailAtOpen) {
    constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
    const QString file = path("big.bmp");
    BmpStreamWriter writer;
    // 37838 x 37838 at 3 bytes is 4 295 014 x 1000 bytes, just over 2^32.
    EXPECT_TRUE(writer.open(file, 37838, 37838).failed());
    EXPECT_TRUE(writer.open(file, kMax, kMax).failed());
    EXPECT_TRUE(writer.open(file, kMax, 1).failed());
    EXPECT_TRUE(writer.open(file, 0, 10).failed());
    EXPECT_TRUE(writer.open(file, 10, -1).failed());
    EXPECT_TRUE(entries().isEmpty());
    EXPECT_TRUE(writer.open(file, 1431655747, 1).failed());  // 4 294 967 298 bytes
    EXPECT_TRUE(entries().isEmpty());
    // The largest single row that fits: 4 294 967 294 bytes with the headers.
    ASSERT_TRUE(writer.open(file, 1431655746, 1).isOk());
    writer.cancel();
    EXPECT_TRUE(entries().isEmpty());
}

}  // namespace
}  // namespace glint
