#pragma once
// Output formats of glintwork-cli, chosen by the output name's extension, and their limits.
#include <QString>
#include <cstdint>
#include <optional>

namespace glint {

enum class OutputFormat { Bmp, Png, Jpeg, Tiff, Webp };

// Format for an output name: by its extension (any case), bmp when there is none;
// nothing for an extension the tool does not write.
std::optional<OutputFormat> formatForPath(const QString& path);
// The names accepted on the command line, for messages: "bmp, png, jpg, tiff, webp".
QString supportedFormatList();
// Short name for messages and Qt's writers ("bmp", "png", "jpg", "tiff", "webp").
const char* formatName(OutputFormat format);
// Bmp and png are written band by band as rows are produced; the others from a whole image.
bool isStreamed(OutputFormat format);
// True when this Qt installation can write the format (the in-memory ones need a plugin).
bool writerAvailable(OutputFormat format);

// Largest picture written from memory: 2 GiB of 32-bit pixels.
inline constexpr std::int64_t kMaxInMemoryBytes = std::int64_t(1) << 31;
inline constexpr std::int64_t kMaxSide = 2147483647;  // png, and every coordinate
inline constexpr std::int64_t kMaxJpegSide = 65500;
inline constexpr std::int64_t kMaxWebpSide = 16383;

// Empty when a width x height output fits the format; otherwise a message naming the limit,
// e.g. "the output, 70000x100 pixels, is over the jpg limit of 65500 pixels per side".
QString outputLimitProblem(OutputFormat format, bool streamed, std::int64_t width,
                           std::int64_t height);

}  // namespace glint
