#include "SampleFiles.h"

#include <zlib.h>

#include <QBuffer>
#include <QFile>
#include <QtEndian>

namespace glint::test {

Bytes& Bytes::u8(unsigned v) {
    data_.append(static_cast<char>(v & 0xff));
    return *this;
}
Bytes& Bytes::u16(unsigned v) { return u8(v).u8(v >> 8); }
Bytes& Bytes::u32(std::uint32_t v) { return u16(v & 0xffff).u16(v >> 16); }
Bytes& Bytes::raw(const QByteArray& b) {
    data_.append(b);
    return *this;
}
void Bytes::setU16(int at, unsigned v) {
    data_[at] = static_cast<char>(v & 0xff);
    data_[at + 1] = static_cast<char>((v >> 8) & 0xff);
}
void Bytes::setU32(int at, std::uint32_t v) {
    setU16(at, v & 0xffff);
    setU16(at + 2, v >> 16);
}

QByteArray rleBitmap(int width, int height, int bits, const std::vector<std::uint32_t>& palette,
                     const QByteArray& runs) {
    const auto offset = static_cast<std::uint32_t>(14 + 40 + 4 * palette.size());
    Bytes b;
    b.u8('B').u8('M').u32(offset + static_cast<std::uint32_t>(runs.size())).u32(0).u32(offset);
    b.u32(40).s32(width).s32(height).u16(1).u16(static_cast<unsigned>(bits));
    b.u32(bits == 8 ? 1 : 2).u32(static_cast<std::uint32_t>(runs.size())).u32(2835).u32(2835);
    b.u32(static_cast<std::uint32_t>(palette.size())).u32(0);
    for (std::uint32_t c : palette) b.u32(c);
    b.raw(runs);
    return b.data();
}

QByteArray maskedBitmap(int width, int height, int bits, const std::vector<std::uint32_t>& masks,
                        const QByteArray& rows, int infoSize) {
    constexpr std::uint32_t kBitFields = 3;
    const bool afterHeader = infoSize == 40 && !masks.empty();
    const auto offset =
        static_cast<std::uint32_t>(14 + infoSize + (afterHeader ? 4 * masks.size() : 0));
    Bytes b;
    b.u8('B').u8('M').u32(offset + static_cast<std::uint32_t>(rows.size())).u32(0).u32(offset);
    b.u32(static_cast<std::uint32_t>(infoSize)).s32(width).s32(height).u16(1);
    b.u16(static_cast<unsigned>(bits)).u32(masks.empty() ? 0 : kBitFields);
    b.u32(static_cast<std::uint32_t>(rows.size())).u32(2835).u32(2835).u32(0).u32(0);
    for (std::uint32_t m : masks) b.u32(m);
    while (b.size() < 14 + infoSize) b.u8(0);
    b.raw(rows);
    return b.data();
}

QByteArray iconFile(int type, const QImage& image) {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    const int w = argb.width();
    const int h = argb.height();
    const int maskStride = (w + 31) / 32 * 4;
    const auto dibBytes = static_cast<std::uint32_t>(40 + w * h * 4 + maskStride * h);
    Bytes b;
    b.u16(0).u16(static_cast<unsigned>(type)).u16(1);
    b.u8(static_cast<unsigned>(w)).u8(static_cast<unsigned>(h)).u8(0).u8(0);
    if (type == 2)
        b.u16(1).u16(1);  // hot spot
    else
        b.u16(1).u16(32);  // planes, bits
    b.u32(dibBytes).u32(6 + 16);
    b.u32(40).s32(w).s32(2 * h).u16(1).u16(32).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
    for (int y = h - 1; y >= 0; --y)
        for (int x = 0; x < w; ++x) b.u32(argb.pixel(x, y));
    for (int i = 0; i < maskStride * h; ++i) b.u8(0);  // AND mask: every pixel shown
    return b.data();
}

QByteArray iconHolding(int type, const QByteArray& bmp, bool (*masked)(int x, int y),
                       std::uint32_t statedBytes) {
    QByteArray image = bmp;
    int width = 0, height = 0;
    if (bmp.startsWith("BM")) {
        image = bmp.mid(14);
        width = qFromLittleEndian<qint32>(image.constData() + 4);
        height = qFromLittleEndian<qint32>(image.constData() + 8);
        qToLittleEndian<qint32>(2 * height, image.data() + 8);
        const int stride = (width + 31) / 32 * 4;
        for (int y = height - 1; y >= 0; --y) {  // bottom row first
            QByteArray row(stride, '\0');
            for (int x = 0; x < width; ++x)
                if (masked(x, y)) row[x / 8] = static_cast<char>(row[x / 8] | 0x80 >> x % 8);
            image += row;
        }
    }
    Bytes b;
    b.u16(0).u16(static_cast<unsigned>(type)).u16(1);
    b.u8(static_cast<unsigned>(width)).u8(static_cast<unsigned>(height)).u8(0).u8(0).u16(1).u16(0);
    b.u32(statedBytes != 0 ? statedBytes : static_cast<std::uint32_t>(image.size())).u32(6 + 16);
    b.raw(image);
    return b.data();
}

namespace {

// One GIF image of `width` x `height` palette indexes, LZW-coded with codes of
// `minCodeSize` + 1 bits: a clear code before every pixel keeps the code size from growing.
void gifFrame(Bytes& b, int width, int height, const std::vector<int>& pixels, bool interlaced,
              int minCodeSize) {
    b.u8(0x2C).u16(0).u16(0).u16(static_cast<unsigned>(width)).u16(static_cast<unsigned>(height));
    b.u8(interlaced ? 0x40 : 0);
    const unsigned clear = 1u << minCodeSize;
    const unsigned end = clear + 1;
    const int codeBits = minCodeSize + 1;
    std::vector<int> order;  // rows as stored
    for (const auto& [first, step] : {std::pair{0, 8}, {4, 8}, {2, 4}, {1, 2}}) {
        for (int y = interlaced ? first : 0; y < height; y += interlaced ? step : 1)
            order.push_back(y);
        if (!interlaced) break;
    }
    std::vector<unsigned> codes;
    for (int y : order) {
        for (int x = 0; x < width; ++x) {
            codes.push_back(clear);
            codes.push_back(static_cast<unsigned>(pixels[static_cast<std::size_t>(y * width + x)]));
        }
    }
    codes.push_back(end);
    QByteArray packed;
    unsigned acc = 0;
    int nbits = 0;
    for (unsigned code : codes) {
        acc |= code << nbits;
        nbits += codeBits;
        while (nbits >= 8) {
            packed.append(static_cast<char>(acc & 0xff));
            acc >>= 8;
            nbits -= 8;
        }
    }
    if (nbits > 0) packed.append(static_cast<char>(acc & 0xff));
    b.u8(static_cast<unsigned>(minCodeSize));
    for (qsizetype at = 0; at < packed.size(); at += 255) {  // sub-blocks of up to 255 bytes
        const QByteArray block = packed.mid(at, 255);
        b.u8(static_cast<unsigned>(block.size())).raw(block);
    }
    b.u8(0);
}

}  // namespace

QByteArray gifFile(int width, int height, const std::vector<std::vector<int>>& frames,
                   bool interlaced, int minCodeSize) {
    Bytes b;
    b.raw("GIF89a").u16(static_cast<unsigned>(width)).u16(static_cast<unsigned>(height));
    b.u8(0xF1).u8(0).u8(0);
    b.u8(255).u8(0).u8(0).u8(0).u8(255).u8(0).u8(0).u8(0).u8(255).u8(255).u8(255).u8(255);
    for (const auto& frame : frames) gifFrame(b, width, height, frame, interlaced, minCodeSize);
    b.u8(0x3B);
    return b.data();
}

QByteArray twoFrameGif(int width, int first, int second) {
    return gifFile(width, 1,
                   {std::vector<int>(static_cast<std::size_t>(width), first),
                    std::vector<int>(static_cast<std::size_t>(width), second)});
}

QByteArray emfRectangle() {
    Bytes b;
    // Header record: bounds in pixels, frame in 0.01 mm (100 x 50 px at 96 dpi).
    b.u32(1).u32(88).s32(0).s32(0).s32(99).s32(49).s32(0).s32(0).s32(2646).s32(1323);
    b.u32(0x464D4520).u32(0x10000).u32(0).u32(4).u16(2).u16(0).u32(0).u32(0).u32(0);
    b.s32(1920).s32(1080).s32(508).s32(286);
    b.u32(39).u32(24).u32(1).u32(0).u32(0x000000FF).u32(0);  // solid red brush as object 1
    b.u32(37).u32(12).u32(1);                                // select it
    b.u32(43).u32(24).s32(20).s32(10).s32(80).s32(40);       // rectangle
    b.u32(14).u32(20).u32(0).u32(16).u32(20);                // end of file
    b.setU32(48, static_cast<std::uint32_t>(b.size()));
    return b.data();
}

namespace {

// A placeable metafile of 100 x 50 units at 96 per inch holding `records` (an end record is
// added) and using up to `objects` objects.
QByteArray placeableWmf(const QByteArray& records, unsigned objects) {
    Bytes b;
    b.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(100).u16(50).u16(96).u32(0);
    unsigned checksum = 0;
    for (int i = 0; i < 20; i += 2)
        checksum ^= static_cast<unsigned char>(b.data()[i]) |
                    static_cast<unsigned>(static_cast<unsigned char>(b.data()[i + 1])) << 8;
    b.u16(checksum);
    const int header = b.size();
    b.u16(1).u16(9).u16(0x0300).u32(0).u16(objects).u32(0).u16(0);
    b.u32(5).u16(0x020B).u16(0).u16(0);     // window origin 0,0
    b.u32(5).u16(0x020C).u16(50).u16(100);  // window extent 100 x 50
    b.raw(records);
    b.u32(3).u16(0);  // end of file
    b.setU32(header + 6, static_cast<std::uint32_t>((b.size() - header) / 2));
    b.setU32(header + 12, static_cast<std::uint32_t>((b.size() - header) / 2));  // largest record
    return b.data();
}

// A solid brush record of `colour` (0xRRGGBB).
void wmfBrush(Bytes& b, QRgb colour) {
    b.u32(7).u16(0x02FC).u16(0).u16(qRed(colour) | qGreen(colour) << 8).u16(qBlue(colour)).u16(0);
}

}  // namespace

QByteArray wmfRectangle() {
    Bytes b;
    wmfBrush(b, 0xff0000);                                 // solid red brush
    b.u32(4).u16(0x012D).u16(0);                           // select it
    b.u32(7).u16(0x041B).u16(40).u16(80).u16(10).u16(20);  // rectangle
    return placeableWmf(b.data(), 1);
}

QByteArray wmfColourBars(const std::vector<QRgb>& colours, unsigned mix) {
    Bytes b;
    b.u32(4).u16(0x0102).u16(1);    // transparent background mode
    b.u32(4).u16(0x0104).u16(mix);  // raster operation
    const auto width = static_cast<unsigned>(100 / colours.size());
    for (unsigned i = 0; i < colours.size(); ++i) {
        wmfBrush(b, colours[i]);
        b.u32(4).u16(0x012D).u16(i);
        b.u32(7).u16(0x041B).u16(50).u16(width * (i + 1)).u16(0).u16(width * i);
    }
    return placeableWmf(b.data(), static_cast<unsigned>(colours.size()));
}

QByteArray emfColourBars(const std::vector<QRgb>& colours) {
    Bytes b;
    b.raw(emfRectangle().left(88));
    const auto width = static_cast<std::int32_t>(100 / colours.size());
    for (std::uint32_t i = 0; i < colours.size(); ++i) {
        const QRgb c = colours[i];
        const std::uint32_t colorRef = qRed(c) | qGreen(c) << 8 | qBlue(c) << 16;
        b.u32(39).u32(24).u32(i + 1).u32(0).u32(colorRef).u32(0);  // solid brush
        b.u32(37).u32(12).u32(i + 1);                              // select it
        b.u32(43).u32(24).s32(width * static_cast<std::int32_t>(i)).s32(0);
        b.s32(width * static_cast<std::int32_t>(i + 1)).s32(50);  // rectangle
    }
    b.u32(14).u32(20).u32(0).u32(16).u32(20);  // end of file
    b.setU32(48, static_cast<std::uint32_t>(b.size()));
    b.setU32(52, 3 * static_cast<std::uint32_t>(colours.size()) + 2);  // records
    b.setU16(56, static_cast<unsigned>(colours.size()) + 1);           // objects
    return b.data();
}

QByteArray wmfWithBitmap(const QByteArray& dib) {
    Bytes b;
    const auto words = static_cast<std::uint32_t>(3 + 11 + (dib.size() + 1) / 2);
    b.u32(words).u16(0x0F43).u16(0x0020).u16(0x00CC).u16(0);  // stretched bitmap, copied
    b.u16(8).u16(8).u16(0).u16(0);                            // source 8 x 8 at 0,0
    b.u16(30).u16(80).u16(10).u16(10);                        // onto 80 x 30 at 10,10
    b.raw(dib);
    if (dib.size() % 2) b.u8(0);
    return placeableWmf(b.data(), 1);
}

bool writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

}  // namespace glint::test

