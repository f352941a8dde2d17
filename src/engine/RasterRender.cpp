#include "RasterRender.h"

#include <algorithm>
#include <limits>
#include <string>

#include "RenderExtent.h"
#include "RowKernel.h"
#include "Texts.h"

namespace glint {

namespace {

RowValues readRowValues(const RasterForm& form) {
    return RowValues{form.rasterScale(), form.backCol(), form.redVal(), form.blueVal()};
}

// The destination rows of source row `i` (columns 0..lastColumn) at scale `s`,
// s*i .. s*i+s-1, as far as PicDst has them; `top` is set to s*i, the row the view starts at.
// Empty when none is to be drawn.
PixelView rowsOfSourceRow(PictureSurface& dst, std::int32_t i, std::int32_t lastColumn,
                          std::int32_t s, std::int32_t& top) {
    constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
    const std::int64_t first = std::int64_t{s} * i;
    if (s <= 0 || first < 0 || first > kInt32Max) return {};
    top = static_cast<std::int32_t>(first);
    const std::int64_t last = std::min(first + s - 1, kInt32Max);
    // The runs and gap lines reach x = s*(lastColumn+1) - 1: when that is PicDst's right edge
    // or beyond, every pixel of these rows is drawn.
    const std::int64_t right = std::int64_t{s} * (std::int64_t{lastColumn} + 1);
    const bool wholeRows = lastColumn >= 0 && double(right) >= double(dst.scaleWidth());
    return dst.mutableRows(top, static_cast<std::int32_t>(last), wholeRows);
}

// Start steps: size and clear PicDst, fix the extent, switch the buttons to rendering.
Status startRender(RasterForm& form, RenderExtent& extent) {
    if (Status st = SetDstSize(form); st.failed()) return st;
    form.picDst().assignEmptyPicture();
    if (Status st = computeExtent(form.picSrc().scaleWidth(), form.picSrc().scaleHeight(), extent);
        st.failed()) {
        return st;
    }
    form.setCommandVisible(Command::Break, true);
    form.setCommandFocus(Command::Break);
    form.setCommandEnabled(Command::Load, false);
    form.setCommandEnabled(Command::Raster, false);
    form.setCommandEnabled(Command::Save, false);
    return Status::ok();
}

// The row loop; left after the last row or after the row whose yield set BreakFlag.
Status renderRows(RasterForm& form, const RenderExtent& extent) {
    std::string progress;  // reused for every row's text: no allocation per row
    for (std::int32_t i = 0;; ++i) {
        const RowValues values = readRowValues(form);
        const ConstPixelView src = form.picSrc().pixels();
        // Only the rows this source row draws are asked for: the rest of PicDst may still wait
        // for its clear.
        std::int32_t top = 0;
        const PixelView dst =
            rowsOfSourceRow(form.picDst(), i, extent.lastColumn, values.scale, top);
        // PicDst is shown later, not read back now: its pixels are stored past the caches.
        if (Status st =
                drawSourceRow(src, i, extent.lastColumn, values, dst, top, RowStores::Streaming);
            st.failed()) {
            return st;
        }
        if (extent.lastColumn >= 0 && dst.width > 0 && dst.height > 0) {
            form.picDst().rowsChanged(top, top + (dst.height - 1));
        }

        writeProgressText(extent.percentPerRow, i, progress);
        form.setInfo(progress);
        form.doEvents();
        if (form.breakFlag() || i >= extent.lastRow) break;
    }
    return Status::ok();
}

void finishRender(RasterForm& form) {
    form.setCommandVisible(Command::Break, false);
    form.setBreakFlag(false);
    form.picDst().assignImageAsPicture();
    form.setInfo(endText(form.picDst().scaleWidth(), form.picDst().scaleHeight()));
    form.setCommandEnabled(Command::Load, true);
    form.setCommandEnabled(Command::Raster, true);
    form.setCommandEnabled(Command::Save, true);
    form.setCommandFocus(Command::Save);
}

// After a failure: report it and leave the rendering state; Save keeps what it has.
void failRender(RasterForm& form) {
    form.showError(renderErrorText());
    form.setCommandVisible(Command::Break, false);
    form.setBreakFlag(false);
    form.setCommandEnabled(Command::Load, true);
    form.setCommandEnabled(Command::Raster, true);
}

}  // namespace

void runRasterRender(RasterForm& form) {
    RenderExtent extent;
    Status st = startRender(form, extent);
    if (st.isOk() && extent.lastRow >= 0) st = renderRows(form, extent);
    if (st.failed()) {
        failRender(form);
        return;
    }
    finishRender(form);
}

}  // namespace glint
