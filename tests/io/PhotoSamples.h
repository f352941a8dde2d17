#pragma once
// Photo files for the loader tests: Exif orientation records put into files Qt writes, HEIF
// files with a rotation written through libheif, and runs of Debian's encoders and decoders.
#include <gtest/gtest.h>

#include <QByteArray>
#include <QImage>
#include <QString>
#include <QStringList>

namespace glint::test {

// A big-endian TIFF structure whose first directory holds only the orientation tag.
QByteArray exifTiff(int orientation);
// The file with the orientation recorded: an APP1 Exif segment after the JPEG's start, an eXIf
// chunk after the PNG's header chunk, an EXIF chunk in the extended WebP layout.
QByteArray jpegWithOrientation(const QByteArray& jpeg, int orientation);
QByteArray pngWithOrientation(const QByteArray& png, int orientation);
// The PNG with a chunk of `type` (four characters) after its header chunk.
QByteArray pngWithChunk(const QByteArray& png, const char* type, const QByteArray& data);
QByteArray webpWithOrientation(const QByteArray& webp, QSize size, int orientation);
// A TIFF file whose own orientation tag says `orientation`.
QByteArray tiffWithOrientation(const QImage& image, int orientation);
// An HEVC-coded HEIF file of `image` whose rotation and mirror boxes say `orientation`.
bool writeHeif(const QImage& image, int orientation, const QString& path);
// The file with the first `from` after the first `inside` renamed `to` (four characters each):
// a box type, an item type or a brand.
QByteArray withRenamedBox(QByteArray file, const char* inside, const char* from, const char* to);
// The AVIF image sequence (as avifenc writes it, with a still image) without its still image:
// the meta box becomes free space and the 'avif' brand goes, leaving the frames only.
QByteArray withoutStillImage(const QByteArray& avifSequence);

// The whole file; empty when it cannot be read.
QByteArray readFile(const QString& path);

// Runs a Debian tool (encoder or decoder) in `folder` to its end; the failure names what went
// wrong.
::testing::AssertionResult runTool(const QString& program, const QStringList& arguments,
                                   const QString& folder);

}  // namespace glint::test
