#include "ColorSwatch.h"

#include <QPainter>

namespace glint {

ColorSwatch::ColorSwatch(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ColorSwatch::setFillColor(ColorValue color) {
    fillColor_ = color;
    update();
}

void ColorSwatch::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor fill(redOf(fillColor_), greenOf(fillColor_), blueOf(fillColor_));
    painter.fillRect(rect(), fill);
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

}  // namespace glint
