#pragma once
// A picture on the system clipboard. It is offered in every image format Qt can write, as
// QClipboard::setImage offers it, but no format is encoded before another program asks for it;
// then it is encoded aside (runAside), so that the window goes on while a large picture is
// encoded, and kept for the next request. In this program the picture is handed out as it is.
#include <QByteArray>
#include <QImage>
#include <QMimeData>
#include <map>
#include <memory>

namespace glint {

class ClipboardPicture : public QMimeData {
    Q_OBJECT
  public:
    explicit ClipboardPicture(const QImage& picture);
    ~ClipboardPicture() override;

  protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

  private:
    QByteArray encoded(const QByteArray& format) const;

    QImage picture_;
    mutable std::map<QByteArray, QByteArray> encoded_;  // by Qt's name of the format
    // False once this is deleted: the clipboard may be handed to another program, and this
    // deleted, while an encoding is waited for.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace glint
