#pragma once
// What the metafile helper does with a file's contents: converts, draws and writes the picture
// in the helper's output format (io/MetafileProtocol.h). Needs a QGuiApplication (fonts).
#include <QByteArray>
#include <QImage>
#include <cstdint>
#include <cstdio>

#include "MetafileToSvg.h"

namespace glint {

// The helper's exit codes besides kMetafileHelperExitOk.
enum MetafileHelperExit {
    kUsage = 2,
    kUnreadable = 3,
    kNotConverted = 4,
    kNotDrawn = 5,
    kNotWritten = 6,
};

// The drawing on a white page of its own size; a null image when it cannot be drawn.
QImage drawSvg(const SvgDrawing& drawing);

// Converts the metafile `file` and writes its picture to `out`. A drawing of more than
// `maxPixels` pixels is not converted. Returns the helper's exit code.
int convertMetafile(const QByteArray& file, std::int64_t maxPixels, std::FILE* out);

}  // namespace glint
