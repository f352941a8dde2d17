#pragma once
// What every streamed writer keeps track of: the rows of a width x height picture arrive top to
// bottom, band after band, each exactly once, and the picture is whole when every row has come.
// A band out of that order, or any failure, stops the writer for good.
#include <cstdint>
#include <string>

#include "engine/PixelView.h"
#include "engine/Status.h"

namespace glint {

class RowSequence {
  public:
    void start(std::int32_t width, std::int32_t height) {
        width_ = width;
        height_ = height;
        written_ = 0;
        failed_ = false;
    }
    // Ok when `rows` are the next band; otherwise the writer stops. `what` names the output in
    // the message ("png").
    Status accept(std::int32_t firstRow, const ConstPixelView& rows, const char* what) {
        if (failed_) return Status::failure(std::string(what) + " output failed before");
        if (firstRow != written_ || rows.width != width_ || rows.height <= 0 ||
            std::int64_t{firstRow} + rows.height > height_) {
            failed_ = true;
            return Status::failure(std::string(what) + " rows out of order");
        }
        return Status::ok();
    }
    void advance(std::int32_t rows) { written_ += rows; }
    void fail() { failed_ = true; }

    bool failed() const { return failed_; }
    bool complete() const { return !failed_ && written_ == height_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }
    std::int32_t written() const { return written_; }

  private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t written_ = 0;
    bool failed_ = false;
};

}  // namespace glint
