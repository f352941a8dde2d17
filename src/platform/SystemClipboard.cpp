#include "SystemClipboard.h"

#include <QClipboard>
#include <QGuiApplication>

#include "ClipboardPicture.h"

namespace glint {

Status SystemClipboard::SetData(const QImage& picture, int format) {
    if (format != kClipboardBitmap) return Status::failure("clipboard format not supported");
    if (picture.isNull()) return Status::failure("there is no picture to copy");
    QClipboard* clipboard = QGuiApplication::clipboard();
    if (!clipboard) return Status::failure("there is no clipboard");
    clipboard->setMimeData(new ClipboardPicture(picture));
    return Status::ok();
}

QImage SystemClipboard::image() const {
    QClipboard* clipboard = QGuiApplication::clipboard();
    return clipboard ? clipboard->image() : QImage();
}

}  // namespace glint
