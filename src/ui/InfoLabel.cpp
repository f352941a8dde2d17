#include "InfoLabel.h"

namespace glint {

InfoLabel::InfoLabel(QWidget* parent) : QLabel(parent) {
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setFocusPolicy(Qt::NoFocus);
}

void InfoLabel::setCaption(const QString& caption) {
    caption_ = caption;
    setText(displayText(caption));
}

QString InfoLabel::displayText(const QString& caption) {
    QString shown = caption;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}

}  // namespace glint
