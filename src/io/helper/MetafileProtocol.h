#pragma once
// What the metafile helper writes to its standard output for a converted picture:
// the magic, width and height as 32-bit unsigned numbers in host order, then width * height
// opaque 0xffRRGGBB pixels, row after row from the top, host order. Nothing else is written;
// a failure is a non-zero exit code and no (or an incomplete) output.
#include <cstdint>

namespace glint {

inline constexpr char kMetafileMagic[4] = {'G', 'L', 'M', 'F'};
inline constexpr int kMetafileHeaderBytes = 12;
// The file to convert is the helper's only argument.
inline constexpr int kMetafileHelperExitOk = 0;
// A plain metafile could not be drawn and the fonts libwmf needs are not installed.
inline constexpr int kMetafileHelperExitNoFonts = 7;
// Where Debian's libwmf looks for its fonts (package fonts-urw-base35).
inline constexpr const char* kWmfFontDir = "/usr/share/fonts/type1/urw-base35";

}  // namespace glint
