#include "ScaleCombo.h"

#include <QLineEdit>

namespace glint {

ScaleCombo::ScaleCombo(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    // QComboBox selects the entry matching the typed text when editing finishes and announces it
    // as activated; here only a pick from the list does that.
    QObject::disconnect(lineEdit(), &QLineEdit::editingFinished, this, nullptr);
}

}  // namespace glint
