#pragma once
// An image control: a hidden holder of a picture. The window's ImgDummy never gets one, so its
// picture is the empty picture the picture boxes are cleared with.
#include <QImage>
#include <QWidget>

namespace glint {

class ImageControl : public QWidget {
    Q_OBJECT
  public:
    explicit ImageControl(QWidget* parent = nullptr);

    // A null image is the empty picture.
    const QImage& picture() const { return picture_; }

  private:
    QImage picture_;
};

}  // namespace glint
