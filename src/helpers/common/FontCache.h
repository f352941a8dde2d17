#pragma once
// Text in a drawing needs font files, which a locked-down helper can no longer open (see
// Sandbox.h). Every font file the system's font configuration lists is opened before the lock,
// and an open() of one of those paths after it is answered with a copy of that descriptor,
// read from its start: the font libraries (FreeType for Qt, libwmf) find their fonts, every
// other path stays closed. Opening the files costs little; reading them is left to the libraries,
// for the fonts a drawing really uses.
namespace glint::helper {

// Opens the font files. Call before Sandbox's lockDown().
void openFontFiles();

}  // namespace glint::helper
