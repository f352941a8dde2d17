#pragma once
// Pictures as independent decoders read them, for pixel-by-pixel comparisons with the loader:
// Pillow (python3-pil), the netpbm tools and ImageMagick, each run as a program of its own.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>

namespace glint::test {

enum class Reference {
    Pillow,       // Image.open(file).convert("RGBA")
    Netpbm,       // pamdepth 255 file | pamtopng: samples scaled to 0..255, rounded
    ImageMagick,  // convert file png:-
};

// `file` as `reference` decodes it, in Format_ARGB32 (not premultiplied); a null image when it
// cannot read the file.
QImage referenceImage(Reference reference, const QString& file);

// The same size and every pixel the same, where pixels that are transparent in both (alpha 0)
// count as the same whatever their colour.
::testing::AssertionResult samePixels(const QImage& actual, const QImage& expected);

}  // namespace glint::test
