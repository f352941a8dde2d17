#include "Texts.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace glint {

namespace {

// Whole values below this are written out in full, never with an exponent.
constexpr double kPlainWholeLimit = 1e15;
constexpr std::size_t kNumberBuffer = 400;  // enough for any double in fixed notation
constexpr const char* kProgressHint = "Ey, Player: Use the Red- and Blue-Slider for interaction!";

template <typename T, typename... Format>
std::string toChars(T value, Format... format) {
    char buffer[kNumberBuffer];
    const std::to_chars_result r = std::to_chars(buffer, buffer + sizeof buffer, value, format...);
    if (r.ec != std::errc()) return {};
    return std::string(buffer, r.ptr);
}

double wholeValue(double value) {
    const double rounded = std::nearbyint(value);
    return rounded == 0.0 ? 0.0 : rounded;  // no "-0"
}

}  // namespace

std::string formatSingle(float value) {
    if (value == 0.0f) return "0";  // also for -0
    const double wide = value;
    if (std::isfinite(wide) && std::trunc(wide) == wide && std::fabs(wide) < kPlainWholeLimit) {
        return toChars(value, std::chars_format::fixed);
    }
    return toChars(value);
}

std::string formatWhole(double value) {
    return toChars(wholeValue(value), std::chars_format::fixed, 0);
}

void writeProgressText(float percentPerRow, std::int32_t row, std::string& out) {
    const double percent = static_cast<double>(percentPerRow) * static_cast<double>(row);
    char number[kNumberBuffer];
    const std::to_chars_result r = std::to_chars(number, number + sizeof number,
                                                 wholeValue(percent), std::chars_format::fixed, 0);
    out.assign("Progress: ");
    if (r.ec == std::errc()) out.append(number, r.ptr);
    out.append("%").append(kCrLf).append(kProgressHint);
}

std::string progressText(float percentPerRow, std::int32_t row) {
    std::string text;
    writeProgressText(percentPerRow, row, text);
    return text;
}

std::string endText(float dstScaleWidth, float dstScaleHeight) {
    return "New pic width: " + formatSingle(dstScaleWidth) +
           " hight: " + formatSingle(dstScaleHeight) + kCrLf +
           "Press 'Shave As...' to save your ass.";
}

std::string picInfoText(const std::string& fileName, float scaleWidth, float scaleHeight,
                        double estimateSeconds) {
    return "Pic: " + fileName + kCrLf + "Width: " + formatSingle(scaleWidth) +
           " Hight: " + formatSingle(scaleHeight) + kCrLf + " 'Make Raster' will last about " +
           formatWhole(estimateSeconds) + " seconds, Coc'Sucker!";
}

std::string renderErrorText() {
    return std::string("Render error.") + kCrLf +
           "Please open an other picture file or adjust the scale.";
}

}  // namespace glint
