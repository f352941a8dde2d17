#pragma once
// What the metafile helper does with a file's contents: draws it and writes the picture in the
// helper's output format (io/MetafileProtocol.h). Needs a QGuiApplication (fonts).
#include <QByteArray>
#include <QImage>
#include <cstdio>
#include <optional>

namespace glint {

// The helper's exit codes besides those in io/MetafileProtocol.h.
enum MetafileHelperExit {
    kUsage = 2,
    kUnreadable = 3,
    kNotConverted = 4,
    kNotDrawn = 5,
    kNotWritten = 6,
};

// An enhanced metafile's drawing on a white page of its frame's size, within the metafile
// drawing limit.
std::optional<QImage> drawEmf(const QByteArray& file);

// Draws the metafile `file` and writes its picture to `out`. Returns the helper's exit code.
int convertMetafile(const QByteArray& file, std::FILE* out);

}  // namespace glint
