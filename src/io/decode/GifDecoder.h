#pragma once
// GIF files, decoded with giflib straight into the 32-bit layout the engine reads. The file
// must be whole: a frame whose data ends early, a record cut short or a missing trailer fails
// the load, as does a pixel past the colour table. A frame whose LZW codes start wider than
// giflib's (minimum code size 9 to 11, see DamageRules.h) is refused as unsupported.
//
// Frames are composed on the logical screen as a viewer shows them: the screen starts as the
// background colour, or transparent when the first frame has a transparent colour; a frame's
// transparent pixels leave the screen as it was, parts outside the screen are clipped, and
// after a frame was shown its area stays (disposal 0 and 1), is cleared to what the screen
// started as (2) or is put back as it was before (3).
#include "PictureFrames.h"
#include "RasterDecoder.h"

namespace glint {

// The first frame on the screen (RasterDecoder's decode).
extern const RasterDecoder kGifDecoder;

// Every frame, each the whole screen after it was drawn, with its delay (the file's
// centiseconds as milliseconds) and the loop count (NETSCAPE2.0: repeats n as n + 1 plays, 0
// for ever; none: once). Frames over the limits of LoadLimits.h fail the decoding.
Status decodeGifFrames(QByteArrayView file, PictureFrames& frames);

}  // namespace glint
