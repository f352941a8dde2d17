#pragma once
// Generated pictures for the batch tool's tests.
#include <QImage>
#include <QString>
#include <cstdint>

namespace glint::test {

// A width x height picture of pseudo-random pixels (the same for the same seed); with
// `withAlpha` some pixels are transparent or half transparent.
QImage randomPicture(int width, int height, std::uint32_t seed, bool withAlpha = false);

// Writes `picture` to `path` (format from the extension); false when that fails.
bool writePicture(const QImage& picture, const QString& path);

// Writes `picture` as an uncompressed 24-bit bitmap whose rows are stored top-down (a negative
// height), which Qt's writer does not make; false when that fails.
bool writeTopDownBmp(const QImage& picture, const QString& path);

// The file's decoded pixels as opaque 32-bit words; a null image when it cannot be read.
QImage readPixels(const QString& path);

}  // namespace glint::test
