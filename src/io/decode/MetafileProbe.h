#pragma once
// Recognises Windows metafiles by their first bytes and reads the size their header gives.
#include <QByteArray>
#include <QSize>

namespace glint {

enum class MetafileKind { None, Emf, Wmf };

// Bytes of a file's beginning that are enough for metafileKind() and metafileSize().
inline constexpr int kMetafileProbeBytes = 128;

// What kind of metafile `head` (the first bytes of a file) starts, if any.
MetafileKind metafileKind(const QByteArray& head);

// The size in pixels at 96 dpi that the header of `head` gives: the frame of an enhanced
// metafile (in 0.01 mm), the bounding box of a placeable metafile (in its own units per inch).
// An invalid size when the header gives none (a plain metafile) or an unusable one.
QSize metafileSize(const QByteArray& head);

// The size a metafile of `declared` size is drawn at: the same when it has at most
// kMaxMetafilePixels pixels, else scaled down in both directions alike to fit that limit.
QSize metafileDrawnSize(const QSize& declared);

}  // namespace glint
