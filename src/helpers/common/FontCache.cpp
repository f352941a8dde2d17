#include "FontCache.h"

#include <QFontDatabase>
#include <QRawFont>

namespace glint::helper {

void openAllFonts() {
    constexpr int kAnySize = 16;
    for (const QString& family : QFontDatabase::families()) {
        for (const QString& style : QFontDatabase::styles(family)) {
            QFont font = QFontDatabase::font(family, style, kAnySize);
            font.setPixelSize(kAnySize);
            (void)QRawFont::fromFont(font).glyphIndexesForString(QStringLiteral("a"));
        }
    }
}

}  // namespace glint::helper
