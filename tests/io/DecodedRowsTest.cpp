// Rows handed over while a picture is decoded: each row once, in the order its file stores
// them, the same pixels as the whole picture; only from decoders that give rows, and only for
// pictures that are not turned.
#include <QFile>
#include <QtEndian>
#include <functional>
#include <optional>

#include "LoaderFixture.h"
#include "PhotoSamples.h"
#include "io/decode/PictureLoader.h"

namespace glint::test {
namespace {

// Takes the rows, keeping a copy of each; fails the decoding at row `failAt` if set.
class RowRecorder : public DecodedRows {
  public:
    explicit RowRecorder(int failAt = -1, std::function<void()> onFirstRow = {})
        : failAt_(failAt), onFirstRow_(std::move(onFirstRow)) {}

    bool begin(QSize size, QImage::Format format, RowOrder order) override {
        order_ = order;
        size_ = size;
        format_ = format;
        return true;
    }
    Status rowReady(int row, const QRgb* pixels) override {
        if (row == failAt_) return Status::failure("row refused");
        if (told_.empty() && onFirstRow_) onFirstRow_();
        told_.push_back(row);
        copies_.emplace_back(pixels, pixels + size_.width());
        return Status::ok();
    }

    std::optional<RowOrder> order_;
    QSize size_;
    QImage::Format format_ = QImage::Format_Invalid;
    std::vector<int> told_;
    std::vector<std::vector<QRgb>> copies_;

  private:
    int failAt_;
    std::function<void()> onFirstRow_;
};

QImage stripes(int width, int height) {
    QImage image(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) image.setPixel(x, y, qRgb(y * 9, x * 5, (x ^ y) & 0xff));
    return image;
}

std::vector<int> sequence(int height, std::optional<RowOrder> order) {
    std::vector<int> rows;
    for (int i = 0; order && i < height; ++i)
        rows.push_back(*order == RowOrder::TopDown ? i : height - 1 - i);
    return rows;
}

using DecodedRowsTest = LoaderTest;

TEST_F(DecodedRowsTest, RowsComeOnceInStoredOrderAndFinal) {
    constexpr int kWidth = 37;
    constexpr int kHeight = 41;
    const QImage picture = stripes(kWidth, kHeight);
    const QByteArray bmp = encoded(picture, "BMP");
    QByteArray topDown = bmp;  // the same rows read as stored top row first
    qToLittleEndian<qint32>(-kHeight, topDown.data() + 22);
    const QByteArray jpeg = encoded(picture, "JPEG", 90);
    const struct {
        const char* name;
        QByteArray bytes;
        std::optional<RowOrder> order;
    } cases[] = {
        {"up.bmp", bmp, RowOrder::BottomUp},
        {"down.bmp", topDown, RowOrder::TopDown},
        {"p.jpg", jpeg, RowOrder::TopDown},
        {"turned.jpg", jpegWithOrientation(jpeg, 6), std::nullopt},
        {"p.png", encoded(picture, "PNG"), std::nullopt},
        {"rle.bmp",
         rleBitmap(4, 2, 8, {0xff0000, 0x00ff00}, QByteArray::fromHex("0400000004010001")),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const QString file = write(c.name, c.bytes);
        QImage whole;
        ASSERT_TRUE(LoadPicture(file, whole).isOk());
        RowRecorder recorder;
        QImage handed = stripes(1, 1);
        ASSERT_TRUE(LoadPicture(file, handed, {}, &recorder).isOk());
        EXPECT_EQ(recorder.order_, c.order);
        EXPECT_EQ(handed.isNull(), c.order.has_value());
        EXPECT_EQ(recorder.told_, sequence(whole.height(), c.order));
        if (!c.order) continue;
        EXPECT_EQ(recorder.size_, whole.size());
        EXPECT_EQ(recorder.format_, whole.format());
        for (std::size_t i = 0; i < recorder.told_.size(); ++i) {
            const auto* line =
                reinterpret_cast<const QRgb*>(whole.constScanLine(recorder.told_[i]));
            EXPECT_EQ(recorder.copies_[i], std::vector<QRgb>(line, line + whole.width()));
        }
    }
}

TEST_F(DecodedRowsTest, RefusedRowStopsTheDecoding) {
    const QImage picture = stripes(20, 30);
    const struct {
        const char* name;
        const char* format;
        std::size_t rowsBefore;  // rows handed over before row 7
    } cases[] = {{"r.bmp", "BMP", 22}, {"r.jpg", "JPEG", 7}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowRecorder recorder(7);
        QImage loaded;
        const Status st =
            LoadPicture(write(c.name, encoded(picture, c.format)), loaded, {}, &recorder);
        ASSERT_TRUE(st.failed());
        EXPECT_NE(st.reason().find("row refused"), std::string::npos) << st.reason();
        EXPECT_EQ(recorder.told_.size(), c.rowsBefore);
    }
}

// A file cut while it is decoded (after its first rows are read) fails like a cut file: the
// decoders read it, they do not map it.
TEST_F(DecodedRowsTest, FileCutWhileDecodedFails) {
    QImage noise(700, 700, QImage::Format_RGB32);
    for (int y = 0; y < noise.height(); ++y)
        for (int x = 0; x < noise.width(); ++x)
            noise.setPixel(x, y,
                           qRgb((x * 37 + y * 11) & 0xff, (x * y) & 0xff, (x ^ (y * 3)) & 0xff));
    const std::pair<const char*, qint64> cases[] = {{"BMP", 128 << 10}, {"JPEG", 64 << 10}};
    for (const auto& [format, piece] : cases) {
        SCOPED_TRACE(format);
        const QString file = write(QStringLiteral("cut.") + format, encoded(noise, format, 100));
        ASSERT_GT(QFile(file).size(), piece);  // more than one piece is read
        RowRecorder recorder(-1, [&file] { QFile::resize(file, 64); });
        QImage loaded;
        EXPECT_TRUE(LoadPicture(file, loaded, {}, &recorder).failed());
        EXPECT_FALSE(recorder.told_.empty());
        EXPECT_LT(recorder.told_.size(), static_cast<std::size_t>(noise.height()));
    }
}

}  // namespace
}  // namespace glint::test
