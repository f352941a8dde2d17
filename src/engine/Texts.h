#pragma once
// Number formatting and the texts the engine writes into the info label (lines joined by CR LF).
#include <cstdint>
#include <string>

namespace glint {

inline constexpr const char* kCrLf = "\r\n";

// Shortest decimal form of a single-precision value, no leading blank ("1280", "12.5").
std::string formatSingle(float value);
// Whole number, halves rounded to even ("79", "0", "-3").
std::string formatWhole(double value);

// "Progress: <P*i>%" CR LF "Ey, Player: ..." (P*i formed in double).
std::string progressText(float percentPerRow, std::int32_t row);
// The same text written into `out`, reusing its storage: no allocation once it has held one.
void writeProgressText(float percentPerRow, std::int32_t row, std::string& out);
// "New pic width: <w> hight: <h>" CR LF "Press 'Shave As...' to save your ass."
std::string endText(float dstScaleWidth, float dstScaleHeight);
// "Pic: <name>" CR LF "Width: <w> Hight: <h>" CR LF " 'Make Raster' will last about <E> seconds,
// ..."
std::string picInfoText(const std::string& fileName, float scaleWidth, float scaleHeight,
                        double estimateSeconds);
// "Render error." CR LF "Please open an other picture file or adjust the scale."
std::string renderErrorText();

}  // namespace glint
