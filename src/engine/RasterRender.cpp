#include "RasterRender.h"

#include <algorithm>
#include <string>

#include "RenderExtent.h"
#include "RowKernel.h"
#include "Texts.h"

namespace glint {

namespace {

RowValues readRowValues(const RasterForm& form) {
    return RowValues{form.rasterScale(), form.backCol(), form.redVal(), form.blueVal()};
}

// Tells PicDst which of its rows source row `i` has written, if any.
void reportRowsWritten(PictureSurface& dst, const PixelView& view, std::int32_t i,
                       std::int32_t lastColumn, std::int32_t s) {
    if (lastColumn < 0 || s <= 0 || view.width <= 0) return;
    const std::int64_t top = std::int64_t{s} * i;
    const std::int64_t first = std::max<std::int64_t>(top, 0);
    const std::int64_t last = std::min<std::int64_t>(top + s - 1, std::int64_t{view.height} - 1);
    if (first > last) return;
    dst.rowsChanged(static_cast<std::int32_t>(first), static_cast<std::int32_t>(last));
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
        const PixelView dst = form.picDst().mutablePixels();
        if (Status st = drawSourceRow(src, i, extent.lastColumn, values, dst); st.failed()) {
            return st;
        }
        reportRowsWritten(form.picDst(), dst, i, extent.lastColumn, values.scale);

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
