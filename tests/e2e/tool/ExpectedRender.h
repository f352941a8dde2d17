#pragma once
// What the window's render of a picture must give, worked out apart from the window.
#include <QImage>

#include "engine/ColorValue.h"
#include "engine/Status.h"

namespace glint::e2e {

struct RenderValues {
    int scale = 2;
    int red = 0;
    int blue = 0;
    ColorValue backCol = 0;
};

// Renders `source` the way a finished render does: the extent from its size, then every source
// row through the engine's row kernel into a picture scale times the source's size.
Status engineRender(const QImage& source, const RenderValues& values, QImage& result);

// The same picture straight from its definition: row y*scale holds runs of the source pixel's
// green with the given red and blue, the scale-1 rows below it are the background colour.
QImage definitionRender(const QImage& source, const RenderValues& values);

}  // namespace glint::e2e
