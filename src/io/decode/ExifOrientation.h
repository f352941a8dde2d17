#pragma once
// The orientation a photo file records for its picture (EXIF tag 274), read from the file's own
// bytes whichever decoder reads the pixels, and the turn that shows the picture upright.
#include <QIODevice>
#include <QImage>

namespace glint {

// Values as in EXIF: 1 upright, 2 mirrored, 3 turned half round, 4 flipped, 5 transposed,
// 6 turned a quarter anticlockwise (shown turned clockwise), 7 transversed, 8 turned a quarter
// clockwise (shown turned anticlockwise).
inline constexpr int kOrientationUpright = 1;
inline constexpr int kOrientationLast = 8;

// The orientation of the picture in a JPEG (APP1 Exif segment), PNG (eXIf chunk), WebP (EXIF
// chunk) or TIFF (first directory) file open for reading in `file`; kOrientationUpright for
// other formats, a missing or unusable record. Moves the read position.
int exifOrientation(QIODevice& file);

// `image` as it is to be shown for `orientation`; the image itself for values out of range.
QImage uprightImage(const QImage& image, int orientation);

}  // namespace glint
