#pragma once
// Pictures for the end-to-end road: a deterministic source, reading results back, comparing.
#include <QImage>
#include <QString>

namespace glint::e2e {

// A picture whose every pixel differs from its neighbours in all three components, so that a
// run drawn from the wrong column or row, or a component taken from the wrong channel, shows.
QImage makeTestPicture(int width, int height);

// Reads a picture file with Qt's own readers as 32-bit RGB; a null image when it cannot.
QImage readRgb(const QString& path);

// Compares two pictures pixel by pixel on their red, green and blue. Returns an empty text when
// they are alike, otherwise what differs first (size, or the first pixel and both values).
QString describeDifference(const QImage& expected, const QImage& actual);

}  // namespace glint::e2e
