#pragma once
// A 24-bit bitmap written front to back to a device that cannot seek (standard output): the
// header names a top-down row order, so the rows go out in the order they are rendered.
#include <QIODevice>
#include <vector>

#include "RowSequence.h"
#include "RowSink.h"

namespace glint {

class BmpPipeSink : public RowSink {
  public:
    explicit BmpPipeSink(QIODevice& device) : device_(device) {}

    // `fileName` is not used: the rows go to the device.
    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;
    Status commit() override;
    void cancel() override {}

  private:
    Status write(const char* bytes, std::size_t size);

    QIODevice& device_;
    RowSequence rows_;
    std::vector<char> band_;
};

}  // namespace glint
