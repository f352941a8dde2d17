#pragma once
// The window icon, 32x32 and 16x16. Needs a QGuiApplication.
#include <QIcon>

namespace glint {

QIcon appIcon();

}  // namespace glint