namespace glint::test {

QByteArray mngFile(const QImage& given) {
    QImage image = given;
    if (image.isNull()) {
        image = QImage(4, 3, QImage::Format_RGB32);
        image.fill(0xff2060a0);
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    const auto chunk = [](const char* type, const QByteArray& data) {
        QByteArray out;
        const auto be32 = [&out](std::uint32_t v) {
            for (int shift = 24; shift >= 0; shift -= 8) out.append(static_cast<char>(v >> shift));
        };
        be32(static_cast<std::uint32_t>(data.size()));
        const QByteArray typed = QByteArray(type, 4) + data;
        out += typed;
        be32(static_cast<std::uint32_t>(crc32(0, reinterpret_cast<const Bytef*>(typed.constData()),
                                              static_cast<uInt>(typed.size()))));
        return out;
    };
    QByteArray header;
    for (const std::uint32_t v :
         {std::uint32_t(image.width()), std::uint32_t(image.height()), 1u, 0u, 0u, 0u, 0u})
        for (int shift = 24; shift >= 0; shift -= 8) header.append(static_cast<char>(v >> shift));
    // The PNG's chunks follow its 8-byte signature.
    return QByteArray("\x8aMNG\r\n\x1a\n", 8) + chunk("MHDR", header) + png.mid(8) +
           chunk("MEND", {});
}

}  // namespace glint::test
