#include "BmpScanlineFile.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <system_error>

#include "engine/RowKernel.h"
#include "io/output/BmpFormat.h"
#include "io/output/OutputFile.h"

namespace glint {

namespace {
constexpr std::int64_t kChunkBytes = std::int64_t{1} << 20;
constexpr std::int64_t kMaxRowsPerChunk = 256;
// Gap rows of a band are written ahead of its run row only when they make a write worth its
// call; smaller ones go with the run rows.
constexpr std::int64_t kMinGapBytesAhead = std::int64_t{4} << 10;
constexpr std::size_t kChunks = 3;  // one being drawn, one being written, one waiting
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
}  // namespace

BmpScanlineFile::BmpScanlineFile() = default;

BmpScanlineFile::~BmpScanlineFile() { cancel(); }

std::int32_t BmpScanlineFile::bandRows(std::int32_t band) const {
    const std::int64_t top = std::int64_t{values_.scale} * band;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(height_ - top, 0, values_.scale));
}

std::int64_t BmpScanlineFile::bandOffset(std::int32_t band) const {
    const std::int64_t lowest = std::int64_t{values_.scale} * band + bandRows(band) - 1;
    return bmpRowOffset(lowest, width_, height_);
}

Status BmpScanlineFile::prepare(const ScanlineGeometry& geometry, const RowValues& values,
                                bool gapsAhead) {
    if (geometry.width <= 0 || geometry.height <= 0 || values.scale <= 0 ||
        geometry.width > kInt32Max || geometry.height > kInt32Max) {
        return Status::failure("no bitmap of that size");
    }
    if (!bmpFits(geometry.width, geometry.height)) {
        return Status::failure("picture is too large for a bitmap file");
    }
    geometry_ = geometry;
    values_ = values;
    width_ = static_cast<std::int32_t>(geometry.width);
    height_ = static_cast<std::int32_t>(geometry.height);
    bands_ = static_cast<std::int32_t>((geometry.height + values.scale - 1) / values.scale);
    stride_ = bmpStride(width_);
    const std::int64_t mostRows = std::min<std::int64_t>(bands_, kMaxRowsPerChunk);
    rowsPerChunk_ =
        static_cast<std::int32_t>(std::clamp<std::int64_t>(kChunkBytes / stride_, 1, mostRows));
    try {
        gapRow_.assign(static_cast<std::size_t>(stride_), 0);
        if (values.scale > 1) {
            // Gap rows are the same for every source row: draw the one below row 0 once.
            std::vector<std::uint32_t> gap(static_cast<std::size_t>(width_));
            const PixelView row{gap.data(), width_, 1, width_};
            if (Status st = drawSourceRow({}, 0, geometry.extent.lastColumn, values, row, 1);
                st.failed()) {
                return st;
            }
            packBmpRow(gap.data(), width_, gapRow_.data());
        }
        gapsWritten_.assign(static_cast<std::size_t>(bands_), false);
        runRow_.assign(static_cast<std::size_t>(width_), 0);
        chunks_.resize(kChunks);
        for (Chunk& chunk : chunks_)
            chunk.rows.reset(new char[static_cast<std::size_t>(stride_ * rowsPerChunk_)]);
    } catch (const std::bad_alloc&) {
        return Status::failure("no memory for the rows of the bitmap");
    }
    ready_.clear();
    free_.clear();
    for (Chunk& chunk : chunks_) free_.push_back(&chunk);
    gapsLow_ = 0;
    gapsHigh_ = gapsAhead && (values.scale - 1) * stride_ >= kMinGapBytesAhead ? bands_ - 1 : -1;
    lastDrawn_ = -1;
    drawing_ = nullptr;
    drawn_ = 0;
    drawStatus_ = Status::ok();
    allQueued_ = false;
    stop_ = false;
    writeStatus_ = Status::ok();
    return Status::ok();
}

