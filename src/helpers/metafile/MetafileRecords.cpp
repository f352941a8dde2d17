#include "MetafileRecords.h"

#include <algorithm>
#include <cstdint>

#include "io/decode/LittleEndian.h"

namespace glint {
namespace {

constexpr std::int64_t kEmfRecordHead = 8;  // type, size
constexpr std::uint32_t kEmfEndRecord = 14;
constexpr int kEmfDescriptionLength = 60;  // in 16-bit characters
constexpr int kEmfDescriptionOffset = 64;
constexpr int kEmfHeaderWithDescription = 68;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeader = 22;
constexpr int kWmfMaxRecordAt = 12;  // in the plain header, in 16-bit words
constexpr int kWmfHeaderBytes = 18;

// The description, if the header gives one: `length` characters at `offset`, or a text up to
// its zero character when the length is 0 (the converter reads it so), inside the header.
bool descriptionInside(const QByteArray& file) {
    const std::int64_t headerSize = std::min<std::int64_t>(le::u32(file, 4), file.size());
    const std::int64_t length = le::u32(file, kEmfDescriptionLength);
    const std::int64_t offset = le::u32(file, kEmfDescriptionOffset);
    if (offset == 0) return true;
    if (offset < kEmfHeaderWithDescription ||
        offset + 2 * std::max<std::int64_t>(length, 1) > headerSize)
        return false;
    if (length > 0) return true;
    for (std::int64_t at = offset; at + 2 <= headerSize; at += 2)
        if (le::u16(file, static_cast<int>(at)) == 0) return true;
    return false;
}

}  // namespace

bool emfRecordsInside(const QByteArray& file) {
    const std::int64_t size = file.size();
    if (size < kEmfHeaderWithDescription) return false;
    if (!descriptionInside(file)) return false;
    for (std::int64_t at = 0; at + kEmfRecordHead <= size;) {
        const std::uint32_t type = le::u32(file, static_cast<int>(at));
        const std::int64_t recordSize = le::u32(file, static_cast<int>(at + 4));
        if (recordSize < kEmfRecordHead || recordSize % 4 != 0 || recordSize > size - at)
            return false;
        if (type == kEmfEndRecord) return true;
        at += recordSize;
    }
    return false;  // no end record
}

void limitWmfMaxRecord(QByteArray& file) {
    if (file.size() < kPlaceableHeader + kWmfHeaderBytes) return;
    const int header = le::u32(file, 0) == kPlaceableKey ? kPlaceableHeader : 0;
    const int at = header + kWmfMaxRecordAt;
    const std::uint32_t fileWords = static_cast<std::uint32_t>(file.size() / 2);
    if (le::u32(file, at) <= fileWords) return;
    for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>((fileWords >> (8 * i)) & 0xff);
}

}  // namespace glint
