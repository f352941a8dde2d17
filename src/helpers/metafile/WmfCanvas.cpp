#include "WmfCanvas.h"

#include <QFontMetricsF>
#include <cmath>

namespace glint {
namespace {

// Binary raster operations (the pen or brush P against the picture D).
enum Mix {
    kMixBlack = 1,
    kMixNotMergePen = 2,
    kMixMaskNotPen = 3,
    kMixNotCopyPen = 4,
    kMixMaskPenNot = 5,
    kMixNot = 6,
    kMixXorPen = 7,
    kMixNotMaskPen = 8,
    kMixMaskPen = 9,
    kMixNotXorPen = 10,
    kMixNop = 11,
    kMixMergeNotPen = 12,
    kMixCopyPen = 13,
    kMixMergePenNot = 14,
    kMixMergePen = 15,
    kMixWhite = 16,
};

// Ternary raster operations used with and without a source picture.
constexpr std::uint32_t kSrcCopy = 0x00CC0020;
constexpr std::uint32_t kSrcPaint = 0x00EE0086;
constexpr std::uint32_t kSrcAnd = 0x008800C6;
constexpr std::uint32_t kSrcInvert = 0x00660046;
constexpr std::uint32_t kSrcErase = 0x00440328;
constexpr std::uint32_t kNotSrcCopy = 0x00330008;
constexpr std::uint32_t kPatCopy = 0x00F00021;
constexpr std::uint32_t kPatInvert = 0x005A0049;
constexpr std::uint32_t kDstInvert = 0x00550009;
constexpr std::uint32_t kBlackness = 0x00000042;
constexpr std::uint32_t kWhiteness = 0x00FF0062;

QPainter::CompositionMode compositionFor(int mix) {
    switch (mix) {
        case kMixNotMergePen:
            return QPainter::RasterOp_NotSourceAndNotDestination;
        case kMixMaskNotPen:
            return QPainter::RasterOp_NotSourceAndDestination;
        case kMixNotCopyPen:
            return QPainter::RasterOp_NotSource;
        case kMixMaskPenNot:
            return QPainter::RasterOp_SourceAndNotDestination;
        case kMixNot:
            return QPainter::RasterOp_NotDestination;
        case kMixXorPen:
            return QPainter::RasterOp_SourceXorDestination;
        case kMixNotMaskPen:
            return QPainter::RasterOp_NotSourceOrNotDestination;
        case kMixMaskPen:
            return QPainter::RasterOp_SourceAndDestination;
        case kMixNotXorPen:
            return QPainter::RasterOp_NotSourceXorDestination;
        case kMixMergeNotPen:
            return QPainter::RasterOp_NotSourceOrDestination;
        case kMixMergePenNot:
            return QPainter::RasterOp_SourceOrNotDestination;
        case kMixMergePen:
            return QPainter::RasterOp_SourceOrDestination;
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

QPainter::CompositionMode compositionForRop(std::uint32_t rop) {
    switch (rop) {
        case kSrcPaint:
            return QPainter::RasterOp_SourceOrDestination;
        case kSrcAnd:
            return QPainter::RasterOp_SourceAndDestination;
        case kSrcInvert:
            return QPainter::RasterOp_SourceXorDestination;
        case kSrcErase:
            return QPainter::RasterOp_SourceAndNotDestination;
        case kNotSrcCopy:
            return QPainter::RasterOp_NotSource;
        case kSrcCopy:
        default:
            return QPainter::CompositionMode_SourceOver;
    }
}

bool isHatch(const QBrush& brush) {
    return brush.style() >= Qt::HorPattern && brush.style() <= Qt::DiagCrossPattern;
}

}  // namespace

WmfCanvas::WmfCanvas(QImage& image, const QRectF& deviceBox) : painter_(&image) {
    const double sx = image.width() / deviceBox.width();
    const double sy = image.height() / deviceBox.height();
    toImage_ = QTransform(sx, 0, 0, sy, -deviceBox.left() * sx, -deviceBox.top() * sy);
    scale_ = (std::abs(sx) + std::abs(sy)) / 2;
    reset();
}

WmfCanvas::~WmfCanvas() { painter_.end(); }

void WmfCanvas::reset() {
    painter_.setWorldTransform(toImage_);
    painter_.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter_.setRenderHint(QPainter::Antialiasing, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.setPen(Qt::NoPen);
    painter_.setBrush(Qt::NoBrush);
}

// Sets the painter up for `mix`; false when nothing is to be drawn. Logical mixes go pixel
// by pixel, without smoothed edges.
bool WmfCanvas::useMix(int mix) {
    if (mix == kMixNop) return false;
    const QPainter::CompositionMode mode = compositionFor(mix);
    painter_.setCompositionMode(mode);
    painter_.setRenderHint(QPainter::Antialiasing, mode == QPainter::CompositionMode_SourceOver);
    return true;
}

void WmfCanvas::drawPath(const QPainterPath& path, const WmfStyle& style, bool filled) {
    if (!useMix(style.mix)) return;
    QPen pen = style.pen;
    QBrush brush = filled ? style.brush : QBrush(Qt::NoBrush);
    if (style.mix == kMixBlack || style.mix == kMixWhite) {
        const QColor fixed = style.mix == kMixBlack ? Qt::black : Qt::white;
        pen.setColor(fixed);
        if (brush.style() != Qt::NoBrush) brush = QBrush(fixed);
    }
    if (brush.style() != Qt::NoBrush) {
        QPainterPath area = path;
        area.setFillRule(style.fillRule);
        if (isHatch(brush) && style.opaqueBackground) painter_.fillPath(area, style.background);
        painter_.fillPath(area, brush);
    }
    if (pen.style() != Qt::NoPen) painter_.strokePath(path, pen);
    reset();
}

void WmfCanvas::fillRects(const QList<QRectF>& rects, const WmfStyle& style) {
    QPainterPath path;
    for (const QRectF& r : rects) path.addRect(r.normalized());
    WmfStyle fill = style;
    fill.pen = QPen(Qt::NoPen);
    fill.fillRule = Qt::WindingFill;
    drawPath(path, fill, true);
}

void WmfCanvas::frameRects(const QList<QRectF>& rects, const QSizeF& border,
                           const WmfStyle& style) {
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const QRectF& r : rects) {
        const QRectF outer = r.normalized();
        path.addRect(outer);
        path.addRect(
            outer.adjusted(border.width(), border.height(), -border.width(), -border.height()));
    }
    WmfStyle frame = style;
    frame.pen = QPen(Qt::NoPen);
    frame.fillRule = Qt::OddEvenFill;
    drawPath(path, frame, true);
}

void WmfCanvas::drawPixel(const QRectF& area, const QColor& colour) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.fillRect(area, colour);
    reset();
}

void WmfCanvas::drawText(const WmfText& text, const WmfStyle& style) {
    painter_.save();  // the text's own clip goes with it
    painter_.resetTransform();
    const QRectF box = toImage_.mapRect(text.box);
    if (text.fillBox && !box.isEmpty()) painter_.fillRect(box, style.background);
    if (text.clipToBox && !box.isEmpty()) painter_.setClipRect(box, Qt::IntersectClip);

    QFont font = text.font;
    const double pixels = text.height * std::abs(toImage_.m22());
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(pixels))));
    painter_.setFont(font);
    painter_.translate(toImage_.map(text.baseline));
    painter_.rotate(-text.angle);
    const QFontMetricsF metrics(font);
    const double baseline = text.align == WmfText::Top      ? metrics.ascent()
                            : text.align == WmfText::Bottom ? -metrics.descent()
                                                            : 0.0;
    if (style.opaqueBackground)
        painter_.fillRect(QRectF(0, baseline - metrics.ascent(),
                                 metrics.horizontalAdvance(text.text), metrics.height()),
                          style.background);
    painter_.setPen(text.colour);
    painter_.drawText(QPointF(0, baseline), text.text);
    painter_.restore();
    reset();
}

