#pragma once
// A square swatch that shows its fill colour over its whole area, with a thin dark outline.
#include <QWidget>

#include "engine/ColorValue.h"

namespace glint {

class ColorSwatch : public QWidget {
    Q_OBJECT
  public:
    explicit ColorSwatch(QWidget* parent = nullptr);

    void setFillColor(ColorValue color);
    ColorValue fillColor() const { return fillColor_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    ColorValue fillColor_ = 0;  // black
};

}  // namespace glint
