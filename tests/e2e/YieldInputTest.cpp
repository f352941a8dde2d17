// On a real X display: a mouse click made while a render-like loop only yields is delivered by
// the yield. The click comes from the X server (XTEST, through xdotool), so it reaches the
// program on the X connection, not as an event posted to the window's thread; the yield has no
// timer slack here, so only its watch of the event loop can see it.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QTest>
#include <QWidget>
#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "platform/EventYield.h"

namespace {

using namespace std::chrono_literals;

constexpr int kDeadlineMs = 20000;

class ClickTarget : public QWidget {
  public:
    int presses = 0;

  protected:
    void mousePressEvent(QMouseEvent*) override { ++presses; }
};

TEST(YieldInput, AClickOnTheDisplayIsDeliveredByTheYield) {
    ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("xcb"));
    ClickTarget target;
    target.setGeometry(100, 100, 200, 150);
    target.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&target));

    glint::EventYield yield(1h);
    ASSERT_TRUE(yield.watching());
    yield.yield();

    for (int round = 1; round <= 2; ++round) {  // the watch goes on after a delivery
        const QPoint at = target.mapToGlobal(target.rect().center());
        const std::string command = "xdotool mousemove " + std::to_string(at.x()) + " " +
                                    std::to_string(at.y()) + " click 1";
        std::thread clicker([&command] { ASSERT_EQ(std::system(command.c_str()), 0); });
        QElapsedTimer timer;
        timer.start();
        while (target.presses < round && timer.elapsed() < kDeadlineMs) yield.yield();
        clicker.join();
        EXPECT_EQ(target.presses, round) << "round " << round;
    }
}

}  // namespace
