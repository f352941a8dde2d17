#pragma once
// The picture a plain metafile is played into: every drawing call of the metafile player ends
// here as QPainter work on one image, in the player's device coordinates (mapped onto the
// image by the box given at construction). Colours are taken as they are stored.
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <QString>
#include <list>

namespace glint {

// How the current device context draws: its pen, brush, background and mix mode.
struct WmfStyle {
    QPen pen{Qt::NoPen};
    QBrush brush{Qt::NoBrush};
    QColor background{Qt::white};
    bool opaqueBackground = true;
    Qt::FillRule fillRule = Qt::OddEvenFill;
    int mix = 13;  // binary raster operation of the pen and brush (13: copy the pen)
};

// A piece of text at its reference point, in device coordinates.
struct WmfText {
    enum Align { Top, Baseline, Bottom };  // which line of the text passes the point
    QString text;
    QPointF baseline;
    Align align = Baseline;
    double height = 0;  // character height, device units
    double angle = 0;   // degrees, counter-clockwise
    QFont font;         // family, weight, slant, lines; its size is set from `height`
    QColor colour;
    QRectF box;  // clip or fill box of an extended text record; empty if none
    bool clipToBox = false;
    bool fillBox = false;
};

class WmfCanvas {
  public:
    // `image` must outlive the canvas; `deviceBox` is the area of device space it shows.
    WmfCanvas(QImage& image, const QRectF& deviceBox);
    ~WmfCanvas();
    WmfCanvas(const WmfCanvas&) = delete;
    WmfCanvas& operator=(const WmfCanvas&) = delete;

    // Image pixels per device unit (the mean of both axes).
    double scale() const { return scale_; }

    void drawPath(const QPainterPath& path, const WmfStyle& style, bool filled);
    void fillRects(const QList<QRectF>& rects, const WmfStyle& style);
    void frameRects(const QList<QRectF>& rects, const QSizeF& border, const WmfStyle& style);
    void drawPixel(const QRectF& area, const QColor& colour);
    void drawText(const WmfText& text, const WmfStyle& style);
    // `source` in image pixels, top row first; `rop` a ternary raster operation code.
    void drawImage(const QRectF& target, const QImage& image, const QRect& source,
                   std::uint32_t rop);
    // A rectangle drawn by a raster operation that takes no source picture.
    void patternBlit(const QRectF& target, const WmfStyle& style, std::uint32_t rop);
    // Clips to the union of `rects`; none switches clipping off.
    void clipTo(const QList<QRectF>& rects);

    // Holds a bitmap that records refer to until release() or the canvas's end.
    const QImage* keepBitmap(QImage bitmap);
    void releaseBitmap(const QImage* bitmap);

  private:
    bool useMix(int mix);
    void reset();

    std::list<QImage> bitmaps_;  // before the painter: they outlive its last use
    QPainter painter_;
    QTransform toImage_;
    double scale_ = 1;
};

}  // namespace glint
