#pragma once
// A 24-bit Windows bitmap written row by row, in any row order, through a temporary file that
// replaces the target only when every row was written and commit() succeeds.
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

#include "engine/Status.h"

class QSaveFile;

namespace glint {

class BmpStreamWriter {
public:
    BmpStreamWriter();
    ~BmpStreamWriter();  // an uncommitted file is cancelled: nothing is left behind
    BmpStreamWriter(const BmpStreamWriter&) = delete;
    BmpStreamWriter& operator=(const BmpStreamWriter&) = delete;

    // Starts the file and writes its headers. Fails for a size the format cannot hold
    // (a bitmap file is limited to 4 GiB) or a file that cannot be created.
    Status open(const QString& fileName, std::int32_t width, std::int32_t height);
    // Writes row y (0 = top) from `width` 0xAARRGGBB pixels.
    Status writeRow(std::int32_t y, const std::uint32_t* pixels);
    // Writes row y with the same pixels as the row written last (gap rows repeat), without
    // packing them again. Fails when no row has been written yet.
    Status repeatRow(std::int32_t y);
    // Puts the file in place; fails unless every row was written without error.
    Status commit();
    // Drops the file; the target stays as it was.
    void cancel();

private:
    Status writePacked(std::int32_t y);

    std::unique_ptr<QSaveFile> file_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int64_t rowsWritten_ = 0;
    bool failed_ = false;
    std::vector<bool> rowDone_;  // rows written at least once
    std::vector<char> row_;      // one padded row in file order (blue, green, red)
};

}  // namespace glint
