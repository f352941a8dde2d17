#pragma once
// Key preview for one window: every key press meant for the window or one of its controls is
// handed to a handler once, before the control that has the focus sees it. Key codes and
// modifier masks are given the way the window's key-down procedure expects them.
#include <QObject>
#include <QPointer>
#include <functional>

class QKeyEvent;
class QWidget;

namespace glint {

// Modifier mask bits of a key press.
inline constexpr short kShiftMask = 1;
inline constexpr short kCtrlMask = 2;
inline constexpr short kAltMask = 4;

// Virtual-key code of a Qt key: letters and digits keep their character code ('C' = 67);
// common editing and navigation keys get their usual numbers; anything else is 0.
short virtualKeyCode(int qtKey);
// 1 Shift, 2 Ctrl, 4 Alt, added together.
short shiftMask(Qt::KeyboardModifiers modifiers);

class KeyPreview : public QObject {
    Q_OBJECT
  public:
    // Returns true when the key press must not go on to the control (it has been dealt with).
    using Handler = std::function<bool(short& keyCode, short& shift, QWidget* target)>;

    KeyPreview(QWidget* window, Handler handler, QObject* parent = nullptr);

    // Watching starts with setEnabled(true); an instance that is off sees nothing.
    void setEnabled(bool on);
    bool isEnabled() const { return enabled_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // The widget a key press for the window is delivered to first: its focus widget, or the
    // window itself when nothing inside has the focus.
    QWidget* firstReceiver() const;

    QPointer<QWidget> window_;
    Handler handler_;
    bool enabled_ = false;
};

}  // namespace glint
