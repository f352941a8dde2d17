#pragma once
// A started main window with scripted dialogs, recorded message boxes and a fake clipboard,
// plus helpers for pictures, key presses and the command states.
#include <gtest/gtest.h>

#include <QImage>
#include <QString>
#include <QTemporaryDir>
#include <functional>
#include <map>
#include <memory>

#include "support/FakeClipboard.h"
#include "support/RecordingMessageBox.h"
#include "support/ScriptedDialogBackend.h"
#include "ui/Form1.h"

namespace glint::test {

// Form1 whose yield to the event loop can be watched. Yield n follows source row n. Before the
// pending events are delivered, onYield runs and the actions queued for that row are posted,
// so they arrive in that yield like a user's input.
class YieldingForm : public Form1 {
  public:
    using Form1::Form1;
    std::function<void(int)> onYield;
    std::multimap<int, std::function<void()>> rowActions;
    int yields = 0;

    void doEvents() override {
        const int n = yields++;
        if (onYield) onYield(n);
        const auto [first, last] = rowActions.equal_range(n);
        for (auto it = first; it != last; ++it)
            QMetaObject::invokeMethod(this, it->second, Qt::QueuedConnection);
        Form1::doEvents();
    }
};

// The command buttons: which are enabled, and whether Break is shown.
struct Commands {
    bool load = false;
    bool raster = false;
    bool save = false;
    bool breakShown = false;
    bool operator==(const Commands&) const = default;
};
void PrintTo(const Commands& c, std::ostream* os);

inline constexpr Commands kEmpty{true, false, false, false};
inline constexpr Commands kLoaded{true, true, false, false};
inline constexpr Commands kRendering{false, false, false, true};
inline constexpr Commands kRendered{true, true, true, false};

// A source picture whose pixels all differ: green 10*x + 40*y + 5, red and blue set too (the
// render must ignore them).
QImage sourcePicture(int width, int height);
// The pixel word the render writes for a colour value.
unsigned pixelOf(ColorValue color);

class FormTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    const Form1Controls& c() const { return form->controls(); }
    Commands commands() const;
    QString info() const;
    QWidget* focus() const { return form->focusWidget(); }

    // Writes a PNG into the test folder and returns its full path.
    QString writePicture(const QString& name, const QImage& picture);
    QString path(const QString& name) const { return dir.filePath(name); }
    // Open File with a scripted answer; `file` empty scripts a cancel.
    void open(const QString& file);
    // Make Raster, with the yields counted from this render's first row.
    void render() {
        form->yields = 0;
        form->CmdRaster_Click();
    }
    // Opens a picture written for the purpose and renders it to its end.
    void openAndRender(const QImage& picture);
    // Picks list entry `index` of the scale box with the mouse.
    void pickScale(int index);
    // A key press as the platform delivers it: to the window's focus widget.
    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    void pressCtrlC() { press(Qt::Key_C, Qt::ControlModifier); }

    // Runs `action` inside the yield after source row `row` of a render, as a posted event.
    void atRow(int row, std::function<void()> action);

    QTemporaryDir dir;
    ScriptedDialogBackend dialogs;
    RecordingMessageBox messages;
    FakeClipboard clipboard;
    std::unique_ptr<YieldingForm> form;
};

}  // namespace glint::test
