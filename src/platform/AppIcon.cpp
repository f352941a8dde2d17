#include "AppIcon.h"

#include <QPixmap>

// The icon drawings, kept as XPM text next to the desktop entry.
#include "glintwork-16.xpm"
#include "glintwork-32.xpm"

namespace glint {

QIcon appIcon() {
    QIcon icon;
    icon.addPixmap(QPixmap(glintwork_32_xpm));
    icon.addPixmap(QPixmap(glintwork_16_xpm));
    return icon;
}

}  // namespace glint
