#include "PixelGrid.h"

#include <algorithm>
#include <cmath>

namespace glint {

namespace {

// Ratios such as 1.25 come as the nearest double: whole numbers within this count as whole.
constexpr double kWholeEnough = 1e-6;

int down(double value) { return int(std::floor(value + kWholeEnough)); }
int up(double value) { return int(std::ceil(value - kWholeEnough)); }

}  // namespace

PixelGrid::PixelGrid(double devicePixelRatio, int border)
    : ratio_(devicePixelRatio > 0 ? devicePixelRatio : 1.0),
      scale_(std::max(1, down(ratio_))),
      border_(up(border * ratio_)) {}

QSize PixelGrid::widgetSize(int areaWidth, int areaHeight) const {
    return {up((2 * border_ + areaWidth * scale_) / ratio_),
            up((2 * border_ + areaHeight * scale_) / ratio_)};
}

QRect PixelGrid::toDevice(const QRect& area) const {
    return {border_ + area.x() * scale_, border_ + area.y() * scale_, area.width() * scale_,
            area.height() * scale_};
}

QRect PixelGrid::toWidget(const QRect& area) const {
    const QRect device = toDevice(area);
    const int left = down(device.x() / ratio_);
    const int top = down(device.y() / ratio_);
    return QRect(QPoint(left, top), QPoint(up((device.x() + device.width()) / ratio_) - 1,
                                           up((device.y() + device.height()) / ratio_) - 1));
}

QRect PixelGrid::toArea(const QRect& widget) const {
    const auto areaAt = [this](int devicePixel, bool roundUp) {
        const double at = double(devicePixel - border_) / scale_;
        return roundUp ? up(at) : down(at);
    };
    const int left = areaAt(down(widget.x() * ratio_), false);
    const int top = areaAt(down(widget.y() * ratio_), false);
    const int right = areaAt(up((widget.x() + widget.width()) * ratio_), true);
    const int bottom = areaAt(up((widget.y() + widget.height()) * ratio_), true);
    return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

}  // namespace glint
