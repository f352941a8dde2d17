#include "MetafileToSvg.h"

#include <emf2svg.h>
#include <libwmf/api.h>
#include <libwmf/svg.h>

#include <cstdlib>

#include "MetafileRecords.h"
#include "io/LoadLimits.h"
#include "io/MetafileProbe.h"

namespace glint {
namespace {

constexpr double kScreenDpi = 96.0;
constexpr double kPointsPerPixel = 72.0 / kScreenDpi;

// libwmf's API object, destroyed on every path.
class WmfApi {
public:
    WmfApi() {
        wmfAPI_Options options{};
        options.function = wmf_svg_function;
        const unsigned long flags = WMF_OPT_FUNCTION | WMF_OPT_IGNORE_NONFATAL;
        if (wmf_api_create(&api_, flags, &options) != wmf_E_None) api_ = nullptr;
    }
    ~WmfApi() {
        if (api_) wmf_api_destroy(api_);
    }
    WmfApi(const WmfApi&) = delete;
    WmfApi& operator=(const WmfApi&) = delete;
    wmfAPI* get() const { return api_; }

private:
    wmfAPI* api_ = nullptr;
};

}  // namespace

std::optional<SvgDrawing> emfToSvg(const QByteArray& file) {
    const QSize size = metafileSize(file);
    if (!size.isValid() || !emfRecordsInside(file)) return std::nullopt;
    generatorOptions options{};
    char svgNamespace[] = "";
    options.nameSpace = svgNamespace;
    options.svgDelimiter = true;
    options.emfplus = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    QByteArray contents = file;  // the converter takes a writable buffer
    char* svg = nullptr;
    size_t svgLength = 0;
    const int ok = emf2svg(contents.data(), static_cast<size_t>(contents.size()), &svg,
                           &svgLength, &options);
    if (!ok || !svg) {
        std::free(svg);
        return std::nullopt;
    }
    SvgDrawing drawing{QByteArray(svg, static_cast<qsizetype>(svgLength)), size};
    std::free(svg);
    return drawing;
}

std::optional<SvgDrawing> wmfToSvg(const QByteArray& file) {
    WmfApi api;
    if (!api.get()) return std::nullopt;
    QByteArray contents = file;
    limitWmfMaxRecord(contents);
    if (wmf_mem_open(api.get(), reinterpret_cast<unsigned char*>(contents.data()),
                     static_cast<long>(contents.size())) != wmf_E_None)
        return std::nullopt;
    wmfD_Rect bbox{};
    if (wmf_scan(api.get(), 0, &bbox) != wmf_E_None) return std::nullopt;

    // A placeable metafile's window covers the box its header gives: that box, in libwmf's
    // device units of 1/72 inch from the window origin, is the page. A plain metafile has no
    // such box; its page is the extent of what it draws.
    QSize size = metafileSize(file);
    if (size.isValid()) {
        bbox.TL = {0, 0};
        bbox.BR = {static_cast<float>(size.width() * kPointsPerPixel),
                   static_cast<float>(size.height() * kPointsPerPixel)};
    } else {
        unsigned int width = 0;
        unsigned int height = 0;
        if (wmf_display_size(api.get(), &width, &height, kScreenDpi, kScreenDpi) != wmf_E_None)
            return std::nullopt;
        if (!pictureSizeAccepted(width, height)) return std::nullopt;
        size = QSize(static_cast<int>(width), static_cast<int>(height));
    }

    wmf_svg_t* device = WMF_SVG_GetData(api.get());
    device->out = wmf_stream_create(api.get(), nullptr);
    if (!device->out) return std::nullopt;
    device->bbox = bbox;
    device->width = static_cast<unsigned int>(size.width());
    device->height = static_cast<unsigned int>(size.height());
    device->flags |= WMF_SVG_INLINE_IMAGES;
    const wmf_error_t played = wmf_play(api.get(), 0, &bbox);
    char* svg = nullptr;
    unsigned long svgLength = 0;
    wmf_stream_destroy(api.get(), device->out, &svg, &svgLength);
    device->out = nullptr;
    if (played != wmf_E_None || !svg) return std::nullopt;
    // The string stream's buffer belongs to the API's allocator and goes with it.
    return SvgDrawing{QByteArray(svg, static_cast<qsizetype>(svgLength)), size};
}

}  // namespace glint
