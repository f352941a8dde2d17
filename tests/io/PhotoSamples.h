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
QByteArray webpWithOrientation(const QByteArray& webp, QSize size, int orientation);
// A TIFF file whose own orientation tag says `orientation`.
QByteArray tiffWithOrientation(const QImage& image, int orientation);
// An HEVC-coded HEIF file of `image` whose rotation and mirror boxes say `orientation`.
bool writeHeif(const QImage& image, int orientation, const QString& path);

// Runs a Debian tool (encoder or decoder) in `folder` to its end; the failure names what went
// wrong.
::testing::AssertionResult runTool(const QString& program, const QStringList& arguments,
                                   const QString& folder);

}  // namespace glint::test
