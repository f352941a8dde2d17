#pragma once
// Decodes HEIF (HEIC, AVIF) and JPEG XL pictures in the separate helper process
// glintwork-photo. The codec libraries behind these formats (HEVC and AV1 decoders, the
// JPEG XL decoder) are large, young and have a record of memory faults on crafted files; in
// their own process under memory and time limits such a fault costs one failed open instead
// of the window or a whole batch.
#include <QImage>
#include <QString>
#include <functional>

#include "HelperProcess.h"
#include "engine/Status.h"

namespace glint {

class PhotoDecoder {
  public:
    // Environment variable that names the helper executable, overriding the search.
    static constexpr const char* kHelperEnv = "GLINTWORK_PHOTO_HELPER";
    static constexpr const char* kHelperName = "glintwork-photo";

    PhotoDecoder(QString helperPath, HelperProcess::Limits limits);
    // The helper found by HelperProcess::locate(), with the standard limits.
    PhotoDecoder();

    // On success `picture` is the upright picture, Format_ARGB32 when it has transparency,
    // Format_RGB32 otherwise; on failure it is left as it was.
    // `whileWaiting`, if set, is called while the helper works.
    Status decode(const QString& fileName, QImage& picture,
                  const std::function<void()>& whileWaiting = {}) const;

  private:
    QString helperPath_;
    HelperProcess::Limits limits_;
};

}  // namespace glint
