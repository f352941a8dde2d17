// glint-fuzz-seeds FOLDER: writes the seed corpus of every fuzz harness into FOLDER/<harness>,
// small valid inputs made with the test suites' sample makers and Qt's writers.
#include <QBuffer>
#include <QDir>
#include <QGuiApplication>
#include <QImageWriter>
#include <cstdio>

#include "../tests/io/SampleFiles.h"

namespace {

using glint::test::Bytes;

// A small picture with a gradient and a transparent corner.
QImage sample(int width, int height) {
    QImage image(width, height, QImage::Format_ARGB32);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            image.setPixel(x, y,
                           qRgba(x * 255 / width, y * 255 / height, 128, x + y < 2 ? 0 : 255));
    return image;
}

QByteArray encoded(const QImage& image, const char* format, int quality = -1,
                   bool progressive = false) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setProgressiveScanWrite(progressive);
    if (!writer.write(image)) std::fprintf(stderr, "cannot write a %s seed\n", format);
    return bytes;
}

// The cli harness's input: the default number of jobs, then the arguments.
QByteArray arguments(char jobs, const QStringList& list) {
    return QByteArray(1, jobs) + list.join(QChar(0)).toUtf8();
}

// The helper's output for a width x height picture of one colour.
// A helper's reply (io/helper/HelperProtocol.h) behind the harness's first four bytes, the
// shared memory's size in 256-byte units.
QByteArray helperReply(std::uint32_t outcome, std::uint32_t width, std::uint32_t height,
                       std::uint32_t frames, const QByteArray& message) {
    Bytes b;
    b.u32(1 << 16).raw("GLHR").u32(outcome).u32(width).u32(height).u32(0).u32(frames).u32(0);
    b.u32(static_cast<std::uint32_t>(message.size()));
    for (std::uint32_t i = 0; i < frames; ++i) b.u32(100);
    b.raw(message);
    return b.data();
}

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 2) {
        std::fputs("usage: glint-fuzz-seeds FOLDER\n", stderr);
        return 2;
    }
    const QImage rgba = sample(7, 5);
    const QImage rgb = rgba.convertToFormat(QImage::Format_RGB32);
    const QByteArray rle8 = glint::test::rleBitmap(4, 2, 8, {0xff0000, 0x00ff00},
                                                   QByteArray::fromHex("03000101000004010001"));
    const QByteArray rle4 = glint::test::rleBitmap(4, 2, 4, {0xff0000, 0x00ff00},
                                                   QByteArray::fromHex("0401000004100001"));
    const auto corner = [](int x, int y) { return x + y < 2; };
    const std::vector<std::pair<const char*, QByteArray>> netpbm = {
        {"plain.pbm", "P1\n# bits\n4 2\n0110\n1 0 0 1\n"},
        {"raw.pbm", QByteArray("P4 9 1\n\xa5\x80", 9)},
        {"raw.ppm", QByteArray("P6 2 1 255\n\x01\x02\x03\xfd\xfe\xff", 17)},
        {"deep.pgm", QByteArray("P5 2 1 1000\n\x03\xe8\x01\x00", 16)},
        {"plain.ppm", "P3 1 2 15\n1 2 3\n15 0 7\n"},
        {"alpha.pam", QByteArray("P7\nWIDTH 1\nHEIGHT 1\nDEPTH 2\nMAXVAL 255\n"
                                 "TUPLTYPE GRAYSCALE_ALPHA\nENDHDR\n\x80\x40",
                                 73)},
    };
    const QByteArray emf = glint::test::emfRectangle();
    const QByteArray wmf = glint::test::wmfRectangle();
    const QByteArray plainWmf = wmf.mid(22);
    const std::pair<const char*, std::vector<std::pair<const char*, QByteArray>>> corpora[] = {
        {"fuzz_load_bmp",
         {{"rgb24.bmp", encoded(rgb, "BMP")},
          {"argb32.bmp", encoded(rgba, "BMP")},
          {"indexed8.bmp", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "BMP")},
          {"mono.bmp", encoded(rgb.convertToFormat(QImage::Format_Mono), "BMP")},
          {"rle8.bmp", rle8},
          {"rle4.bmp", rle4}}},
        {"fuzz_load_ico",
         {{"icon.ico", glint::test::iconFile(1, rgba)},
          {"cursor.cur", glint::test::iconFile(2, rgba)},
          {"qt.ico", encoded(rgba, "ICO")},
          {"masked24.ico", glint::test::iconHolding(1, encoded(rgb, "BMP"), corner)},
          {"masked1.cur", glint::test::iconHolding(
                              2, encoded(rgb.convertToFormat(QImage::Format_Mono), "BMP"), corner)},
          {"png.ico", glint::test::iconHolding(1, encoded(rgba, "PNG"), corner)}}},
        {"fuzz_load_pnm", netpbm},
        {"fuzz_pnm_stream",
         {{"frames.ppm", netpbm[2].second + netpbm[1].second + netpbm[4].second}}},
        {"fuzz_load_xbm",
         {{"x11.xbm",
           "#define a_width 10\n#define a_height 2\nstatic char a_bits[] = {\n"
           "0x01, 0x02, 0xf3, 0x00 };\n"},
          {"x10.xbm",
           "/* X10 */\n#define b_width 17\n#define b_height 1\n#define b_x_hot 1\n"
           "static short b_bits[] = { 0x1234, 0x0001, };\n"}}},
        {"fuzz_tiff_reader",
         {{"rgba.tiff", encoded(rgba, "TIFF")},
          {"grey.tiff", encoded(rgb.convertToFormat(QImage::Format_Grayscale16), "TIFF")},
          {"indexed.tiff", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "TIFF")},
          {"mono.tiff", encoded(rgb.convertToFormat(QImage::Format_Mono), "TIFF")}}},
        {"fuzz_load_gif", {{"frames.gif", glint::test::twoFrameGif(4, 0, 2)}}},
        {"fuzz_load_jpg",
         {{"baseline.jpg", encoded(rgb, "JPEG", 50)},
          {"progressive.jpg", encoded(rgb, "JPEG", 50, true)},
          {"grey.jpg", encoded(rgb.convertToFormat(QImage::Format_Grayscale8), "JPEG", 50)}}},
        {"fuzz_load_png",
         {{"rgba.png", encoded(rgba, "PNG")},
          {"indexed.png", encoded(rgb.convertToFormat(QImage::Format_Indexed8), "PNG")},
          {"grey.png", encoded(rgb.convertToFormat(QImage::Format_Grayscale8), "PNG")}}},
        {"fuzz_picture_webp",
         {{"lossy.webp", encoded(rgb, "WEBP", 50)}, {"lossless.webp", encoded(rgba, "WEBP", 100)}}},
        {"fuzz_picture_xpm", {{"rgba.xpm", encoded(rgba, "XPM")}}},
        {"fuzz_picture_svg",
         {{"shapes.svg",
           "<svg xmlns='http://www.w3.org/2000/svg' width='8' height='6'><rect width='8' "
           "height='6' fill='#2060a0'/><circle cx='4' cy='3' r='2' fill='url(#g)'/><defs>"
           "<linearGradient id='g'><stop offset='0' stop-color='red'/><stop offset='1'/>"
           "</linearGradient></defs><text x='1' y='5' font-size='4'>a</text></svg>"}}},
        {"fuzz_picture_mng", {{"frames.mng", glint::test::mngFile()}}},
        {"fuzz_emf", {{"rectangle.emf", emf}}},
        {"fuzz_wmf", {{"placeable.wmf", wmf}, {"plain.wmf", plainWmf}}},
        {"fuzz_metafile_input",
         {{"rectangle.emf", emf}, {"placeable.wmf", wmf}, {"plain.wmf", plainWmf}}},
        {"fuzz_helper_reply",
         {{"picture", helperReply(0, 2, 1, 1, {})},
          {"frames", helperReply(0, 3, 3, 4, {})},
          {"unsupported", helperReply(4, 0, 0, 0, "a 12-bit variant")},
          {"cut", helperReply(0, 2, 2, 1, {}).left(20)}}},
        // First byte: not 0xff (0xff tries a size of its own); then width, height and calls.
        {"fuzz_bmp_writer",
         {{"rows-in-order", QByteArray::fromHex("00030200112233000102034455660200")},
          {"band-then-commit", QByteArray::fromHex("0004030100030a0b0c0d0e0f1011120200")},
          {"missing-row", QByteArray::fromHex("000202000000aabbcc0200")},
          {"wild-size", QByteArray::fromHex("ff4e9300004e930000")}}},
        {"fuzz_cli_options",
         {{"full", arguments(2, {"-s", "4", "-r", "10", "-b", "200", "-B", "#102030", "-j", "2",
                                 "-f", "-q", "-o", "out.png", "in.bmp"})},
          {"named-colour", arguments(1, {"--background", "DarkGreen", "a.gif", "b.jpg"})},
          {"help", arguments(0, {"--help"})},
          {"bad-scale", arguments(3, {"--scale=17", "x.png"})}}},
    };
    const QDir root(QString::fromLocal8Bit(argv[1]));
    for (const auto& [harness, seeds] : corpora) {
        if (!root.mkpath(harness)) return 1;
        for (const auto& [name, bytes] : seeds)
            if (!glint::test::writeFile(root.filePath(QStringLiteral("%1/%2").arg(harness, name)),
                                        bytes))
                return 1;
    }
    return 0;
}
