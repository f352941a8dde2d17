#include "PictureBox.h"

#include <QtWidgets/qdrawutil.h>

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace glint {

namespace {

constexpr qint64 kBytesPerPixel = 4;
// A side the widget itself can take (Qt caps widget sizes at QWIDGETSIZE_MAX).
constexpr int kMaxSide = QWIDGETSIZE_MAX - 2 * PictureBox::kBorder;

// Rounds to the nearest whole number, ties to even. False for NaN or infinity.
bool roundHalfEven(double value, double& rounded) {
    if (!std::isfinite(value)) return false;
    rounded = std::nearbyint(value);
    return true;
}

// The drawing-area side for an outer size, or -1 when the box cannot take it.
int areaSideFor(float outer) {
    double rounded = 0;
    if (!roundHalfEven(outer, rounded) || rounded < 0) return -1;
    const double side = std::max(0.0, rounded - 2 * PictureBox::kBorder);
    if (side > kMaxSide) return -1;
    return static_cast<int>(side);
}

void fillRow(std::uint32_t* row, int from, int to, std::uint32_t pixel) {
    std::fill(row + from, row + to, pixel);
}

}  // namespace

PictureBox::PictureBox(QWidget* parent) : QWidget(parent), backColor_(kDefaultBoxBackColor) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    QWidget::resize(2 * kBorder, 2 * kBorder);
    repaintTimer_.setSingleShot(true);
    repaintTimer_.setTimerType(Qt::PreciseTimer);
    connect(&repaintTimer_, &QTimer::timeout, this, &PictureBox::showDrawing);
}

void PictureBox::setBackColor(ColorValue color) { backColor_ = color; }

float PictureBox::scaleWidth() const { return static_cast<float>(areaWidth_); }
float PictureBox::scaleHeight() const { return static_cast<float>(areaHeight_); }
float PictureBox::width() const { return static_cast<float>(areaWidth_ + 2 * kBorder); }
float PictureBox::height() const { return static_cast<float>(areaHeight_ + 2 * kBorder); }

Status PictureBox::setWidth(float outerWidth) {
    const int side = areaSideFor(outerWidth);
    if (side < 0) return Status::failure("picture box width out of range");
    return resizeArea(side, areaHeight_);
}

Status PictureBox::setHeight(float outerHeight) {
    const int side = areaSideFor(outerHeight);
    if (side < 0) return Status::failure("picture box height out of range");
    return resizeArea(areaWidth_, side);
}

Status PictureBox::resizeArea(int areaWidth, int areaHeight) {
    if (areaWidth == areaWidth_ && areaHeight == areaHeight_) return Status::ok();
    if (qint64(areaWidth) * areaHeight * kBytesPerPixel > kMaxAreaBytes)
        return Status::failure("picture box area too large");

    QImage grown;
    if (areaWidth > 0 && areaHeight > 0) {
        grown = QImage(areaWidth, areaHeight, QImage::Format_RGB32);
        if (grown.isNull()) return Status::failure("out of memory for the picture box area");
        // What was drawn stays at the top left; everything else takes the background colour.
        const std::uint32_t back = toPixel(backColor_);
        const int keepWidth = std::min(areaWidth, image_.width());
        const int keepHeight = std::min(areaHeight, image_.height());
        for (int y = 0; y < areaHeight; ++y) {
            auto* row = reinterpret_cast<std::uint32_t*>(grown.scanLine(y));
            int from = 0;
            if (y < keepHeight) {
                std::memcpy(row, image_.constScanLine(y), std::size_t(keepWidth) * 4);
                from = keepWidth;
            }
            fillRow(row, from, areaWidth, back);
        }
    }
    adoptArea(grown, areaWidth, areaHeight);
    return Status::ok();
}

void PictureBox::adoptArea(const QImage& area, int areaWidth, int areaHeight) {
    image_ = area;
    areaWidth_ = areaWidth;
    areaHeight_ = areaHeight;
    QWidget::resize(areaWidth + 2 * kBorder, areaHeight + 2 * kBorder);
    update();
}

Status PictureBox::assignPicture(const QImage& picture) {
    if (picture.isNull()) {
        assignEmptyPicture();
        return Status::ok();
    }
    int areaWidth = areaWidth_;
    int areaHeight = areaHeight_;
    if (autoSize_) {
        areaWidth = picture.width();
        areaHeight = picture.height();
        if (areaWidth > kMaxSide || areaHeight > kMaxSide ||
            qint64(areaWidth) * areaHeight * kBytesPerPixel > kMaxAreaBytes)
            return Status::failure("picture too large for the picture box");
    }
    QImage shown;
    if (areaWidth > 0 && areaHeight > 0) {
        shown = QImage(areaWidth, areaHeight, QImage::Format_RGB32);
        if (shown.isNull()) return Status::failure("out of memory for the picture");
        shown.fill(toPixel(backColor_));
        QPainter painter(&shown);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, picture);
    }
    picture_ = picture;
    adoptArea(shown, areaWidth, areaHeight);
    return Status::ok();
}

