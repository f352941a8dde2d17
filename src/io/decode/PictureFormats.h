#pragma once
// Which decoder reads a picture, told by the file's first bytes: the one table that loading and
// probing share.
//
// Detection order (the first entry that recognises the head wins):
//  1. Metafiles (emf, wmf). Their signatures are the weakest: a plain metafile starts with a
//     few small numbers. Nothing below starts the same way, but they go first so that no
//     looser check further down can claim one.
//  2. Photos (HEIF, AVIF, JPEG XL): an ISO base media file-type box with a HEIF brand, or the
//     JPEG XL code stream and container signatures.
//  3. The loader's own decoders (jpeg, png, bmp/rle, gif, ico/cur, pbm/pgm/ppm/pam, xbm), by
//     their magic bytes: an icon directory's zero and type, "P1".."P7" and white space, an X
//     bitmap's first "#define NAME_width" (after comments). These signatures are disjoint, so
//     their order among themselves does not matter.
//  4. Everything else goes to the picture helper, where Qt's readers decide by content (tiff,
//     webp, svg, xpm, ...); a file none of them reads is not a picture.
// Each check looks at no more than kFormatProbeBytes bytes.
#include <QByteArrayView>
#include <QIODevice>
#include <QSize>

#include "RasterDecoder.h"

namespace glint {

enum class DecodedBy {
    Loader,          // in this process, by one of the loader's own decoders
    MetafileHelper,  // glintwork-metafile
    PhotoHelper,     // glintwork-photo
    PictureHelper,   // glintwork-picture: every other format, through Qt's readers
};

struct PictureFormat {
    const char* name;  // for messages and help texts
    DecodedBy decodedBy;
    // The loader's own decoder; nullptr unless decodedBy is DecodedBy::Loader.
    const RasterDecoder* decoder;
};

// Bytes of a file's beginning that pictureFormatFor() needs.
inline constexpr int kFormatProbeBytes = 128;

// The format of the file that starts with `head` (its first kFormatProbeBytes bytes, or all of
// a shorter file). Never null: unrecognised files go to the picture helper.
const PictureFormat& pictureFormatFor(QByteArrayView head);

// The picture's size as the header of `file` (open for reading, read from its start) gives it,
// as stored, without decoding the pixels; kUnknownSize when the format's header is not read
// here or gives no size.
QSize storedHeaderSize(const PictureFormat& format, QIODevice& file, QByteArrayView head);

}  // namespace glint
