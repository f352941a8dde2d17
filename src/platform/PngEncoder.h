#pragma once
// PNG files of 32-bit pictures, made for speed: a render's result of hundreds of megapixels is
// encoded in a second or two where Qt's writer takes many. Rows are cut into bands that the
// machine's cores compress at once, each into its own part of the one zlib stream; a row equal
// to the row above (most gap rows) is stored as an "up" row of zeros, written as ready-made
// runs without going through zlib; every other row is a "sub" row compressed with zlib's run
// strategy, which finds the runs of equal pixels.
#include <QByteArray>
#include <QImage>

namespace glint {

// The picture (Format_RGB32) as an 8-bit RGB PNG file; empty for another format, a null
// picture or a failure of zlib.
QByteArray encodePng(const QImage& picture);

}  // namespace glint
