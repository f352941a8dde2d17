#pragma once
// What the writers of the encoded formats (png, jpg, tiff, webp) share: where the bytes go (a
// file of their own, or a device given at construction), the rows' bookkeeping, and the end of
// a file: commit() has the encoder write what it holds, then puts the file in place; a failure
// on the way, or cancel(), frees the encoder and drops the file.
#include <QIODevice>

#include "RowSequence.h"
#include "RowSink.h"
#include "SinkDevice.h"

namespace glint {

class EncodingSink : public RowSink {
  public:
    Status commit() final;
    void cancel() final;

  protected:
    // `format` names the output in messages ("png").
    explicit EncodingSink(const char* format) : format_(format) {}
    EncodingSink(const char* format, QIODevice& device,
                 SinkDevice::Access access = SinkDevice::Access::Sequential)
        : target_(device, access), format_(format) {}

    // True while an encoder is set up (between a successful open() and the end).
    virtual bool encoding() const = 0;
    // Has the encoder write what it still holds, after the last row.
    virtual Status finishEncoding() = 0;
    // Frees the encoder, if any.
    virtual void releaseEncoder() = 0;

    SinkDevice target_;
    RowSequence rows_;

  private:
    const char* format_;
};

}  // namespace glint