void PictureBox::assignEmptyPicture() {
    picture_ = QImage();
    if (!image_.isNull()) image_.fill(toPixel(backColor_));
    update();
}

void PictureBox::assignImageAsPicture() {
    picture_ = image_;
    // The drawing is finished: it is shown in full at once.
    showDrawing();
}

ColorValue PictureBox::point(float x, float y) const {
    double rx = 0;
    double ry = 0;
    if (!roundHalfEven(x, rx) || !roundHalfEven(y, ry)) return -1;
    if (rx < 0 || ry < 0 || rx >= image_.width() || ry >= image_.height()) return -1;
    const auto* row = reinterpret_cast<const std::uint32_t*>(image_.constScanLine(int(ry)));
    return fromPixel(row[int(rx)]);
}

void PictureBox::line(float x1, float y, float x2, ColorValue color) {
    double from = 0;
    double to = 0;
    double ry = 0;
    if (!roundHalfEven(x1, from) || !roundHalfEven(x2, to) || !roundHalfEven(y, ry)) return;
    if (ry < 0 || ry >= image_.height()) return;
    // The end point is left out, whichever way the line runs.
    double first = from;
    double last = to - 1;
    if (to < from) {
        first = to + 1;
        last = from;
    }
    first = std::max(first, 0.0);
    last = std::min(last, double(image_.width() - 1));
    if (first > last) return;
    const int row = int(ry);
    auto* pixels = reinterpret_cast<std::uint32_t*>(image_.scanLine(row));
    fillRow(pixels, int(first), int(last) + 1, toPixel(color));
    drawingChanged(QRect(int(first), row, int(last - first) + 1, 1));
}

ConstPixelView PictureBox::pixels() const {
    if (image_.isNull()) return {};
    return {reinterpret_cast<const std::uint32_t*>(image_.constBits()), image_.width(),
            image_.height(), image_.bytesPerLine() / 4};
}

PixelView PictureBox::mutablePixels() {
    if (image_.isNull()) return {};
    // bits() detaches: a picture sharing these pixels keeps its own copy.
    return {reinterpret_cast<std::uint32_t*>(image_.bits()), image_.width(), image_.height(),
            image_.bytesPerLine() / 4};
}

void PictureBox::rowsChanged(std::int32_t first, std::int32_t last) {
    // Called for every drawn row: the area's sides are kept here, no need to ask image_.
    if (areaWidth_ <= 0) return;
    first = std::max(first, 0);
    last = std::min(last, areaHeight_ - 1);
    if (first > last) return;
    drawingChanged(QRect(0, first, areaWidth_, last - first + 1));
}

QRect PictureBox::visibleRect() const {
    if (!isVisible()) return {};
    QRect visible = rect();
    QPoint origin;  // this box's top left in the coordinates of `widget`'s parent
    for (const QWidget* widget = this; !widget->isWindow(); widget = widget->parentWidget()) {
        const QWidget* parent = widget->parentWidget();
        if (parent == nullptr) break;
        origin += widget->pos();
        visible &= parent->rect().translated(-origin);
    }
    return visible;
}

void PictureBox::drawingChanged(const QRect& areaRect) {
    // Cheap enough to do for every row: an invisible box, or rows outside what its window
    // shows, need no repaint now.
    const QRect visible = visibleRect() & areaRect.translated(kBorder, kBorder);
    if (visible.isEmpty()) return;
    pendingRepaint_ |= visible;
    const qint64 sinceRepaint =
        lastRepaint_.isValid() ? lastRepaint_.elapsed() : qint64{kRepaintIntervalMs};
    if (sinceRepaint >= kRepaintIntervalMs) {
        showDrawing();
    } else if (!repaintTimer_.isActive()) {
        repaintTimer_.start(kRepaintIntervalMs - int(sinceRepaint));
    }
}

void PictureBox::showDrawing() {
    repaintTimer_.stop();
    if (pendingRepaint_.isEmpty()) return;
    update(pendingRepaint_);
    pendingRepaint_ = QRect();
    lastRepaint_.start();
}

void PictureBox::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    const QRect area(kBorder, kBorder, image_.width(), image_.height());
    const QRect exposed = event->rect() & area;
    if (!exposed.isEmpty()) {
        // 1:1, so no smoothing is involved; only the exposed part is copied.
        painter.drawImage(exposed.topLeft(), image_, exposed.translated(-kBorder, -kBorder));
    }
    if (!area.contains(event->rect())) {
        qDrawShadePanel(&painter, rect(), palette(), true, kBorder);
    }
}

}  // namespace glint
