#pragma once
// Formats that the image reader decodes through plug-ins loaded at run time. When a file is
// recognisably one of them but its plug-in is not installed, the user is told which package
// brings it instead of being told that the file is not a picture.
#include <QByteArray>
#include <optional>
#include <string>

namespace glint {

// The bytes at the start of a file this many long are enough to recognise every format here.
inline constexpr int kImagePluginProbeBytes = 12;

// For a file that starts with `head`: a text naming the missing plug-in and its package when
// the file is in a plug-in format whose plug-in is not installed; nothing otherwise.
std::optional<std::string> missingImagePlugin(const QByteArray& head);

}  // namespace glint
