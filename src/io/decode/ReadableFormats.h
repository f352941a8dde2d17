#pragma once
// The picture formats that LoadPicture reads, for help texts.
#include <QStringList>

namespace glint {

// Lower-case file name endings, sorted and without repeats: those of the image reader's
// plugins, the metafiles, the photo formats (HEIF, AVIF, JPEG XL) and the loader's own
// decoders that no plug-in names (icons, netpbm, X bitmaps). The loader itself decides
// by content, not by name. Needs the application object (the reader's plugins are looked up).
QStringList readableFormats();

}  // namespace glint
