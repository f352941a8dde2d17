#include "CommandButton.h"

#include <QStyleOptionButton>

namespace glint {

CommandButton::CommandButton(const QString& caption, QWidget* parent)
    : QPushButton(caption, parent) {}

void CommandButton::initStyleOption(QStyleOptionButton* option) const {
    QPushButton::initStyleOption(option);
    // The default flag keeps its key (Enter on the focused button) but not its frame, which the
    // style draws like the focus frame.
    option->features &= ~QStyleOptionButton::DefaultButton;
}

}  // namespace glint
