#pragma once
// Pictures one after the other in one stream, as `ffmpeg -f image2pipe` writes them: binary
// or plain netpbm pictures (pbm, pgm, ppm, pam), bitmaps and PNG files, each read to its own
// end and no further, so that the next one starts where it ends. Each picture is decoded by
// the loader's own decoders, with their checks and limits.
#include <QIODevice>
#include <QImage>

#include "engine/Status.h"

namespace glint {

enum class StreamRead { Picture, End };

// Reads the next picture of `stream` into `picture` (Format_RGB32 or Format_ARGB32). `read` is
// End when the stream ended before another picture began; a stream that ends inside one, or
// holds something else, fails.
Status readStreamPicture(QIODevice& stream, QImage& picture, StreamRead& read);

}  // namespace glint
