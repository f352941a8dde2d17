#pragma once
// Small picture files written byte by byte, for formats Qt cannot write (or cannot write in the
// variant a test needs).
#include <QByteArray>
#include <QImage>
#include <QString>
#include <cstdint>
#include <vector>

namespace glint::test {

// Little-endian byte builder.
class Bytes {
  public:
    Bytes& u8(unsigned v);
    Bytes& u16(unsigned v);
    Bytes& u32(std::uint32_t v);
    Bytes& s32(std::int32_t v) { return u32(static_cast<std::uint32_t>(v)); }
    Bytes& raw(const QByteArray& b);
    void setU32(int at, std::uint32_t v);
    void setU16(int at, unsigned v);
    int size() const { return static_cast<int>(data_.size()); }
    const QByteArray& data() const { return data_; }

  private:
    QByteArray data_;
};

// A bitmap with a 40-byte header, `bits` 4 or 8, run-length `compression` (2 = RLE8,
// 1 = RLE4) of the encoded `runs`; `palette` holds 0x00RRGGBB entries.
QByteArray rleBitmap(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
                     const QByteArray& runs);
// A bitmap of `width` x `height` (negative: top-down) with a header of `infoSize` bytes
// (40, or 108 holding the four masks); `masks` (red, green, blue[, alpha]) follow a 40-byte
// header when given; `rows` are the pixel rows as stored.
QByteArray maskedBitmap(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                        const QByteArray& rows, int infoSize = 40);
// An icon (type 1) or cursor (type 2, hot spot 1,1) file holding one 32-bit image.
QByteArray iconFile(int type, const QImage& image);
// An icon or cursor holding one image: the bitmap file `bmp` (bottom-up) without its file
// header, its height doubled, followed by an AND mask that is set where `masked(x, y)`; or,
// when `bmp` is a PNG, the PNG as it is. The directory entry states `statedBytes` bytes
// (0: the image's true length).
QByteArray iconHolding(int type, const QByteArray& bmp, bool (*masked)(int x, int y),
                       std::uint32_t statedBytes = 0);
// A GIF with a screen of `width` x `height` and a global palette {red, green, blue, white}
// holding the frames `frames` (each `width` x `height` palette indexes, row by row); with
// `interlaced` the rows are stored in the four passes of an interlaced GIF. The LZW codes start
// at `minCodeSize` + 1 bits.
QByteArray gifFile(int width, int height, const std::vector<std::vector<int>>& frames,
                   bool interlaced = false, int minCodeSize = 2);
// A GIF of two frames of `width` x 1 pixels: frame 1 uses palette entry `first`, frame 2
// entry `second` of the palette {red, green, blue, white}.
QByteArray twoFrameGif(int width, int first, int second);

// A multiple-image network graphic (MNG) of one frame: `image` as an embedded PNG datastream
// between the MNG header and its end.
QByteArray mngFile(const QImage& image = QImage());
// An enhanced metafile of 100 x 50 pixels at 96 dpi: white page, a red filled rectangle
// from (20,10) to (80,40).
QByteArray emfRectangle();
// The same drawing as a placeable metafile (96 units per inch).
QByteArray wmfRectangle();
// 100 x 50 pixels of side-by-side bars, one per colour, each filled with a solid brush of
// that colour: an enhanced metafile, and a placeable one whose background mode is transparent,
// drawn with the binary raster operation `mix` (13: copy the brush).
QByteArray emfColourBars(const std::vector<QRgb>& colours);
QByteArray wmfColourBars(const std::vector<QRgb>& colours, unsigned mix = 13);
// A 100 x 50 placeable metafile that stretches the device-independent bitmap `dib` (header,
// colours and pixels, as in a bitmap file after its 14-byte file header) over (10,10)-(90,40).
QByteArray wmfWithBitmap(const QByteArray& dib);

bool writeFile(const QString& path, const QByteArray& bytes);

}  // namespace glint::test
