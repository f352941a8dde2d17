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
    // at the top left and new area takes the box's background colour. A side the box cannot
    // hold is a failure and leaves the box as it was.
    virtual float outerWidth() const = 0;
    virtual float outerHeight() const = 0;
    virtual Status setOuterWidth(float outerWidth) = 0;
    virtual Status setOuterHeight(float outerHeight) = 0;
    // A box may take the area of the sides set so far only when it is next used; this takes it
    // now. When the box cannot hold that area it fails: the side set last goes back to what it
    // was, and the other keeps its new value if the box can hold that (else it goes back too).
    virtual Status applySize() { return Status::ok(); }

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
    // Rows first..last of the drawing area, as far as it has them, to be written: row 0 of the
    // view is row `first`. Empty when row `first` does not lie in the area. With `wholeRows`
    // the caller writes every pixel of each row it then reports through rowsChanged, so a box
    // that clears rows lazily need not clear them first; rows it does not report stay as
    // they were shown.
    virtual PixelView mutableRows(std::int32_t first, std::int32_t last, bool wholeRows) {
        (void)wholeRows;
        const PixelView all = mutablePixels();
        if (first < 0 || first >= all.height || last < first) return {};
        const std::int32_t end = last < all.height ? last + 1 : all.height;
        return {all.row(first), all.width, end - first, all.stride};
    }
    // Rows first..last (inclusive) of the drawing area were written through mutablePixels() or
    // mutableRows().
    virtual void rowsChanged(std::int32_t first, std::int32_t last) = 0;
};

}  // namespace glint
