#pragma once
// What the render and the sizing procedures need of a picture box, in pixels.
// The drawing area is the inside of a 2-pixel border: outer size = drawing area + 4.
#include <cstdint>

#include "ColorValue.h"
#include "PixelView.h"
#include "Status.h"

namespace glint {

// Background colour of a picture box until told otherwise: shown where nothing is drawn and
// under the transparent pixels of a picture.
inline constexpr ColorValue kDefaultBoxBackColor = RGB(240, 240, 240);

class PictureSurface {
public:
    virtual ~PictureSurface() = default;

    // Size of the drawing area.
    virtual float scaleWidth() const = 0;
    virtual float scaleHeight() const = 0;
    // Outer size, border included. Setting it resizes the drawing area; what was drawn stays
    // at the top left and new area takes the box's background colour. A size the box cannot
    // hold is a failure and leaves the box as it was.
    virtual float width() const = 0;
    virtual float height() const = 0;
    virtual Status setWidth(float outerWidth) = 0;
    virtual Status setHeight(float outerHeight) = 0;

    // Colour of the shown pixel at (x, y); -1 outside the drawing area.
    virtual ColorValue point(float x, float y) const = 0;
    // Horizontal line from (x1, y) to (x2, y), end point excluded, clipped to the drawing area.
    virtual void line(float x1, float y, float x2, ColorValue color) = 0;

    // Picture = the empty picture: discards the drawing, clears to the background colour.
    virtual void assignEmptyPicture() = 0;
    // Picture = Image: what has been drawn becomes the box's picture (shared, not copied).
    virtual void assignImageAsPicture() = 0;
    // True when the box's picture is not the empty picture (its handle is greater than 0).
    virtual bool hasPicture() const = 0;

    // Direct access to the drawing area for the row kernel.
    virtual ConstPixelView pixels() const = 0;
    virtual PixelView mutablePixels() = 0;
    // Rows first..last (inclusive) of the drawing area were written through mutablePixels().
    virtual void rowsChanged(std::int32_t first, std::int32_t last) = 0;
};

}  // namespace glint
