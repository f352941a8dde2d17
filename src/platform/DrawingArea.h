#pragma once
// The pixels of a picture box's drawing area (32-bit, 0xFFRRGGBB), cleared lazily: a clear or
// a resize only notes which rows show nothing but the background colour, and such a blank row
// is filled when it is first needed (drawn on, read, or handed out; a repaint paints it in its
// colour without filling it). A render that draws every row so writes each pixel once, and a
// resize costs what it keeps, not its size.
// The pixels may be shared with the box's picture (PictureBox::assignImageAsPicture); a blank
// row then is blank in the picture too, so it is filled in place, for both.
#include <QImage>
#include <cstdint>

#include "BlankRows.h"
#include "engine/Status.h"

namespace glint {

class DrawingArea {
  public:
    int width() const { return width_; }
    int height() const { return height_; }

    // Takes a size of w x h pixels. What was drawn within the top left keepWidth x keepHeight
    // stays; every other pixel reads as `back`. Only drawn rows are copied. Fails, changing
    // nothing, when the memory cannot be had.
    Status resize(int w, int h, std::uint32_t back, int keepWidth, int keepHeight);
    // Every pixel reads as `back` from now on.
    void clear(std::uint32_t back);
    // Takes `shown` (Format_RGB32, fully drawn) as the area, w x h; a null image for an area
    // with no pixels.
    void assign(const QImage& shown, int w, int h);

    // Fills the blank rows among first..last; rows outside the area are left out.
    void fillRows(int first, int last);
    void fillAll() { fillRows(0, height_ - 1); }
    // Rows first..last (clipped) were written in whole: none of them is blank any more.
    void markDrawn(int first, int last) { blank_.markDrawn(first, last); }
    bool isBlank(int row) const { return blank_.isBlank(row); }
    int blankRows() const { return blank_.count(); }
    const BlankRows& blank() const { return blank_; }
    // What a blank row reads as.
    std::uint32_t blankPixel() const { return blank_.pixel(); }

    // The pixels; a blank row holds anything until it is filled. Null while there are none.
    QImage& image() { return image_; }
    const QImage& image() const { return image_; }
    // The pixels of `image` to be written in place, shared or not (no copy): only for the
    // colour of rows that are blank wherever these pixels are shared.
    static PixelView pixelsInPlace(const QImage& image);

  private:
    QImage image_;
    bool ownPixels_ = false;  // image_ was made here, not assigned
    int width_ = 0;  // kept apart from image_: an area can be 0 wide but still have a height
    int height_ = 0;
    BlankRows blank_;
};

}  // namespace glint
