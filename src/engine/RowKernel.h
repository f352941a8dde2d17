#pragma once
// The row kernel: one source row becomes one row of pixel runs and scale-1 gap rows.
#include <cstdint>

#include "ColorValue.h"
#include "PixelView.h"
#include "Status.h"

namespace glint {

// The values a row is drawn with. The window reads them from its form-level values once per
// source row (events run only between rows, so they cannot change within one).
struct RowValues {
    std::int32_t scale = 2;    // RasterScale
    ColorValue backCol = 0;    // colour of the gap rows
    std::int32_t redVal = 0;   // red of every run, 0..255
    std::int32_t blueVal = 0;  // blue of every run, 0..255
};

// How the kernel stores its pixels. Cached: into the caches, for rows that are read again
// soon (a band that is written out next). Streaming: past the caches, for a large area that is
// only shown later (the window's destination): the stores then neither read the area first nor
// push out of the caches what the window needs between rows.
enum class RowStores { Cached, Streaming };

// Draws source row `i` (columns 0..lastColumn) of `src` into `dst`:
//  - the run of column j covers x = s*j .. s*j+s-1 of destination row s*i, in
//    RGB(redVal, green of the source pixel, blueVal); a pixel outside `src` has green 0;
//  - gap rows s*i+1 .. s*i+s-1 cover x = 0 .. s*(lastColumn+1)-1 in backCol.
// `dst` row 0 is destination row `dstOriginY`, so a band buffer of s rows can be passed with
// dstOriginY = s*i. Everything is clipped to `dst`. A coordinate that leaves the 32-bit signed
// range is a failure, and nothing of that row is drawn. The pixels are the same whatever
// `stores` says.
Status drawSourceRow(const ConstPixelView& src, std::int32_t i, std::int32_t lastColumn,
                     const RowValues& values, const PixelView& dst, std::int32_t dstOriginY = 0,
                     RowStores stores = RowStores::Cached);

}  // namespace glint
