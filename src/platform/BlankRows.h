#pragma once
// The rows of a pixel area that read as one colour without holding it yet: a clear or a
// resize only notes them, and a row is filled when it is first needed (see DrawingArea).
#include <cstdint>
#include <vector>

#include "engine/PixelView.h"

namespace glint {

class BlankRows {
  public:
    // `rows` rows, every one of them blank in `pixel`.
    void setAll(int rows, std::uint32_t pixel);
    // No blank row.
    void clear() { *this = BlankRows(); }

    int count() const { return count_; }
    bool isBlank(int row) const { return count_ > 0 && flags_[std::size_t(row)] != 0; }
    // What a blank row reads as.
    std::uint32_t pixel() const { return pixel_; }

    // Rows first..last (clipped) hold their own pixels now.
    void markDrawn(int first, int last);
    // Writes the colour into the blank ones of rows first..last (clipped) of `pixels`, whose
    // row 0 is row 0 here. The note stays as it is: `pixels` may be filled on another thread
    // while this one only reads the note.
    void fillPixels(const PixelView& pixels, int first, int last) const;

  private:
    std::vector<std::uint8_t> flags_;  // per row: 1 while it is blank
    int count_ = 0;
    std::uint32_t pixel_ = 0;
};

}  // namespace glint
