#include "InfoFrame.h"

#include <qdrawutil.h>

#include <QPainter>
#include <QRegion>
#include <QStyle>

namespace glint {

namespace {

constexpr int kTitleIndent = 8;  // from the frame's left edge to the title's text
constexpr int kTitleGap = 2;     // between the title and the line on either side of it
constexpr int kLineWidth = 1;    // each of the two strokes of the etched line

}  // namespace

InfoFrame::InfoFrame(const QString& title, QWidget* parent) : QGroupBox(title, parent) {}

QRect InfoFrame::titleRect() const {
    const QFontMetrics metrics = fontMetrics();
    return {kTitleIndent, 0, metrics.horizontalAdvance(title()), metrics.height()};
}

void InfoFrame::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect caption = titleRect();
    const QRect line = rect().adjusted(0, caption.center().y(), 0, 0);
    painter.save();
    painter.setClipRegion(QRegion(rect()) - caption.adjusted(-kTitleGap, 0, kTitleGap, 0));
    qDrawShadeRect(&painter, line, palette(), true, kLineWidth, 0);
    painter.restore();
    style()->drawItemText(&painter, caption, Qt::AlignLeft | Qt::AlignVCenter, palette(),
                          isEnabled(), title(), QPalette::WindowText);
}

}  // namespace glint