Status BmpScanlineFile::start(std::unique_ptr<OutputFile> file, const ScanlineGeometry& geometry,
                              const RowValues& values, bool gapsAhead) {
    cancel();
    if (Status st = prepare(geometry, values, gapsAhead); st.failed()) return st;
    if (Status st = file->create(); st.failed()) return st;
    file_ = std::move(file);
    try {
        writer_ = std::thread([this] { writeLoop(); });
    } catch (const std::system_error&) {
        cancel();
        return Status::failure("cannot start the writing thread");
    }
    return Status::ok();
}

void BmpScanlineFile::cancel() {
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    changed_.notify_all();
    if (writer_.joinable()) writer_.join();
    if (file_) file_->cancel();
    file_.reset();
    drawing_ = nullptr;
}

Status BmpScanlineFile::writeGaps(std::int32_t band) {
    gapsWritten_[static_cast<std::size_t>(band)] = true;
    const std::vector<iovec> pieces(static_cast<std::size_t>(bandRows(band) - 1),
                                    iovec{gapRow_.data(), gapRow_.size()});
    return file_->writeAt(bandOffset(band), pieces.data(), static_cast<int>(pieces.size()));
}

// The chunk's bands lie in the file bottom band first, each band's gap rows before its run
// row. Gap rows not written yet go along, so that the chunk is mostly one contiguous write.
Status BmpScanlineFile::writeChunk(const Chunk& chunk) {
    std::vector<iovec> pieces;
    std::int64_t start = 0;
    std::int64_t end = -1;  // where the pieces gathered so far end in the file
    const auto flush = [&]() {
        Status st = file_->writeAt(start, pieces.data(), static_cast<int>(pieces.size()));
        pieces.clear();
        return st;
    };
    const auto place = [&](std::int64_t offset) {
        if (offset == end) return Status::ok();
        Status st = pieces.empty() ? Status::ok() : flush();
        start = offset;
        end = offset;
        return st;
    };
    for (std::int32_t k = chunk.count - 1; k >= 0; --k) {
        const std::int32_t band = chunk.firstBand + k;
        const std::int32_t rows = bandRows(band);
        if (rows > 1 && !gapsWritten_[static_cast<std::size_t>(band)]) {
            gapsWritten_[static_cast<std::size_t>(band)] = true;
            if (Status st = place(bandOffset(band)); st.failed()) return st;
            pieces.insert(pieces.end(), static_cast<std::size_t>(rows - 1),
                          iovec{gapRow_.data(), gapRow_.size()});
            end += (rows - 1) * stride_;
        }
        const std::int64_t top = std::int64_t{values_.scale} * band;
        if (Status st = place(bmpRowOffset(top, width_, height_)); st.failed()) return st;
        pieces.push_back(iovec{chunk.rows.get() + stride_ * k, static_cast<std::size_t>(stride_)});
        end += stride_;
    }
    return pieces.empty() ? Status::ok() : flush();
}

std::int32_t BmpScanlineFile::nextGapsAhead() {
    const auto done = [this](std::int32_t band) {
        return bandRows(band) < 2 || gapsWritten_[static_cast<std::size_t>(band)];
    };
    while (gapsLow_ <= gapsHigh_ && done(gapsLow_)) ++gapsLow_;
    while (gapsLow_ <= gapsHigh_ && done(gapsHigh_)) --gapsHigh_;
    if (gapsLow_ > gapsHigh_) return -1;
    const std::int32_t last = lastDrawn_.load(std::memory_order_relaxed);
    // Before any run row is drawn: the bottom band, which starts the file.
    if (last < 0 || gapsHigh_ - last >= last - gapsLow_) return gapsHigh_;
    return gapsLow_;
}

