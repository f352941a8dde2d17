#pragma once
// A 24-bit Windows bitmap written row by row, in any row order, through a temporary file that
// replaces the target only when every row was written and commit() succeeds.
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "RowSink.h"

namespace glint {

class OutputFile;

class BmpStreamWriter : public RowSink {
  public:
    BmpStreamWriter();
    ~BmpStreamWriter() override;  // an uncommitted file is cancelled: nothing is left behind
    BmpStreamWriter(const BmpStreamWriter&) = delete;
    BmpStreamWriter& operator=(const BmpStreamWriter&) = delete;

    // Starts the file and writes its headers. Fails for a size the format cannot hold
    // (a bitmap file is limited to 4 GiB) or a file that cannot be created.
    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    // Writes row y (0 = top) from `width` 0xAARRGGBB pixels.
    Status writeRow(std::int32_t y, const std::uint32_t* pixels);
    // Writes rows firstRow .. firstRow + rows.height - 1 from a band of `width` pixels per
    // row, with one write: the rows of a band lie next to each other in the file.
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;
    // Puts the file in place; fails unless every row was written without error.
    Status commit() override;
    // Drops the file; the target stays as it was.
    void cancel() override;

  private:
    // Writes `count` packed rows from band_, the lowest-placed row (firstRow + count - 1) first.
    Status writePacked(std::int32_t firstRow, std::int32_t count);

    std::unique_ptr<OutputFile> file_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int64_t rowsWritten_ = 0;
    bool failed_ = false;
    std::vector<bool> rowDone_;  // rows written at least once
    std::vector<char> band_;     // padded rows in file order (blue, green, red), bottom-up
};

}  // namespace glint
