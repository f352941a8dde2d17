#pragma once
// The scale box: a drop-down list with an edit field. An entry picked from the list (mouse,
// arrow keys, wheel) is announced by QComboBox::activated. Typing only edits the text: it
// never adds an entry, never completes one and never announces a pick, not even when the typed
// text equals an entry and the field is left or Enter is pressed.
#include <QComboBox>

namespace glint {

class ScaleCombo : public QComboBox {
    Q_OBJECT
  public:
    explicit ScaleCombo(QWidget* parent = nullptr);

    // AddItem: appends at the end.
    void AddItem(const QString& text) { addItem(text); }
    // Text: what the edit field shows.
    QString Text() const { return currentText(); }
    void setText(const QString& text) { setEditText(text); }
};

}  // namespace glint
