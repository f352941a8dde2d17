#pragma once
// One raster format the loader decodes itself: how it is recognised, the size its header gives,
// and the decoding of a whole file held in memory.
#include <QByteArrayView>
#include <QImage>
#include <QSize>

#include "engine/Status.h"

namespace glint {

struct RasterDecoder {
    // True when `head` (a file's first bytes) starts a file of this format.
    bool (*recognises)(QByteArrayView head);
    // The picture's size as the header of `file` gives it, without decoding the pixels;
    // QSize(-1, -1) when the header cannot be read. Zero sides are passed on as they are.
    QSize (*headerSize)(QByteArrayView file);
    // Decodes the whole of `file` into a Format_RGB32 or Format_ARGB32 picture. Missing or
    // damaged data is a failure; `picture` is then left as it was.
    Status (*decode)(QByteArrayView file, QImage& picture);
};

inline constexpr QSize kUnknownSize{-1, -1};

}  // namespace glint
