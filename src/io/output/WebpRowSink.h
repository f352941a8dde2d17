#pragma once
// WebP output through libwebp. Its encoder needs the whole picture, so the rows are gathered in
// the encoder's own picture as they come: lossy, converted band by band into YUV 4:2:0 (1.5
// bytes a pixel instead of 4); lossless, 32-bit ARGB. commit() encodes it and writes the file.
// The memory this takes (webpEncodeBytes()) is taken from the budget for whole pictures while
// the sink is open, so that files converted at the same time wait for each other.
#include <QIODevice>
#include <memory>
#include <vector>

#include "EncoderSettings.h"
#include "EncodingSink.h"

struct WebPPicture;

namespace glint {

class WebpRowSink : public EncodingSink {
  public:
    explicit WebpRowSink(const EncoderSettings& settings);
    // Writes to `device` instead of a file; open() then takes no file name.
    WebpRowSink(const EncoderSettings& settings, QIODevice& device);
    ~WebpRowSink() override;
    WebpRowSink(const WebpRowSink&) = delete;
    WebpRowSink& operator=(const WebpRowSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;

  private:
    // Lossy: converts the staged rows into the picture's YUV planes.
    Status convertStaged();
    Status encode();
    bool encoding() const override { return picture_ != nullptr; }
    Status finishEncoding() override;
    void releaseEncoder() override;

    EncoderSettings settings_;
    std::unique_ptr<WebPPicture> picture_;
    std::int64_t budgetTaken_ = 0;
    std::vector<std::uint32_t> staged_;  // lossy: rows waiting for conversion
    std::int32_t stagedFirst_ = 0;       // picture row of the first staged row (even)
    std::int32_t stagedRows_ = 0;
};

}  // namespace glint
