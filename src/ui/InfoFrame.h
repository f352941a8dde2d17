#pragma once
// The "Info" frame: an etched line around its contents whose top edge runs through the middle
// of the title, so that its contents have the whole height below the title's middle.
#include <QGroupBox>

namespace glint {

class InfoFrame : public QGroupBox {
    Q_OBJECT
  public:
    InfoFrame(const QString& title, QWidget* parent);

    // Where the title is written, inside the frame.
    QRect titleRect() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace glint
