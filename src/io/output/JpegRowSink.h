#pragma once
// Streamed jpg output through libjpeg's scan-line writer, into an output file that replaces its
// target only when every write succeeded, or into a device given at construction (standard
// output). Written with the settings of Qt's writer, which wrote the tool's jpg files from a
// whole picture before (baseline, JFIF at 96 dpi, standard Huffman tables): the same bytes,
// band by band.
#include <QIODevice>
#include <memory>

#include "EncoderSettings.h"
#include "EncodingSink.h"

namespace glint {

class JpegRowSink : public EncodingSink {
  public:
    explicit JpegRowSink(int quality = kDefaultJpegQuality);
    // Writes to `device` instead of a file; open() then takes no file name.
    JpegRowSink(int quality, QIODevice& device);
    ~JpegRowSink() override;
    JpegRowSink(const JpegRowSink&) = delete;
    JpegRowSink& operator=(const JpegRowSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;

    struct Codec;  // libjpeg's state, its error and destination managers

  private:
    Status failure(const char* what);
    bool encoding() const override { return codec_ != nullptr; }
    Status finishEncoding() override;
    void releaseEncoder() override;

    int quality_;
    std::unique_ptr<Codec> codec_;
};

}  // namespace glint
