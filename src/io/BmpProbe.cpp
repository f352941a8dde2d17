#include "BmpProbe.h"

#include <cstdlib>

#include "LittleEndian.h"

namespace glint {
namespace {

constexpr int kFileHeaderBytes = 14;
constexpr int kCoreHeaderBytes = 12;  // the old header with 16-bit sizes
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;

using le::u16;
using le::u32;

}  // namespace

bool bmpDataMissing(const QByteArray& head, std::int64_t fileSize) {
    if (head.size() < kFileHeaderBytes + kCoreHeaderBytes || !head.startsWith("BM")) return false;
    const std::uint32_t dataOffset = u32(head, 10);
    const std::uint32_t infoSize = u32(head, kFileHeaderBytes);
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t bits = 0;
    if (infoSize == kCoreHeaderBytes) {
        width = u16(head, 18);
        height = u16(head, 20);
        bits = u16(head, 24);
    } else {
        if (head.size() < kFileHeaderBytes + 20) return false;
        const std::uint32_t compression = u32(head, 30);
        if (compression != kUncompressed && compression != kBitFields) return false;
        width = static_cast<std::int32_t>(u32(head, 18));
        height = std::llabs(static_cast<std::int32_t>(u32(head, 22)));
        bits = u16(head, 28);
    }
    if (width <= 0 || height <= 0 || bits <= 0) return false;  // the reader refuses these itself
    const std::int64_t stride = (width * bits + 31) / 32 * 4;  // below 2^46: no overflow
    const std::int64_t start = std::max<std::int64_t>(dataOffset, kFileHeaderBytes + infoSize);
    if (start >= fileSize) return true;
    // stride * height > fileSize - start, without the product (it may pass 2^63).
    return stride > (fileSize - start) / height;
}

}  // namespace glint
