#pragma once
// Binary ppm (P6) output, 8 bits a sample, written front to back as the rows come: the format
// that netpbm tools and `ffmpeg -f image2pipe -c:v ppm` read.
#include <QIODevice>
#include <vector>

#include "RowSink.h"
#include "SinkDevice.h"

namespace glint {

class PpmRowSink : public RowSink {
  public:
    PpmRowSink() = default;
    // Writes to `device` instead of a file; open() then takes no file name.
    explicit PpmRowSink(QIODevice& device) : target_(device) {}

    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;
    Status commit() override;
    void cancel() override { target_.cancel(); }

  private:
    Status write(const char* bytes, std::size_t size);

    SinkDevice target_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t rowsWritten_ = 0;
    bool failed_ = false;
    std::vector<char> band_;
    std::vector<std::uint32_t> uniformRow_;  // the last row of one colour
    std::vector<char> uniform_;              // the same, packed
};

}  // namespace glint
