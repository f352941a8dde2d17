#pragma once
// Holds the user's input back from the whole program while it exists: keys, clicks, wheel turns
// and touches are dropped, everything else (painting, timers, a close request) goes on. The
// window runs its events this way while a helper decodes a picture, so that no other event
// procedure starts in the middle of Open File, yet closing the window still works.
#include <QObject>

namespace glint {

class InputHold : public QObject {
  public:
    InputHold();
    ~InputHold() override;
    InputHold(const InputHold&) = delete;
    InputHold& operator=(const InputHold&) = delete;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace glint
