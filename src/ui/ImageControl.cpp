#include "ImageControl.h"

namespace glint {

ImageControl::ImageControl(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::NoFocus);
    hide();
}

}  // namespace glint
