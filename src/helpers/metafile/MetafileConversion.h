#pragma once
// What the metafile helper does with a file's contents: draws it. Needs a QGuiApplication
// (fonts).
#include <QByteArray>
#include <QImage>
#include <optional>

namespace glint {

// An enhanced metafile's drawing on a white page of its frame's size, within the metafile
// drawing limit.
std::optional<QImage> drawEmf(const QByteArray& file);

// The drawing of the metafile `file`, Format_RGB32; nothing when it cannot be drawn.
std::optional<QImage> drawMetafile(const QByteArray& file);

// Where Debian's libwmf looks for its fonts (package fonts-urw-base35), and whether they are
// there: libwmf refuses to play any plain metafile when it finds none of them.
inline constexpr const char* kWmfFontDir = "/usr/share/fonts/type1/urw-base35";
bool wmfFontsMissing();

}  // namespace glint
