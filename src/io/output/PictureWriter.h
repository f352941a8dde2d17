#pragma once
// SavePicture: writes a picture as a 24-bit Windows bitmap file.
#include <QImage>
#include <QString>

#include "engine/Status.h"

namespace glint {

// Writes through a temporary file that replaces `fileName` only after every byte was written.
// A failure leaves an existing file as it was and no temporary file behind.
Status SavePicture(const QImage& picture, const QString& fileName);

}  // namespace glint
