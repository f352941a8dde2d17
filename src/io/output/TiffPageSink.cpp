#include "TiffPageSink.h"

namespace glint {

Status TiffPageSink::open(const QString& fileName, std::int32_t width, std::int32_t height,
                          const FrameTiming& timing) {
    pages_.expectPages(timing.frames);
    first_ = true;
    return pages_.open(fileName, width, height);
}

Status TiffPageSink::addFrame(const ConstPixelView& frame, std::int32_t) {
    if (!first_) {
        if (Status st = pages_.nextPage(); st.failed()) return st;
    }
    first_ = false;
    return pages_.writeRows(0, frame);
}

}  // namespace glint
