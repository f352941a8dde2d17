#pragma once
// Drives the row kernel over a whole source: either into one whole destination image, or
// band by band (the s destination rows of one source row at a time) for streamed outputs.
#include <cstdint>
#include <functional>

#include "engine/PixelView.h"
#include "engine/RenderExtent.h"
#include "engine/RowKernel.h"
#include "engine/Status.h"

namespace glint {

struct ScanlineGeometry {
    RenderExtent extent;      // W and H of the render (H is at least 1)
    std::int64_t width = 0;   // destination: scale * source width
    std::int64_t height = 0;  // destination: scale * source height
};

// Geometry of a render of a srcWidth x srcHeight source at `scale`.
Status scanlineGeometry(std::int32_t srcWidth, std::int32_t srcHeight, std::int32_t scale,
                        ScanlineGeometry& out);

// Receives rows firstRow .. firstRow + band.height - 1 of the destination, top to bottom.
using BandSink = std::function<Status(std::int32_t firstRow, const ConstPixelView& band)>;
// Called after every source row with the rows done and the row count (H + 1).
using RowProgress = std::function<void(std::int32_t done, std::int32_t total)>;

class ScanlineBands {
  public:
    ScanlineBands(const ConstPixelView& source, const ScanlineGeometry& geometry,
                  const RowValues& values);

    // Draws every source row into `dst`, which is the whole destination.
    Status renderWhole(const PixelView& dst, const RowProgress& progress = {}) const;
    // Draws source row after source row into a buffer of `scale` rows and hands each band,
    // clipped to the destination height, to `sink`. Stops at the first failure.
    Status renderBands(const BandSink& sink, const RowProgress& progress = {}) const;
    // Bytes of the band buffer renderBands allocates.
    std::int64_t bandBytes() const;

  private:
    ConstPixelView source_;
    ScanlineGeometry geometry_;
    RowValues values_;
};

}  // namespace glint
