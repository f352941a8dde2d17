#pragma once
// Windows bitmaps (.bmp, .rle), decoded straight into the 32-bit layout the engine reads.
//
// What counts as damage (the open fails) and what is harmless:
// - pixel rows that reach past the end of the file, or run-length data that ends before its
//   end-of-bitmap code: damage, the file is cut;
// - a run, a literal run or a delta that reaches past the right edge or the last row: damage,
//   the data does not describe a picture of the size the header gives;
// - a pixel whose index lies past the palette: damage, the file does not give its colour;
// - a wrong file-size or image-size field: harmless, neither is needed to find or read the
//   pixels (the offset and the header give where they are and how many there are);
// - a run-length bitmap marked top-down: harmless, the rows are read top row first, which is
//   the one reading the mark allows;
// - pixels a run-length bitmap skips (delta, early end of line or bitmap): harmless, a feature
//   of the format; they take palette entry 0.
#include "RasterDecoder.h"

namespace glint {

extern const RasterDecoder kBmpDecoder;

}  // namespace glint
