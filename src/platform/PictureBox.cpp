#include "PictureBox.h"

#include <QtWidgets/qdrawutil.h>

#include <QPaintEvent>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "WorkAside.h"

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

void PictureBox::setBackColor(ColorValue color) {
    settle();  // a pending size takes the colour it was given under
    backColor_ = color;
}

float PictureBox::scaleWidth() const { return static_cast<float>(wantWidth_); }
float PictureBox::scaleHeight() const { return static_cast<float>(wantHeight_); }
float PictureBox::outerWidth() const { return static_cast<float>(wantWidth_ + 2 * kBorder); }
float PictureBox::outerHeight() const { return static_cast<float>(wantHeight_ + 2 * kBorder); }

Status PictureBox::setOuterWidth(float outerWidth) {
    const int side = areaSideFor(outerWidth);
    if (side < 0) return Status::failure("picture box width out of range");
    noteSide(Side::Width, side, wantWidth_, keepWidth_);
    return Status::ok();
}

Status PictureBox::setOuterHeight(float outerHeight) {
    const int side = areaSideFor(outerHeight);
    if (side < 0) return Status::failure("picture box height out of range");
    noteSide(Side::Height, side, wantHeight_, keepHeight_);
    return Status::ok();
}

void PictureBox::noteSide(Side side, int areaSide, int& want, int& keep) {
    if (!sizePending()) {
        keepWidth_ = area_.width();
        keepHeight_ = area_.height();
    }
    keepBeforeLast_ = keep;
    keep = std::min(keep, areaSide);
    want = areaSide;
    lastSet_ = side;
    resizeWidget(wantWidth_, wantHeight_);
}

Status PictureBox::applySize() {
    if (!sizePending()) return Status::ok();
    Status st = takeArea(wantWidth_, wantHeight_, keepWidth_, keepHeight_);
    if (st.failed()) {
        // The side given last goes back; the other keeps its new size if the box can hold it.
        int keptWidth = area_.width();
        int keptHeight = area_.height();
        int keepWidth = keepWidth_;
        int keepHeight = keepHeight_;
        if (lastSet_ == Side::Width) {
            keptHeight = wantHeight_;
            keepWidth = keepBeforeLast_;
        } else if (lastSet_ == Side::Height) {
            keptWidth = wantWidth_;
            keepHeight = keepBeforeLast_;
        }
        // The box keeps its area when it cannot hold this one either.
        (void)takeArea(keptWidth, keptHeight, keepWidth, keepHeight);
        resizeWidget(area_.width(), area_.height());
        wantWidth_ = area_.width();
        wantHeight_ = area_.height();
    }
    lastSet_ = Side::None;
    return st;
}

void PictureBox::settle() {
    if (sizePending()) (void)applySize();
}

PictureBox& PictureBox::settled() const {
    // A box is never a const object: only its reading members are const.
    auto& self = const_cast<PictureBox&>(*this);
    self.settle();
    return self;
}

Status PictureBox::takeArea(int areaWidth, int areaHeight, int keepWidth, int keepHeight) {
    if (areaWidth == area_.width() && areaHeight == area_.height() && keepWidth >= areaWidth &&
        keepHeight >= areaHeight)
        return Status::ok();
    if (qint64(areaWidth) * areaHeight * kBytesPerPixel > kMaxAreaBytes)
        return Status::failure("picture box area too large");
    separatePicture();
    const std::uint32_t back = toPixel(backColor_);
    if (Status st = area_.resize(areaWidth, areaHeight, back, keepWidth, keepHeight); st.failed())
        return st;
    resizeWidget(areaWidth, areaHeight);
    update();
    return Status::ok();
}

void PictureBox::resizeWidget(int areaWidth, int areaHeight) {
    QWidget::resize(pixelGrid().widgetSize(areaWidth, areaHeight));
}

