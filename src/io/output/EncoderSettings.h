#pragma once
// How the encoders trade size for time and quality: --quality, --effort and --lossless as given
// on the command line, and each format's defaults for what was not given.
#include <QString>
#include <optional>

#include "OutputFormat.h"

namespace glint {

struct EncoderSettings {
    std::optional<int> quality;  // lossy outputs (jpg, webp): 0 .. 100
    std::optional<int> effort;   // png, tiff, webp: 0 (fastest) .. maxEffort()
    bool lossless = false;       // webp: every pixel kept
};

// Qt's and libjpeg's default: the jpg files are those the tool wrote before it streamed them.
inline constexpr int kDefaultJpegQuality = 75;
inline constexpr int kDefaultWebpQuality = 75;  // cwebp's default
inline constexpr int kMaxQuality = 100;
// zlib level 1 without row filters: scan-line pictures compress well as they are (the runs and
// the repeated gap rows), and the tool is meant for large pictures.
inline constexpr int kDefaultPngEffort = 1;
// Uncompressed, as Qt's writer made them: as fast as a bitmap and readable by every reader.
inline constexpr int kDefaultTiffEffort = 0;
// Lossy webp: libwebp's method 0. On 10240x10240 scan-line results it encodes about 6 times
// faster than the default method 4, for files within 5% of its size (see make bench).
inline constexpr int kDefaultWebpEffort = 0;
// Lossless webp: libwebp's level 1 (cwebp -z 1), about a third of level 0's size; the levels
// above it take as long for a few percent.
inline constexpr int kDefaultLosslessWebpEffort = 1;

// True when --quality means something for `format` (jpg, lossy webp).
bool takesQuality(OutputFormat format, bool lossless);
// The highest --effort of `format`; -1 when it takes none (bmp, jpg).
int maxEffort(OutputFormat format, bool lossless);
// The given or default quality and effort of `format`.
int qualityOf(OutputFormat format, const EncoderSettings& settings);
int effortOf(OutputFormat format, const EncoderSettings& settings);

// Empty when `settings` suit outputs in `format`; otherwise what is wrong, naming the option,
// e.g. "--quality applies to jpg and lossy webp outputs, not png".
QString settingsProblem(OutputFormat format, const EncoderSettings& settings);

}  // namespace glint
