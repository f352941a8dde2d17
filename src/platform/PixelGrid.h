#pragma once
// Where a picture box's drawing area lies on the display. A picture pixel covers `scale()`
// device pixels each way: the whole part of the display's device pixels per logical pixel, at
// least 1. So every picture pixel stays whole at any display scale (one device pixel at 125 %
// and 150 %, two at 200 %) and a scan line never comes out thicker or thinner than the next.
// The area starts after the border, at the first whole device pixel.
#include <QRect>
#include <QSize>

namespace glint {

class PixelGrid {
  public:
    PixelGrid(double devicePixelRatio, int border);

    int scale() const { return scale_; }
    double ratio() const { return ratio_; }

    // The widget's size (logical pixels) around an area of areaWidth x areaHeight pixels.
    QSize widgetSize(int areaWidth, int areaHeight) const;
    // Area pixels on the widget: in device pixels, and in logical pixels rounded outwards.
    QRect toDevice(const QRect& area) const;
    QRect toWidget(const QRect& area) const;
    // The area pixels that a rectangle of the widget (logical pixels) touches.
    QRect toArea(const QRect& widget) const;

  private:
    double ratio_;
    int scale_;
    int border_;  // in device pixels
};

}  // namespace glint
