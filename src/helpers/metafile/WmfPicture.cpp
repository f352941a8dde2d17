#include "WmfPicture.h"

#include <QRectF>
#include <memory>

#include "MetafileRecords.h"
#include "WmfCanvas.h"
#include "WmfDevice.h"
#include "io/decode/LoadLimits.h"
#include "io/decode/MetafileProbe.h"

// libwmf last: its headers define names (U16, ...) that Qt's headers use.
// clang-format off
#include <libwmf/api.h>
#include <libwmf/font.h>
// clang-format on

namespace glint {
namespace {

constexpr double kScreenDpi = 96.0;
constexpr double kPointsPerPixel = 72.0 / kScreenDpi;

// libwmf's API object with the canvas device, destroyed on every path.
class WmfApi {
  public:
    WmfApi() {
        wmfAPI_Options options{};
        options.function = wmfCanvasDevice;
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

// The player made ahead by prepareWmfPlayer(), for the next drawing.
std::unique_ptr<WmfApi>& preparedApi() {
    static std::unique_ptr<WmfApi> api;
    return api;
}

}  // namespace

void prepareWmfPlayer() {
    auto api = std::make_unique<WmfApi>();
    if (!api->get()) return;
    // libwmf maps every face name a file gives to one of these (Times for names it does not
    // know), bold or not, italic or not.
    static char faces[][10] = {"Times", "Helvetica", "Courier", "Symbol"};
    for (char* face : faces) {
        for (const int weight : {400, 700}) {
            for (const int italic : {0, 1}) {
                wmfFont font{};
                font.lfFaceName = face;
                font.lfWeight = static_cast<U16>(weight);
                font.lfItalic = static_cast<U8>(italic);
                wmf_ipa_font_map(api->get(), &font);
            }
        }
    }
    preparedApi() = std::move(api);
}

std::optional<QImage> drawWmf(const QByteArray& file) {
    std::unique_ptr<WmfApi> prepared = std::move(preparedApi());
    const WmfApi& api = prepared ? *prepared : *(prepared = std::make_unique<WmfApi>());
    if (!api.get() || !api.get()->device_data) return std::nullopt;
    QByteArray contents = file;  // the player takes a writable buffer
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
    const QRectF page(QPointF(bbox.TL.x, bbox.TL.y), QPointF(bbox.BR.x, bbox.BR.y));
    if (!(page.width() > 0) || !(page.height() > 0)) return std::nullopt;

    QImage image(metafileDrawnSize(size), QImage::Format_RGB32);
    if (image.isNull()) return std::nullopt;
    image.fill(Qt::white);
    wmf_error_t played = wmf_E_None;
    {
        WmfCanvas canvas(image, page);
        attachWmfCanvas(api.get(), &canvas);
        played = wmf_play(api.get(), 0, &bbox);
        attachWmfCanvas(api.get(), nullptr);
    }
    if (played != wmf_E_None || wmfBitmapDamaged(api.get())) return std::nullopt;
    return image;
}

}  // namespace glint
