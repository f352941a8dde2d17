#include "KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace glint {

namespace {

struct KeyNumber {
    int qtKey;
    short code;
};

constexpr KeyNumber kNamedKeys[] = {
    {Qt::Key_Backspace, 8}, {Qt::Key_Tab, 9},       {Qt::Key_Backtab, 9},  {Qt::Key_Return, 13},
    {Qt::Key_Enter, 13},    {Qt::Key_Shift, 16},    {Qt::Key_Control, 17}, {Qt::Key_Alt, 18},
    {Qt::Key_Pause, 19},    {Qt::Key_CapsLock, 20}, {Qt::Key_Escape, 27},  {Qt::Key_Space, 32},
    {Qt::Key_PageUp, 33},   {Qt::Key_PageDown, 34}, {Qt::Key_End, 35},     {Qt::Key_Home, 36},
    {Qt::Key_Left, 37},     {Qt::Key_Up, 38},       {Qt::Key_Right, 39},   {Qt::Key_Down, 40},
    {Qt::Key_Insert, 45},   {Qt::Key_Delete, 46},
};

constexpr short kFirstFunctionKeyCode = 112;  // F1
constexpr int kFunctionKeys = 24;             // F1..F24

}  // namespace

short virtualKeyCode(int qtKey) {
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return static_cast<short>(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey < Qt::Key_F1 + kFunctionKeys)
        return static_cast<short>(kFirstFunctionKeyCode + (qtKey - Qt::Key_F1));
    for (const KeyNumber& named : kNamedKeys) {
        if (named.qtKey == qtKey) return named.code;
    }
    return 0;
}

short shiftMask(Qt::KeyboardModifiers modifiers) {
    short mask = 0;
    if (modifiers & Qt::ShiftModifier) mask |= kShiftMask;
    if (modifiers & Qt::ControlModifier) mask |= kCtrlMask;
    if (modifiers & Qt::AltModifier) mask |= kAltMask;
    return mask;
}

KeyPreview::KeyPreview(QWidget* window, Handler handler, QObject* parent)
    : QObject(parent), window_(window), handler_(std::move(handler)) {}

void KeyPreview::setEnabled(bool on) {
    if (on == enabled_) return;
    enabled_ = on;
    if (on) {
        qApp->installEventFilter(this);
    } else {
        qApp->removeEventFilter(this);
    }
}

QWidget* KeyPreview::firstReceiver() const {
    QWidget* focus = window_->focusWidget();
    return focus ? focus : window_.data();
}

bool KeyPreview::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress || !window_ || !watched->isWidgetType()) return false;
    // A press the focus widget leaves alone travels on to its parents; only its first delivery
    // counts, so the handler sees every press once.
    auto* target = static_cast<QWidget*>(watched);
    if (target->window() != window_ || target != firstReceiver()) return false;

    const auto* key = static_cast<QKeyEvent*>(event);
    short keyCode = virtualKeyCode(key->key());
    short shift = shiftMask(key->modifiers());
    return handler_(keyCode, shift, target);
}

}  // namespace glint
