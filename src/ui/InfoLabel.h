#pragma once
// The info label: keeps its caption exactly as written (lines joined by CR LF) and shows it
// with ordinary line breaks, left-aligned from the top, inside its laid-out size.
// The caption is taken at once; the screen follows at the display's pace: a caption set within
// kShowIntervalMs of the last one shown is shown when that interval is over (only the latest of
// them), so a render writing its progress for every row repaints the label about once a frame.
#include <QElapsedTimer>
#include <QLabel>
#include <QString>
#include <QTimer>
#include <string>
#include <string_view>

namespace glint {

class InfoLabel : public QLabel {
    Q_OBJECT
  public:
    // The shortest time between two captions shown: about one display frame.
    static constexpr int kShowIntervalMs = 16;

    explicit InfoLabel(QWidget* parent = nullptr);

    // Setting the caption it already has changes nothing and costs a comparison only.
    void setCaption(const QString& caption);
    // The same for a caption given as UTF-8, compared before it is converted.
    void setCaptionUtf8(std::string_view caption);
    const QString& caption() const { return caption_; }
    // Shows the caption now if the screen is behind it.
    void showCaption();

    // The caption as shown: CR LF (and a lone CR) become line breaks.
    static QString displayText(const QString& caption);

  private:
    // Takes a caption that differs from the current one; `utf8` is the same text as UTF-8.
    void takeCaption(const QString& caption, std::string utf8);

    QString caption_;
    std::string captionUtf8_;  // caption_ as UTF-8
    bool shown_ = true;        // the label's text is displayText(caption_)
    QElapsedTimer lastShown_;
    QTimer showTimer_;
};

}  // namespace glint
