// How drawing in a shown picture box reaches the screen: at the display's pace, only where the
// window shows the box, and in full once the drawing becomes the picture.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QRegion>
#include <QTest>
#include <algorithm>
#include <functional>

#include "platform/PictureBox.h"

namespace glint {
namespace {

constexpr int kAreaWidth = 100;
constexpr int kAreaHeight = 400;
constexpr QSize kWindowSize{120, 80};  // shows area rows 0..75 of the box at (0, 0)
constexpr int kLastRowInView = kWindowSize.height() - 1 - PictureBox::kBorder;
constexpr int kWaitMs = 2000;

// A picture box that notes what it was asked to paint.
class PaintLoggingBox : public PictureBox {
  public:
    using PictureBox::PictureBox;
    QRegion painted;
    int paints = 0;

    // True when all of `rect` was painted (QRegion::contains only asks for an overlap).
    bool paintedAll(const QRect& rect) const { return (QRegion(rect) - painted).isEmpty(); }

  protected:
    void paintEvent(QPaintEvent* event) override {
        painted += event->region();
        ++paints;
        PictureBox::paintEvent(event);
    }
};

// Lets events run until `done` holds or the time is up; true when it held.
bool waitFor(const std::function<bool()>& done, int timeoutMs = kWaitMs) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs) return false;
        QTest::qWait(1);
    }
    return true;
}

// Area rows first..last in the box's widget coordinates.
QRect rowsRect(int first, int last) {
    return {PictureBox::kBorder, PictureBox::kBorder + first, kAreaWidth, last - first + 1};
}

// A shown window holding a box much taller than itself, with nothing left to paint.
class PictureBoxRepaintTest : public ::testing::Test {
  protected:
    void SetUp() override {
        window.resize(kWindowSize);
        box = new PaintLoggingBox(&window);
        ASSERT_TRUE(box->setOuterWidth(float(kAreaWidth + 2 * PictureBox::kBorder)).isOk());
        ASSERT_TRUE(box->setOuterHeight(float(kAreaHeight + 2 * PictureBox::kBorder)).isOk());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        QTest::qWait(3 * PictureBox::kRepaintIntervalMs);
        box->painted = QRegion();
        box->paints = 0;
    }

    // Draws area rows first..last as the render does: pixels, then the report.
    void drawRows(int first, int last, std::uint32_t pixel) {
        const PixelView view = box->mutablePixels();
        for (int y = first; y <= last; ++y) std::fill_n(view.row(y), view.width, pixel);
        box->rowsChanged(first, last);
    }

    QWidget window;
    PaintLoggingBox* box = nullptr;
};

TEST_F(PictureBoxRepaintTest, VisibleDrawingIsPaintedFirstAtOnceThenWithinAnInterval) {
    EXPECT_EQ(box->visibleRect(), QRect(QPoint(0, 0), kWindowSize) & box->rect());

    QElapsedTimer sinceFirst;
    sinceFirst.start();
    drawRows(0, 0, 0xFFFF0000u);
    QCoreApplication::processEvents();
    EXPECT_TRUE(box->paintedAll(rowsRect(0, 0)));

    // Drawn right after: gathered, and painted when the interval is over without more drawing.
    drawRows(1, 9, 0xFF00FF00u);
    box->line(0, 10, 50, RGB(0, 0, 255));
    QCoreApplication::processEvents();
    if (sinceFirst.elapsed() < PictureBox::kRepaintIntervalMs) {
        EXPECT_FALSE(box->painted.intersects(rowsRect(1, 10)));
    }
    EXPECT_TRUE(waitFor([&] { return box->paintedAll(rowsRect(1, 9)); }));
    EXPECT_TRUE(box->paintedAll(QRect(PictureBox::kBorder, PictureBox::kBorder + 10, 50, 1)));
}

TEST_F(PictureBoxRepaintTest, DrawingGoingOnIsPaintedAtTheDisplaysPace) {
    QElapsedTimer timer;
    timer.start();
    int rowsDrawn = 0;
    while (timer.elapsed() < 10 * PictureBox::kRepaintIntervalMs) {
        const int row = rowsDrawn++ % (kLastRowInView + 1);
        drawRows(row, row, 0xFF000000u | std::uint32_t(rowsDrawn));
        QCoreApplication::processEvents();
    }
    const qint64 elapsed = timer.elapsed();
    ASSERT_GT(rowsDrawn, 50) << "too few rows drawn for the check to mean anything";
    EXPECT_GE(box->paints, 2);  // shown while it goes on, not only at the end
    EXPECT_LE(box->paints, elapsed / PictureBox::kRepaintIntervalMs + 2) << rowsDrawn << " rows";
}

TEST_F(PictureBoxRepaintTest, RowsTheWindowDoesNotShowArePaintedOnlyOnceExposed) {
    drawRows(kLastRowInView + 1, kAreaHeight - 1, 0xFFFF0000u);
    QTest::qWait(3 * PictureBox::kRepaintIntervalMs);
    EXPECT_EQ(box->paints, 0);

    window.resize(kWindowSize.width(), kAreaHeight + 2 * PictureBox::kBorder);
    EXPECT_TRUE(waitFor([&] { return box->paintedAll(rowsRect(kLastRowInView + 1, 300)); }));
    EXPECT_EQ(box->image().pixel(0, kAreaHeight - 1), 0xFFFF0000u);
}

TEST_F(PictureBoxRepaintTest, TheFinishedDrawingIsPaintedInTheNextEventLoopTurn) {
    drawRows(0, 0, 0xFFFF0000u);
    QCoreApplication::processEvents();
    drawRows(1, 40, 0xFF00FF00u);  // within the interval: gathered
    box->assignImageAsPicture();
    QCoreApplication::processEvents();
    EXPECT_TRUE(box->paintedAll(rowsRect(0, 40)));

    // A hidden box paints nothing, and shows its drawing when it is shown again.
    box->hide();
    box->painted = QRegion();
    drawRows(50, 60, 0xFF0000FFu);
    QTest::qWait(3 * PictureBox::kRepaintIntervalMs);
    EXPECT_TRUE(box->painted.isEmpty());
    box->show();
    EXPECT_TRUE(waitFor([&] { return box->paintedAll(rowsRect(50, 60)); }));
}

}  // namespace
}  // namespace glint
