#pragma once
// Little-endian numbers in a file header read into a QByteArray. Callers check the length.
#include <QByteArray>
#include <cstdint>

namespace glint::le {

inline std::uint32_t u32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    return std::uint32_t{p[0]} | std::uint32_t{p[1]} << 8 | std::uint32_t{p[2]} << 16 |
           std::uint32_t{p[3]} << 24;
}
inline std::uint16_t u16(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
inline std::int32_t s32(const QByteArray& b, int at) {
    return static_cast<std::int32_t>(u32(b, at));
}
inline std::int16_t s16(const QByteArray& b, int at) {
    return static_cast<std::int16_t>(u16(b, at));
}

}  // namespace glint::le
