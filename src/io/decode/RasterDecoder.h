#pragma once
// One raster format the loader decodes itself: how it is recognised, the size its header gives,
// and the decoding of a whole file held in memory or read from an open file.
#include <QByteArrayView>
#include <QIODevice>
#include <QImage>
#include <QSize>

#include "DecodedRows.h"
#include "engine/Status.h"

namespace glint {

struct RasterDecoder {
    // True when `head` (a file's first bytes) starts a file of this format.
    bool (*recognises)(QByteArrayView head);
    // The picture's size as the header of `file` gives it, without decoding the pixels;
    // QSize(-1, -1) when the header cannot be read. Zero sides are passed on as they are.
    QSize (*headerSize)(QByteArrayView file);
    // Decodes the whole of `file` into a Format_RGB32 or Format_ARGB32 picture. Missing or
    // damaged data is a failure (DamageRules.h); a well-formed variant of the format that the
    // decoder cannot decode is Status::unsupported naming it ("a 12-bit JPEG"). `picture` is
    // then left as it was.
    Status (*decode)(QByteArrayView file, QImage& picture);
    // Optional (nullptr for formats without it): decodes like decode(), reading `file` from its
    // start in pieces of bounded size instead of holding it whole. `rows`, when set, is offered
    // the rows; when it takes them, they go to it one by one and `picture` is left as it was.
    // A file that is cut while it is read fails to decode.
    Status (*decodeFile)(QIODevice& file, QImage& picture, DecodedRows* rows);
};

inline constexpr QSize kUnknownSize{-1, -1};

}  // namespace glint
