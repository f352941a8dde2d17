#include "InfoLabel.h"

namespace glint {

InfoLabel::InfoLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
    showTimer_.setSingleShot(true);
    showTimer_.setTimerType(Qt::PreciseTimer);
    connect(&showTimer_, &QTimer::timeout, this, &InfoLabel::showCaption);
}

void InfoLabel::setCaption(const QString& caption) {
    if (caption == caption_) return;
    caption_ = caption;
    captionUtf8_ = caption.toStdString();
    shown_ = false;
    if (!lastShown_.isValid() || lastShown_.elapsed() >= kShowIntervalMs) {
        showCaption();
    } else if (!showTimer_.isActive()) {
        showTimer_.start(kShowIntervalMs - static_cast<int>(lastShown_.elapsed()));
    }
}

void InfoLabel::setCaptionUtf8(std::string_view caption) {
    if (caption == captionUtf8_) return;
    setCaption(QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size())));
}

void InfoLabel::showCaption() {
    showTimer_.stop();
    if (shown_) return;
    shown_ = true;
    lastShown_.start();
    setText(displayText(caption_));
}

QString InfoLabel::displayText(const QString& caption) {
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

}  // namespace glint
