#pragma once
// Streamed tiff output through libtiff's scan-line writer: RGB, 8 bits a sample, in strips of
// about 1 MiB, uncompressed (effort 0) or deflated with horizontal differencing (efforts 1 to
// 9, zlib's levels). BigTIFF when the file could pass 4 GiB. libtiff moves back in its file
// to link the directory, so standard output gets the file through a temporary file.
#include <QIODevice>
#include <string>
#include <vector>

#include "EncoderSettings.h"
#include "EncodingSink.h"

struct tiff;  // libtiff's TIFF

namespace glint {

class TiffRowSink : public EncodingSink {
  public:
    explicit TiffRowSink(int effort = kDefaultTiffEffort);
    // Writes to `device` instead of a file; open() then takes no file name.
    TiffRowSink(int effort, QIODevice& device);
    ~TiffRowSink() override;
    TiffRowSink(const TiffRowSink&) = delete;
    TiffRowSink& operator=(const TiffRowSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;

  private:
    Status failure(const char* what);
    bool encoding() const override { return tiff_ != nullptr; }
    Status finishEncoding() override;
    void releaseEncoder() override;

    int effort_;
    tiff* tiff_ = nullptr;
    std::string tiffError_;  // libtiff's first error message
    std::vector<unsigned char> row_;
};

}  // namespace glint