Status PictureBox::assignPicture(const QImage& picture) {
    if (picture.isNull()) {
        assignEmptyPicture();
        return Status::ok();
    }
    settle();
    int areaWidth = area_.width();
    int areaHeight = area_.height();
    if (autoSize_) {
        areaWidth = picture.width();
        areaHeight = picture.height();
        if (areaWidth > kMaxSide || areaHeight > kMaxSide ||
            qint64(areaWidth) * areaHeight * kBytesPerPixel > kMaxAreaBytes)
            return Status::failure("picture too large for the picture box");
    }
    QImage shown;
    if (autoSize_ && picture.format() == QImage::Format_RGB32) {
        shown = picture;  // opaque and of the area's size: shown as it is, not copied
    } else if (areaWidth > 0 && areaHeight > 0) {
        shown = QImage(areaWidth, areaHeight, QImage::Format_RGB32);
        if (shown.isNull()) return Status::failure("out of memory for the picture");
        shown.fill(toPixel(backColor_));
        QPainter painter(&shown);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.drawImage(0, 0, picture);
    }
    picture_ = picture;
    pictureBlank_.clear();
    area_.assign(shown, areaWidth, areaHeight);
    wantWidth_ = areaWidth;
    wantHeight_ = areaHeight;
    resizeWidget(areaWidth, areaHeight);
    update();
    return Status::ok();
}

void PictureBox::assignEmptyPicture() {
    picture_ = QImage();
    pictureBlank_.clear();
    // Cleared first, so that a pending resize has nothing to keep.
    area_.clear(toPixel(backColor_));
    settle();
    update();
}

void PictureBox::assignImageAsPicture() {
    settle();
    // Shared: the rows never drawn stay blank in both until the picture is read.
    picture_ = area_.image();
    pictureBlank_.clear();
    // The drawing is finished: it is shown in full at once.
    showDrawing();
}

QImage PictureBox::picture() const {
    PictureBox& box = settled();
    box.fillPicture([](const std::function<void()>& fill) { fill(); });
    return picture_;
}

bool PictureBox::pictureComplete() const {
    return pictureSharesArea() ? area_.blankRows() == 0 : pictureBlank_.count() == 0;
}

void PictureBox::completePicture() {
    settle();
    fillPicture([](const std::function<void()>& work) { runAside(work); });
}

bool PictureBox::pictureSharesArea() const {
    return !picture_.isNull() && picture_.constBits() == area_.image().constBits();
}

void PictureBox::separatePicture() {
    if (pictureSharesArea() && area_.blankRows() > 0) pictureBlank_ = area_.blank();
}

void PictureBox::fillPicture(const std::function<void(const std::function<void()>&)>& run) {
    if (pictureComplete()) return;
    const bool shared = pictureSharesArea();
    const BlankRows rows = shared ? area_.blank() : pictureBlank_;
    // Held, so that the pixels stay whatever the events do to the box meanwhile; a repaint
    // reads only rows the area does not hold blank, which are not written.
    const QImage filled = picture_;
    const PixelView pixels = DrawingArea::pixelsInPlace(filled);
    run([&rows, pixels] { rows.fillPixels(pixels, 0, pixels.height - 1); });
    if (picture_.constBits() != filled.constBits()) return;
    if (shared && pictureSharesArea()) area_.markDrawn(0, area_.height() - 1);
    pictureBlank_.clear();
}

QImage PictureBox::image() const {
    PictureBox& box = settled();
    box.area_.fillAll();
    return box.area_.image();
}

ColorValue PictureBox::point(float x, float y) const {
    double rx = 0;
    double ry = 0;
    if (!roundHalfEven(x, rx) || !roundHalfEven(y, ry)) return -1;
    PictureBox& box = settled();
    const QImage& image = box.area_.image();
    if (rx < 0 || ry < 0 || rx >= image.width() || ry >= image.height()) return -1;
    box.area_.fillRows(int(ry), int(ry));
    const auto* row = reinterpret_cast<const std::uint32_t*>(image.constScanLine(int(ry)));
    return fromPixel(row[int(rx)]);
}

void PictureBox::line(float x1, float y, float x2, ColorValue color) {
    double from = 0;
    double to = 0;
    double ry = 0;
    if (!roundHalfEven(x1, from) || !roundHalfEven(x2, to) || !roundHalfEven(y, ry)) return;
    settle();
    QImage& image = area_.image();
    if (ry < 0 || ry >= image.height()) return;
    // The end point is left out, whichever way the line runs.
    double first = from;
    double last = to - 1;
    if (to < from) {
        first = to + 1;
        last = from;
    }
    first = std::max(first, 0.0);
    last = std::min(last, double(image.width() - 1));
    if (first > last) return;
    const int row = int(ry);
    separatePicture();
    area_.fillRows(row, row);
    auto* pixels = reinterpret_cast<std::uint32_t*>(image.scanLine(row));
    fillRow(pixels, int(first), int(last) + 1, toPixel(color));
    drawingChanged(QRect(int(first), row, int(last - first) + 1, 1));
}

