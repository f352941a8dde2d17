#pragma once
// Output formats of glintwork-cli, chosen by the output name's extension, and their limits.
#include <QString>
#include <cstdint>
#include <optional>

namespace glint {

enum class OutputFormat { Bmp, Png, Jpeg, Tiff, Webp };
struct EncoderSettings;

// Format for an output name: by its extension (any case), bmp when there is none;
// nothing for an extension the tool does not write.
std::optional<OutputFormat> formatForPath(const QString& path);
// The names accepted on the command line, for messages: "bmp, png, jpg, tiff, webp".
QString supportedFormatList();
// Short name for messages and Qt's writers ("bmp", "png", "jpg", "tiff", "webp").
const char* formatName(OutputFormat format);
// Written band by band as rows are produced, in memory that does not grow with the picture:
// every format but webp, whose encoder needs the whole picture.
bool isStreamed(OutputFormat format);

// Largest picture held whole in memory: 2 GiB, the budget that the files converted at the same
// time share.
inline constexpr std::int64_t kMaxInMemoryBytes = std::int64_t(1) << 31;
inline constexpr std::int64_t kMaxSide = 2147483647;  // png, and every coordinate
inline constexpr std::int64_t kMaxJpegSide = 65500;
inline constexpr std::int64_t kMaxWebpSide = 16383;

// Peak memory of a webp encode of a width x height picture with `settings`: the encoder's
// picture and its working memory, as measured with libwebp (make bench prints the figure).
std::int64_t webpEncodeBytes(std::int64_t width, std::int64_t height,
                             const EncoderSettings& settings);

// Empty when a width x height output fits the format; otherwise a message naming the limit,
// e.g. "the output, 70000x100 pixels, is over the jpg limit of 65500 pixels per side".
// `streamed`: written by the tool's own writers (false: rendered whole first, for Qt's).
QString outputLimitProblem(OutputFormat format, bool streamed, std::int64_t width,
                           std::int64_t height, const EncoderSettings& settings);

}  // namespace glint
