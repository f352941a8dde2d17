#include "WebpAnimSink.h"

#include <webp/encode.h>
#include <webp/mux.h>

#include <limits>
#include <string>

#include "MemoryBudget.h"
#include "OutputFormat.h"

namespace glint {

namespace {

// Frames the encoder holds at once: the one it settles and the one that comes.
constexpr std::int64_t kFramesHeld = 2;

bool configFor(const EncoderSettings& settings, WebPConfig& config) {
    if (!WebPConfigInit(&config)) return false;
    const int effort = effortOf(OutputFormat::Webp, settings);
    if (settings.lossless) return WebPConfigLosslessPreset(&config, effort) != 0;
    config.quality = static_cast<float>(qualityOf(OutputFormat::Webp, settings));
    config.method = effort;
    return WebPValidateConfig(&config) != 0;
}

}  // namespace

WebpAnimSink::WebpAnimSink(const EncoderSettings& settings) : settings_(settings) {}

WebpAnimSink::WebpAnimSink(const EncoderSettings& settings, QIODevice& device)
    : target_(device), settings_(settings) {}

WebpAnimSink::~WebpAnimSink() { cancel(); }

void WebpAnimSink::release() {
    if (encoder_ != nullptr) WebPAnimEncoderDelete(encoder_);
    encoder_ = nullptr;
    if (budgetTaken_ > 0) MemoryBudget::wholePictures().give(budgetTaken_);
    budgetTaken_ = 0;
}

Status WebpAnimSink::open(const QString& fileName, std::int32_t width, std::int32_t height,
                          const FrameTiming& timing) {
    cancel();
    if (width <= 0 || height <= 0) return Status::failure("empty webp picture");
    if (width > WEBP_MAX_DIMENSION || height > WEBP_MAX_DIMENSION)
        return Status::failure("picture is too large for webp");
    width_ = width;
    height_ = height;
    timing_ = timing;
    framesAdded_ = 0;
    timestampMs_ = 0;
    failed_ = false;
    budgetTaken_ = kFramesHeld * webpEncodeBytes(width, height, settings_);
    MemoryBudget::wholePictures().take(budgetTaken_);
    WebPAnimEncoderOptions options;
    if (!WebPAnimEncoderOptionsInit(&options)) {
        cancel();
        return Status::failure("the webp library does not match the one built with");
    }
    options.anim_params.loop_count = timing.loops;
    encoder_ = WebPAnimEncoderNew(width, height, &options);
    if (encoder_ == nullptr) {
        cancel();
        return Status::failure("no memory for the webp encoder");
    }
    if (Status st = target_.open(fileName); st.failed()) {
        cancel();
        return st;
    }
    return Status::ok();
}

Status WebpAnimSink::addFrame(const ConstPixelView& frame, std::int32_t delayMs) {
    if (encoder_ == nullptr || failed_) return Status::failure("webp file is not open");
    failed_ = true;
    if (frame.width != width_ || frame.height != height_ || framesAdded_ >= timing_.frames)
        return Status::failure("webp frame does not fit the file");
    WebPConfig config;
    if (!configFor(settings_, config)) return Status::failure("cannot set up the webp encoder");
    WebPPicture picture;
    if (!WebPPictureInit(&picture)) return Status::failure("cannot set up the webp encoder");
    picture.width = width_;
    picture.height = height_;
    picture.use_argb = 1;
    if (!WebPPictureAlloc(&picture)) return Status::failure("no memory for a webp frame");
    for (std::int32_t y = 0; y < height_; ++y) {
        const std::uint32_t* from = frame.row(y);
        std::uint32_t* to = picture.argb + static_cast<std::ptrdiff_t>(y) * picture.argb_stride;
        for (std::int32_t x = 0; x < width_; ++x) to[x] = from[x] | 0xFF000000u;
    }
    const bool added =
        WebPAnimEncoderAdd(encoder_, &picture, static_cast<int>(timestampMs_), &config) != 0;
    WebPPictureFree(&picture);
    if (!added)
        return Status::failure(std::string("cannot encode a webp frame: ") +
                               WebPAnimEncoderGetError(encoder_));
    timestampMs_ += std::max(delayMs, 0);
    if (timestampMs_ > std::numeric_limits<int>::max())
        return Status::failure("the webp animation is too long");
    ++framesAdded_;
    failed_ = false;
    return Status::ok();
}

Status WebpAnimSink::commit() {
    if (encoder_ == nullptr || failed_ || framesAdded_ != timing_.frames) {
        cancel();
        return Status::failure("webp file incomplete");
    }
    WebPData data;
    WebPDataInit(&data);
    // The end of the last frame: its delay.
    const bool assembled =
        WebPAnimEncoderAdd(encoder_, nullptr, static_cast<int>(timestampMs_), nullptr) != 0 &&
        WebPAnimEncoderAssemble(encoder_, &data) != 0;
    Status st = assembled ? Status::ok()
                          : Status::failure(std::string("cannot encode the webp file: ") +
                                            WebPAnimEncoderGetError(encoder_));
    if (st.isOk()) {
        const auto size = static_cast<qint64>(data.size);
        if (target_.device().write(reinterpret_cast<const char*>(data.bytes), size) != size)
            st = Status::failure(target_.device().errorString().toStdString());
    }
    WebPDataClear(&data);
    if (st.failed()) {
        cancel();
        return st;
    }
    release();
    return target_.commit();
}

void WebpAnimSink::cancel() {
    release();
    target_.cancel();
}

}  // namespace glint
