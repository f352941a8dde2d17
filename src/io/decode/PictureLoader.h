#pragma once
// LoadPicture: reads a picture file, deciding the format by content, not by extension.
#include <QImage>
#include <QString>
#include <functional>

#include "DecodedRows.h"
#include "PictureFile.h"
#include "PictureFrames.h"
#include "engine/Status.h"
#include "io/helper/HelperClient.h"

namespace glint {

// On success `picture` is a 32-bit image (Format_ARGB32 when the file has transparency,
// Format_RGB32 otherwise) at the file's own size. Fails for a file that cannot be opened or
// decoded, or that is larger than the program accepts; `picture` is then left as it was.
// `whileWaiting`, if set, is called again and again while a helper process decodes the picture
// (a window keeps itself painted with it); when it returns false the helper is stopped and the
// load fails. `rows`, if set, is offered the rows
// of a picture whose decoder gives them one by one as it decodes, when they are the picture's
// rows as shown (not turned); when it takes them, `picture` is set to a null image.
Status LoadPicture(const QString& fileName, QImage& picture, const WaitHook& whileWaiting = {},
                   DecodedRows* rows = nullptr);
// The same for a file that is open already; messages name it by file.name().
Status loadPictureFile(const PictureFile& file, QImage& picture, const WaitHook& whileWaiting = {},
                       DecodedRows* rows = nullptr);

// Every frame of the picture, for the batch tool: an animation's frames composed as a viewer
// shows them (GIF, WebP, MNG, JPEG XL, AVIF sequences), a TIFF's pages, with their delays and
// loop count; a still picture as its one frame. The frames together are bounded
// (kMaxFramePixels, LoadLimits.h). `rows` is offered the rows of a picture of one frame as
// LoadPicture offers them; when it takes them, the one frame's picture is a null image. On
// failure `frames` is left as it was.
Status loadPictureFrames(const QString& fileName, PictureFrames& frames,
                         const WaitHook& whileWaiting = {}, DecodedRows* rows = nullptr);
Status loadPictureFileFrames(const PictureFile& file, PictureFrames& frames,
                             const WaitHook& whileWaiting = {}, DecodedRows* rows = nullptr);

}  // namespace glint