ConstPixelView PictureBox::pixels() const {
    PictureBox& box = settled();
    box.area_.fillAll();
    const QImage& image = box.area_.image();
    if (image.isNull()) return {};
    return {reinterpret_cast<const std::uint32_t*>(image.constBits()), image.width(),
            image.height(), image.bytesPerLine() / 4};
}

PixelView PictureBox::mutablePixels() {
    settle();
    separatePicture();
    area_.fillAll();
    QImage& image = area_.image();
    if (image.isNull()) return {};
    // bits() detaches: a picture sharing these pixels keeps its own copy.
    return {reinterpret_cast<std::uint32_t*>(image.bits()), image.width(), image.height(),
            image.bytesPerLine() / 4};
}

PixelView PictureBox::mutableRows(std::int32_t first, std::int32_t last, bool wholeRows) {
    // The caller judged the rows by the size given; a pending size may yet be refused.
    if (sizePending()) wholeRows = false;
    settle();
    QImage& image = area_.image();
    if (image.isNull() || first < 0 || first >= image.height() || last < first) return {};
    last = std::min(last, image.height() - 1);
    separatePicture();
    // Rows written in whole lose their blank mark when they are reported (rowsChanged).
    if (!wholeRows) area_.fillRows(first, last);
    const qsizetype stride = image.bytesPerLine() / 4;
    // bits() detaches: a picture sharing these pixels keeps its own copy.
    auto* pixels = reinterpret_cast<std::uint32_t*>(image.bits()) + stride * first;
    return {pixels, image.width(), last - first + 1, stride};
}

void PictureBox::rowsChanged(std::int32_t first, std::int32_t last) {
    // Called for every drawn row: cheap, the area keeps its sides.
    if (area_.width() <= 0) return;
    first = std::max(first, 0);
    last = std::min(last, area_.height() - 1);
    if (first > last) return;
    area_.markDrawn(first, last);
    drawingChanged(QRect(0, first, area_.width(), last - first + 1));
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
    const QRect visible = visibleRect() & pixelGrid().toWidget(areaRect);
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

PixelGrid PictureBox::pixelGrid() const { return PixelGrid(devicePixelRatioF(), kBorder); }

bool PictureBox::event(QEvent* event) {
    // On a screen of another scale the box takes the size its pixels need there.
    if (event->type() == QEvent::ScreenChangeInternal) resizeWidget(wantWidth_, wantHeight_);
    return QWidget::event(event);
}

void PictureBox::paintEvent(QPaintEvent* event) {
    settle();
    QPainter painter(this);
    const PixelGrid grid = pixelGrid();
    const QRect whole(0, 0, area_.width(), area_.height());
    if (!grid.toWidget(whole).contains(event->rect())) {
        // Up to the border the box shows its background colour: at a fractional display scale
        // the widget's last logical pixels reach beyond the area's device pixels.
        painter.fillRect(rect(), QColor::fromRgb(toPixel(backColor_)));
        // The focus mark: the border in the highlight colour, when the style would show the
        // focus of a button (the keyboard, or the program, moved it here).
        if (hasFocus() && window()->testAttribute(Qt::WA_KeyboardFocusChange)) {
            qDrawPlainRect(&painter, rect(), palette().color(QPalette::Highlight), kBorder);
        } else {
            qDrawShadePanel(&painter, rect(), palette(), true, kBorder);
        }
    }
    const QRect exposed = grid.toArea(event->rect()) & whole;
    if (exposed.isEmpty()) return;
    // In device pixels, each picture pixel on whole device pixels: only the exposed part is
    // copied, without smoothing. Blank rows are painted in their colour and stay blank:
    // drawing will fill them soon enough.
    painter.scale(1 / grid.ratio(), 1 / grid.ratio());
    const QColor blank = QColor::fromRgb(area_.blankPixel());
    int y = exposed.top();
    while (y <= exposed.bottom()) {
        const bool isBlank = area_.isBlank(y);
        int end = y + 1;
        while (end <= exposed.bottom() && area_.isBlank(end) == isBlank) ++end;
        const QRect band(exposed.left(), y, exposed.width(), end - y);
        if (isBlank) {
            painter.fillRect(grid.toDevice(band), blank);
        } else {
            painter.drawImage(grid.toDevice(band), area_.image(), band);
        }
        y = end;
    }
}

}  // namespace glint