void WmfCanvas::drawImage(const QRectF& target, const QImage& image, const QRect& source,
                          std::uint32_t rop) {
    painter_.setCompositionMode(compositionForRop(rop));
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.drawImage(target, image, source);
    reset();
}

void WmfCanvas::patternBlit(const QRectF& target, const WmfStyle& style, std::uint32_t rop) {
    painter_.setRenderHint(QPainter::Antialiasing, false);
    switch (rop) {
        case kPatCopy:
            painter_.fillRect(target, style.brush);
            break;
        case kPatInvert:
            painter_.setCompositionMode(QPainter::RasterOp_SourceXorDestination);
            painter_.fillRect(target, style.brush);
            break;
        case kDstInvert:
            painter_.setCompositionMode(QPainter::RasterOp_NotDestination);
            painter_.fillRect(target, Qt::black);
            break;
        case kBlackness:
            painter_.fillRect(target, Qt::black);
            break;
        case kWhiteness:
            painter_.fillRect(target, Qt::white);
            break;
        default:
            break;  // operations that need a source picture draw nothing without one
    }
    reset();
}

void WmfCanvas::clipTo(const QList<QRectF>& rects) {
    if (rects.isEmpty()) {
        painter_.setClipping(false);
        return;
    }
    QPainterPath area;
    area.setFillRule(Qt::WindingFill);
    for (const QRectF& r : rects) area.addRect(r.normalized());
    painter_.setClipPath(area);
}

const QImage* WmfCanvas::keepBitmap(QImage bitmap) {
    bitmaps_.push_back(std::move(bitmap));
    return &bitmaps_.back();
}

void WmfCanvas::releaseBitmap(const QImage* bitmap) {
    bitmaps_.remove_if([bitmap](const QImage& kept) { return &kept == bitmap; });
}

}  // namespace glint
