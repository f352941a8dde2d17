#pragma once
// A command button. One of them may be the window's default button; all are drawn alike, with
// the focus look on the focused one only, so the default flag never passes for the focus.
#include <QPushButton>

namespace glint {

class CommandButton : public QPushButton {
    Q_OBJECT
  public:
    CommandButton(const QString& caption, QWidget* parent);

  protected:
    void initStyleOption(QStyleOptionButton* option) const override;
};

}  // namespace glint
