#pragma once
// Recognises the photo formats that the photo helper decodes, by their first bytes.
#include <QByteArray>

namespace glint {

enum class PhotoKind { None, Heif, Jxl };

// Bytes of a file's beginning that photoKind() reads.
inline constexpr int kPhotoProbeBytes = 64;

// HEIF: an ISO base media file whose file-type box names a still-image brand (HEIC, AVIF and
// their image-sequence brands). JPEG XL: a bare code stream or the JPEG XL container.
PhotoKind photoKind(const QByteArray& head);

}  // namespace glint