void BmpScanlineFile::writeLoop() {
    const auto headers = bmpHeaders(width_, height_);
    Status st = file_->writeAt(0, headers.data(), kBmpHeaderBytes);
    while (st.isOk()) {
        const std::int32_t ahead = nextGapsAhead();
        Chunk* chunk = nullptr;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock,
                          [&] { return stop_ || !ready_.empty() || ahead >= 0 || allQueued_; });
            if (stop_) return;
            if (!ready_.empty()) {
                chunk = ready_.front();
                ready_.pop_front();
            } else if (ahead < 0) {
                return;  // every row is written
            }
        }
        if (chunk == nullptr) {
            st = writeGaps(ahead);
            continue;
        }
        st = writeChunk(*chunk);
        {
            const std::lock_guard lock(mutex_);
            free_.push_back(chunk);
        }
        changed_.notify_all();
    }
    {
        const std::lock_guard lock(mutex_);
        writeStatus_ = st;
        stop_ = true;
    }
    changed_.notify_all();
}

BmpScanlineFile::Chunk* BmpScanlineFile::takeFreeChunk() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return stop_ || !free_.empty(); });
    if (stop_) return nullptr;
    Chunk* chunk = free_.back();
    free_.pop_back();
    return chunk;
}

void BmpScanlineFile::queue(Chunk* chunk) {
    {
        const std::lock_guard lock(mutex_);
        ready_.push_back(chunk);
    }
    changed_.notify_all();
}

Status BmpScanlineFile::drawBand(const ConstPixelView& source, std::int32_t band, bool upward) {
    if (drawing_ == nullptr) {
        drawing_ = takeFreeChunk();
        if (drawing_ == nullptr) return Status::failure("writing stopped");
        const std::int32_t ahead = upward ? band + 1 : bands_ - band;
        drawing_->count = std::min(ahead, rowsPerChunk_);
        drawing_->firstBand = upward ? band - drawing_->count + 1 : band;
        drawing_->filled = 0;
    }
    const std::int32_t slot = band - drawing_->firstBand;
    if (slot < 0 || slot >= drawing_->count) return Status::failure("bitmap rows out of order");
    const PixelView row{runRow_.data(), width_, 1, width_};
    if (Status st = drawSourceRow(source, band, geometry_.extent.lastColumn, values_, row,
                                  values_.scale * band);
        st.failed()) {
        return st;
    }
    char* packed = drawing_->rows.get() + stride_ * slot;
    packBmpRow(runRow_.data(), width_, packed);
    lastDrawn_.store(band, std::memory_order_relaxed);
    ++drawn_;
    if (++drawing_->filled == drawing_->count) {
        queue(drawing_);
        drawing_ = nullptr;
    }
    return Status::ok();
}

Status BmpScanlineFile::drawRow(const ConstPixelView& source, std::int32_t row, bool upward) {
    if (!file_) return Status::failure("the bitmap file is not open");
    if (row < 0 || row >= bands_) return Status::ok();
    drawStatus_ = drawBand(source, row, upward);
    if (drawStatus_.isOk()) return drawStatus_;
    cancel();  // the writer has stopped when this returns
    return writeStatus_.failed() ? writeStatus_ : drawStatus_;
}

Status BmpScanlineFile::finish(const ConstPixelView& source, const RowProgress& progress) {
    const std::int32_t last = geometry_.extent.lastRow;
    for (std::int32_t i = 0; i <= last; ++i) {
        if (Status st = drawRow(source, i, false); st.failed()) return st;
        if (progress) progress(i + 1, last + 1);
    }
    return complete();
}

Status BmpScanlineFile::complete() {
    if (!file_) return Status::failure("the bitmap file is not open");
    if (drawn_ != bands_) {
        cancel();
        return Status::failure("not every row of the bitmap was drawn");
    }
    {
        const std::lock_guard lock(mutex_);
        allQueued_ = true;
    }
    changed_.notify_all();
    writer_.join();
    Status written = Status::ok();
    {
        const std::lock_guard lock(mutex_);
        written = writeStatus_;
    }
    if (written.failed()) {
        cancel();
        return written;
    }
    Status committed = file_->commit();
    file_.reset();
    return committed;
}

}  // namespace glint
