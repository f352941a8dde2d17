// Rows told while a picture is decoded: each row once, in the order its file stores them, and
// final when told; only for decoders that give rows and pictures that are not turned.
#include <QtEndian>
#include <optional>

#include "LoaderFixture.h"
#include "PhotoSamples.h"
#include "io/PictureLoader.h"

namespace glint::test {
namespace {

// Keeps a copy of every row as it is told; fails the decoding at row `failAt` if set.
class RowRecorder : public DecodedRows {
public:
    explicit RowRecorder(int failAt = -1) : failAt_(failAt) {}

    bool begin(const QImage& picture, RowOrder order) override {
        order_ = order;
        bits_ = picture.constBits();
        bytesPerLine_ = picture.bytesPerLine();
        width_ = picture.width();
        return true;
    }
    Status rowReady(int row) override {
        if (row == failAt_) return Status::failure("row refused");
        const auto* line = reinterpret_cast<const QRgb*>(bits_ + bytesPerLine_ * row);
        told_.push_back(row);
        copies_.emplace_back(line, line + width_);
        return Status::ok();
    }

    std::optional<RowOrder> order_;
    std::vector<int> told_;
    std::vector<std::vector<QRgb>> copies_;

private:
    int failAt_;
    const uchar* bits_ = nullptr;
    qsizetype bytesPerLine_ = 0;
    int width_ = 0;
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
        {"rle.bmp", rleBitmap(4, 2, 8, {0xff0000, 0x00ff00}, QByteArray::fromHex("0400000004010001")),
         std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RowRecorder recorder;
        QImage loaded;
        ASSERT_TRUE(LoadPicture(write(c.name, c.bytes), loaded, {}, &recorder).isOk());
        EXPECT_EQ(recorder.order_, c.order);
        EXPECT_EQ(recorder.told_, sequence(loaded.height(), c.order));
        for (std::size_t i = 0; i < recorder.told_.size(); ++i) {
            const auto* line = reinterpret_cast<const QRgb*>(loaded.constScanLine(recorder.told_[i]));
            EXPECT_EQ(recorder.copies_[i], std::vector<QRgb>(line, line + loaded.width()));
        }
    }
}

TEST_F(DecodedRowsTest, RefusedRowStopsTheDecoding) {
    const QImage picture = stripes(20, 30);
    for (const char* name : {"r.bmp", "r.jpg"}) {
        SCOPED_TRACE(name);
        RowRecorder recorder(7);
        QImage loaded;
        const QString file = write(name, encoded(picture, name[2] == 'b' ? "BMP" : "JPEG"));
        const Status st = LoadPicture(file, loaded, {}, &recorder);
        ASSERT_TRUE(st.failed());
        EXPECT_NE(st.reason().find("row refused"), std::string::npos) << st.reason();
        EXPECT_TRUE(loaded.isNull());
    }
}

}  // namespace
}  // namespace glint::test
