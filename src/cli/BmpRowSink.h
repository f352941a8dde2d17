#pragma once
// Streamed 24-bit bitmap output over the io layer's stream writer.
#include "RowSink.h"
#include "io/BmpStreamWriter.h"

namespace glint {

class BmpRowSink : public RowSink {
public:
    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;
    Status commit() override;
    void cancel() override;

private:
    BmpStreamWriter writer_;
};

}  // namespace glint
