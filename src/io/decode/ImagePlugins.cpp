#include "ImagePlugins.h"

#include <QImageReader>
#include <array>

namespace glint {
namespace {

struct PluginFormat {
    const char* name;     // as the user knows the format
    const char* key;      // as the image reader lists it
    const char* package;  // the Debian package that installs the plug-in
    bool (*matches)(const QByteArray& head);
};

bool startsWith(const QByteArray& head, const char* magic, int length, int at = 0) {
    return head.size() >= at + length && head.mid(at, length) == QByteArray(magic, length);
}

constexpr const char* kQtFormats = "qt6-image-formats-plugins";

const std::array<PluginFormat, 2> kFormats{{
    {"WebP", "webp", kQtFormats,
     [](const QByteArray& h) { return startsWith(h, "RIFF", 4) && startsWith(h, "WEBP", 4, 8); }},
    {"icns", "icns", kQtFormats, [](const QByteArray& h) { return startsWith(h, "icns", 4); }},
}};

}  // namespace

std::optional<std::string> missingImagePlugin(const QByteArray& head) {
    for (const PluginFormat& format : kFormats) {
        if (!format.matches(head)) continue;
        if (QImageReader::supportedImageFormats().contains(format.key)) return std::nullopt;
        return std::string("The image plug-in for ") + format.name +
               " pictures is not installed (Debian package " + format.package + ").";
    }
    return std::nullopt;
}

}  // namespace glint
