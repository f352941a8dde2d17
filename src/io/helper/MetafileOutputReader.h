#pragma once
// Takes the metafile helper's standard output piece by piece as it arrives and builds the
// picture in place: the header first, then the pixels straight into the picture's own memory,
// so a drawing is held once, not once as output and once as picture.
#include <QIODevice>
#include <QImage>

#include "MetafileProtocol.h"

namespace glint {

class MetafileOutputReader {
  public:
    // Reads all that `device` has available. False once the output is known to be wrong
    // (see error()); the caller then stops the helper.
    bool readFrom(QIODevice& device);
    // True when the header and every pixel have arrived.
    bool complete() const { return !image_.isNull() && pixelBytesRead_ == pixelBytes_; }
    // Why the output is wrong or incomplete.
    const char* error() const;
    // The picture, opaque, once complete(); a null image otherwise.
    QImage takePicture();

  private:
    bool takeHeader();

    char header_[kMetafileHeaderBytes] = {};
    qint64 headerRead_ = 0;
    QImage image_;
    qint64 pixelBytes_ = 0;
    qint64 pixelBytesRead_ = 0;
    const char* error_ = nullptr;
};

}  // namespace glint
