#pragma once
// The picture box: a widget with a sunken 2-pixel border around a 32-bit drawing area.
// Units are pixels. It keeps a persistent picture (Picture) and the persistent image of what is
// shown, drawing included (Image); drawn pixels survive repaints (auto-redraw).
// A size set through setOuterWidth and setOuterHeight is taken when the box is next used (drawn
// on, read, painted, or told to by applySize): setting both sides costs one resize, and only
// the area of the size taken counts against the limit. A clear costs nothing at once: rows are
// filled with the background colour when first needed (see DrawingArea). So is the picture a
// render leaves: rows it never drew (after a Break) become part of the picture's pixels only
// when the picture is read, so ending a render costs nothing for them.
// Drawing is shown at the display's pace: repaints of drawn rows are gathered and handed on at
// most once per kRepaintIntervalMs, and the rest follows when the interval is over. Rows that
// lie outside the part of the box its window shows cost no repaint at all (an exposure paints
// them from the image later).
// On the display each pixel of the area covers whole device pixels (see PixelGrid), so at a
// fractional display scale the widget is smaller than its outer size in logical pixels. The
// border shows the focus in the highlight colour.
#include <QElapsedTimer>
#include <QImage>
#include <QRect>
#include <QTimer>
#include <QWidget>
#include <functional>

#include "DrawingArea.h"
#include "PixelGrid.h"
#include "engine/PictureSurface.h"

namespace glint {

class PictureBox : public QWidget, public PictureSurface {
    Q_OBJECT
  public:
    static constexpr int kBorder = 2;
    // The largest drawing area the box takes, in bytes of 32-bit pixels.
    static constexpr qint64 kMaxAreaBytes = qint64(1) << 31;
    // The shortest time between two repaints of drawn rows: about one display frame.
    static constexpr int kRepaintIntervalMs = 16;

    explicit PictureBox(QWidget* parent = nullptr);

    // Auto-size: assigning a picture gives the drawing area the picture's size.
    void setAutoSize(bool on) { autoSize_ = on; }
    bool autoSize() const { return autoSize_; }
    // Background colour, shown where nothing is drawn and under transparent pixels.
    void setBackColor(ColorValue color);
    ColorValue backColor() const { return backColor_; }

    // Picture = picture. A null image is the empty picture. A picture with transparency is
    // shown over the background colour. Fails (and changes nothing) when the box cannot hold it.
    Status assignPicture(const QImage& picture);
    // The box's picture; a null image for the empty picture. Takes what it still lacks here
    // and now (see completePicture).
    QImage picture() const;
    // Whether the picture holds all its pixels.
    bool pictureComplete() const;
    // Fills what the picture still lacks on a thread of its own while the events go on (see
    // runAside); to be called before a large picture is read in an event procedure.
    void completePicture();
    // Everything the box shows, drawing included (shares the pixels, no copy).
    QImage image() const;

    // PictureSurface
    float scaleWidth() const override;
    float scaleHeight() const override;
    float outerWidth() const override;
    float outerHeight() const override;
    Status setOuterWidth(float outerWidth) override;
    Status setOuterHeight(float outerHeight) override;
    Status applySize() override;
    ColorValue point(float x, float y) const override;
    void line(float x1, float y, float x2, ColorValue color) override;
    void assignEmptyPicture() override;
    void assignImageAsPicture() override;
    bool hasPicture() const override { return !picture_.isNull(); }
    ConstPixelView pixels() const override;
    PixelView mutablePixels() override;
    PixelView mutableRows(std::int32_t first, std::int32_t last, bool wholeRows) override;
    void rowsChanged(std::int32_t first, std::int32_t last) override;

    // Repaints what was drawn and not shown yet now, without waiting for the interval.
    void showDrawing();
    // The part of the box (widget coordinates) that its window can show, ancestors' clipping
    // included; empty while nothing of it can be seen.
    QRect visibleRect() const;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    enum class Side { None, Width, Height };

    bool sizePending() const { return lastSet_ != Side::None; }
    // Takes a pending size (applySize; a failure leaves the size that could be taken).
    void settle();
    // The box with its pending size taken, for reading: any use takes it.
    PictureBox& settled() const;
    // Takes a drawing area of the given size, keeping what was drawn, and sizes the widget.
    Status takeArea(int areaWidth, int areaHeight, int keepWidth, int keepHeight);
    void resizeWidget(int areaWidth, int areaHeight);
    PixelGrid pixelGrid() const;
    // Notes a side given: `want` is the side's pending size, `keep` its keep limit.
    void noteSide(Side side, int areaSide, int& want, int& keep);
    // Notes a drawn rectangle of the drawing area for repainting at the display's pace.
    void drawingChanged(const QRect& areaRect);
    // Whether the picture is the drawing area's pixels, as assignImageAsPicture left it.
    bool pictureSharesArea() const;
    // Before the area leaves the pixels it shares with the picture (a new size, or a drawing
    // that copies them): the picture takes the note of its rows still to be filled.
    void separatePicture();
    // Fills the picture's blank rows, the work done through `run`.
    void fillPicture(const std::function<void(const std::function<void()>&)>& run);

    QImage picture_;
    // The picture's rows still to be filled, while it does not share the area's pixels (when
    // it does, the area's blank rows are the picture's).
    BlankRows pictureBlank_;
    DrawingArea area_;   // the drawing area taken
    int wantWidth_ = 0;  // the size given, taken at the next use
    int wantHeight_ = 0;
    Side lastSet_ = Side::None;  // the side given last; None while no size is pending
    // What is kept of the drawing when the pending size is taken: the smallest size each side
    // had since the area was taken (so a shrink drops what it would have dropped at once), and
    // for the side given last, that size before it was given.
    int keepWidth_ = 0;
    int keepHeight_ = 0;
    int keepBeforeLast_ = 0;
    ColorValue backColor_;
    bool autoSize_ = true;

    QRect pendingRepaint_;       // drawn, not yet handed to update(); widget coordinates
    QElapsedTimer lastRepaint_;  // when drawn rows were last handed to update()
    QTimer repaintTimer_;        // hands on what was gathered when the interval is over
};

}  // namespace glint
