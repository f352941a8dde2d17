#pragma once
// Streamed png output through libpng's row interface, into an output file that replaces its
// target only when every write succeeded, or into a device given at construction (standard
// output).
#include <png.h>

#include <QIODevice>
#include <string>

#include "EncoderSettings.h"
#include "EncodingSink.h"

namespace glint {

class PngRowSink : public EncodingSink {
  public:
    // `effort`: zlib's compression level; from 5 on libpng also picks a filter for every row.
    explicit PngRowSink(int effort = kDefaultPngEffort);
    // Writes to `device` instead of a file; open() then takes no file name.
    PngRowSink(int effort, QIODevice& device);
    ~PngRowSink() override;
    PngRowSink(const PngRowSink&) = delete;
    PngRowSink& operator=(const PngRowSink&) = delete;

    Status open(const QString& fileName, std::int32_t width, std::int32_t height) override;
    Status writeRows(std::int32_t firstRow, const ConstPixelView& rows) override;

  private:
    // Runs `step` with libpng's error jump set; false when libpng reported an error.
    bool guarded(void (*step)(PngRowSink&, const void*), const void* arg);
    Status failure(const char* what);
    bool encoding() const override { return png_ != nullptr; }
    Status finishEncoding() override;
    void releaseEncoder() override;

    static void onError(png_structp png, png_const_charp message);
    static void onWarning(png_structp png, png_const_charp message);
    static void onWrite(png_structp png, png_bytep data, size_t length);
    static void onFlush(png_structp png);

    int effort_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    char pngError_[256] = {};
    std::string ioError_;
};

}  // namespace glint
