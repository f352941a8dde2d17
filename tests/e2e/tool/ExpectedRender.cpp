#include "ExpectedRender.h"

#include "engine/PixelView.h"
#include "engine/RenderExtent.h"
#include "engine/RowKernel.h"

namespace glint::e2e {

namespace {

// Never produced by a render of a picture covering its whole area: shows undrawn pixels.
constexpr QRgb kUndrawn = 0xFFFF00FFu;

}  // namespace

Status engineRender(const QImage& source, const RenderValues& values, QImage& result) {
    const QImage src = source.convertToFormat(QImage::Format_RGB32);
    RenderExtent extent;
    if (Status st = computeExtent(static_cast<float>(src.width()), static_cast<float>(src.height()),
                                  extent);
        st.failed())
        return st;

    QImage dst(src.width() * values.scale, src.height() * values.scale, QImage::Format_RGB32);
    if (dst.isNull()) return Status::failure("no memory for the expected picture");
    dst.fill(kUndrawn);

    const ConstPixelView srcView{reinterpret_cast<const std::uint32_t*>(src.constBits()),
                                 src.width(), src.height(), src.bytesPerLine() / 4};
    const PixelView dstView{reinterpret_cast<std::uint32_t*>(dst.bits()), dst.width(), dst.height(),
                            dst.bytesPerLine() / 4};
    const RowValues rowValues{values.scale, values.backCol, values.red, values.blue};
    for (std::int32_t i = 0; i <= extent.lastRow; ++i) {
        if (Status st = drawSourceRow(srcView, i, extent.lastColumn, rowValues, dstView);
            st.failed())
            return st;
    }
    result = dst;
    return Status::ok();
}

QImage definitionRender(const QImage& source, const RenderValues& values) {
    const int s = values.scale;
    QImage dst(source.width() * s, source.height() * s, QImage::Format_RGB32);
    const QRgb back = toPixel(values.backCol);
    for (int y = 0; y < dst.height(); ++y) {
        auto* row = reinterpret_cast<QRgb*>(dst.scanLine(y));
        for (int x = 0; x < dst.width(); ++x) {
            row[x] = (y % s != 0)
                         ? back
                         : qRgb(values.red, qGreen(source.pixel(x / s, y / s)), values.blue);
        }
    }
    return dst;
}

}  // namespace glint::e2e
