#pragma once
// Header checks for Windows bitmaps that the image reader does not make itself.
#include <QByteArray>
#include <cstdint>

namespace glint {

// Bytes of a file's beginning that bmpDataMissing() reads.
inline constexpr int kBmpProbeBytes = 64;

// True when `head` starts an uncompressed bitmap whose pixel rows reach beyond `fileSize`:
// the reader would return such a file with its last rows undefined instead of failing.
// False for anything else (run-length compressed bitmaps have no fixed data size).
bool bmpDataMissing(const QByteArray& head, std::int64_t fileSize);

}  // namespace glint
