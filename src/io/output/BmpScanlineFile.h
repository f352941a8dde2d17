#pragma once
// A scan-line picture streamed into a 24-bit bitmap file by two threads. The gap rows do not
// depend on the source, so a writer thread can write them as soon as the file is started,
// while the caller is still decoding the source. finish() draws the run rows on the caller's
// thread and hands them to the writer in chunks, so that drawing and writing overlap.
// Memory: one packed gap row and a few chunks of packed run rows, at any scale. Nothing is
// left behind unless finish() succeeds.
#include <QString>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "engine/ScanlineBands.h"

namespace glint {

class OutputFile;

class BmpScanlineFile {
  public:
    BmpScanlineFile();
    ~BmpScanlineFile();
    BmpScanlineFile(const BmpScanlineFile&) = delete;
    BmpScanlineFile& operator=(const BmpScanlineFile&) = delete;

    // Creates `file` (not created yet) for a render of `geometry` with `values` and starts
    // writing it. With `gapsAhead` the writer writes gap rows while it waits for run rows (while
    // the caller decodes the source).
    Status start(std::unique_ptr<OutputFile> file, const ScanlineGeometry& geometry,
                 const RowValues& values, bool gapsAhead = false);
    // Draws the run rows of `source`, the picture `geometry` was made for, waits until every
    // row is written and puts the file in place.
    Status finish(const ConstPixelView& source, const RowProgress& progress = {});
    // The same one source row at a time, for a source whose rows come while it is decoded:
    // draws the run row of source row `row`. Rows must come one by one, each once, in one
    // direction (`upward`: from the last row to row 0). Rows below the render are skipped.
    Status drawRow(const ConstPixelView& source, std::int32_t row, bool upward);
    // After drawRow() was called for every row: waits until every row is written and puts the
    // file in place. Fails, leaving nothing behind, when a run row was not drawn.
    Status complete();
    // Stops writing and drops the file.
    void cancel();
    bool started() const { return file_ != nullptr; }
    const ScanlineGeometry& geometry() const { return geometry_; }

  private:
    struct Chunk {
        // Packed run rows of bands firstBand, firstBand + 1, ...; left uninitialised, so that
        // its pages are first touched when rows are drawn, not before writing starts.
        std::unique_ptr<char[]> rows;
        std::int32_t firstBand = 0;
        std::int32_t count = 0;   // bands the chunk holds when full
        std::int32_t filled = 0;  // bands drawn into it so far
    };

    Status prepare(const ScanlineGeometry& geometry, const RowValues& values, bool gapsAhead);
    void writeLoop();
    Status writeChunk(const Chunk& chunk);
    Status writeGaps(std::int32_t band);
    Chunk* takeFreeChunk();
    void queue(Chunk* chunk);
    // Draws the run row of `band` into the chunk being drawn (a free one taken when there is
    // none: a failure when writing has stopped). A full chunk is queued.
    Status drawBand(const ConstPixelView& source, std::int32_t band, bool upward);
    // Band whose gap rows the writer writes ahead: of the two ends not written yet, the one
    // farther from the run row drawn last; -1 when none is left.
    std::int32_t nextGapsAhead();
    std::int32_t bandRows(std::int32_t band) const;
    std::int64_t bandOffset(std::int32_t band) const;  // of its lowest row, the first in the file

    std::unique_ptr<OutputFile> file_;
    ScanlineGeometry geometry_;
    RowValues values_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t bands_ = 0;  // source rows that reach the destination
    std::int32_t rowsPerChunk_ = 1;
    std::int64_t stride_ = 0;
    std::vector<char> gapRow_;          // packed and padded
    std::vector<bool> gapsWritten_;     // by band; the writer thread's own
    std::int32_t gapsLow_ = 0;          // the writer's: bands whose gaps may still be written
    std::int32_t gapsHigh_ = -1;        // ahead lie in gapsLow_ .. gapsHigh_
    Status drawStatus_ = Status::ok();  // the caller's thread's own
    std::vector<std::uint32_t> runRow_;
    std::atomic<std::int32_t> lastDrawn_{-1};  // band whose run row was drawn last
    std::vector<Chunk> chunks_;
    Chunk* drawing_ = nullptr;  // the caller's thread's own
    std::int32_t drawn_ = 0;    // bands drawn

    std::mutex mutex_;  // guards what follows
    std::condition_variable changed_;
    std::deque<Chunk*> ready_;
    std::vector<Chunk*> free_;
    bool allQueued_ = false;
    bool stop_ = false;
    Status writeStatus_ = Status::ok();
    std::thread writer_;
};

}  // namespace glint
