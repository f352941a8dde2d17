#include "InfoLabel.h"

#include <utility>

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
    takeCaption(caption, caption.toStdString());
}

void InfoLabel::setCaptionUtf8(std::string_view caption) {
    if (caption == captionUtf8_) return;
    const QString text = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    if (text == caption_) {
        captionUtf8_.assign(caption);  // the same caption, spelt otherwise (invalid UTF-8)
        return;
    }
    takeCaption(text, std::string(caption));
}

void InfoLabel::takeCaption(const QString& caption, std::string utf8) {
    caption_ = caption;
    captionUtf8_ = std::move(utf8);
    shown_ = false;
    if (!lastShown_.isValid() || lastShown_.elapsed() >= kShowIntervalMs) {
        showCaption();
    } else if (!showTimer_.isActive()) {
        showTimer_.start(kShowIntervalMs - static_cast<int>(lastShown_.elapsed()));
    }
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
