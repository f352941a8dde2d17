#pragma once
// The info label: keeps its caption exactly as written (lines joined by CR LF) and shows it
// with ordinary line breaks, left-aligned from the top, inside its laid-out size.
#include <QLabel>
#include <QString>

namespace glint {

class InfoLabel : public QLabel {
    Q_OBJECT
public:
    explicit InfoLabel(QWidget* parent = nullptr);

    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }

    // The caption as shown: CR LF (and a lone CR) become line breaks.
    static QString displayText(const QString& caption);

private:
    QString caption_;
};

}  // namespace glint
