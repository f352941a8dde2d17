#pragma once
// Text in a drawing needs font files, which a locked-down helper can no longer open: every font
// the font database knows is opened before the lock and stays open in Qt's font cache.
namespace glint::helper {

// Needs a QGuiApplication.
void openAllFonts();

}  // namespace glint::helper
