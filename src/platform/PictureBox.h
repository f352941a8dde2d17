#pragma once
// The picture box: a widget with a sunken 2-pixel border around a 32-bit drawing area.
// Units are pixels. It keeps a persistent picture (Picture) and the persistent image of what is
// shown, drawing included (Image); drawn pixels survive repaints (auto-redraw).
#include <QImage>
#include <QWidget>

#include "engine/PictureSurface.h"

namespace glint {

class PictureBox : public QWidget, public PictureSurface {
    Q_OBJECT
public:
    static constexpr int kBorder = 2;
    // The largest drawing area the box takes, in bytes of 32-bit pixels.
    static constexpr qint64 kMaxAreaBytes = qint64(1) << 31;

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
    // The box's picture; a null image for the empty picture.
    QImage picture() const { return picture_; }
    // Everything the box shows, drawing included (shares the pixels, no copy).
    QImage image() const { return image_; }

    // PictureSurface
    float scaleWidth() const override;
    float scaleHeight() const override;
    float width() const override;
    float height() const override;
    Status setWidth(float outerWidth) override;
    Status setHeight(float outerHeight) override;
    ColorValue point(float x, float y) const override;
    void line(float x1, float y, float x2, ColorValue color) override;
    void assignEmptyPicture() override;
    void assignImageAsPicture() override;
    bool hasPicture() const override { return !picture_.isNull(); }
    ConstPixelView pixels() const override;
    PixelView mutablePixels() override;
    void rowsChanged(std::int32_t first, std::int32_t last) override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Status resizeArea(int areaWidth, int areaHeight);

    QImage picture_;
    QImage image_;  // Format_RGB32, the drawing area; null while the area is empty
    int areaWidth_ = 0;  // kept apart from image_: an area can be 0 wide but still have a height
    int areaHeight_ = 0;
    ColorValue backColor_;
    bool autoSize_ = true;
};

}  // namespace glint
