#include "MetafileProbe.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "LittleEndian.h"
#include "LoadLimits.h"

namespace glint {
namespace {

constexpr double kScreenDpi = 96.0;
constexpr double kHundredthsMmPerInch = 2540.0;
constexpr std::uint32_t kEmfHeaderType = 1;
constexpr std::uint32_t kEmfSignature = 0x464D4520;  // " EMF"
constexpr int kEmfFrameOffset = 24;
constexpr int kEmfSignatureOffset = 40;
constexpr int kEmfMinHeader = 88;
constexpr std::uint32_t kPlaceableKey = 0x9AC6CDD7;
constexpr int kPlaceableHeader = 22;
constexpr int kWmfHeaderWords = 9;

using le::s16;
using le::s32;
using le::u16;
using le::u32;

// A plain metafile header: type 1 (memory) or 2 (disk), nine words long, version 1 or 3.
bool wmfHeaderAt(const QByteArray& b, int at) {
    if (b.size() < at + 2 * kWmfHeaderWords) return false;
    const std::uint16_t type = u16(b, at);
    const std::uint16_t version = u16(b, at + 4);
    return (type == 1 || type == 2) && u16(b, at + 2) == kWmfHeaderWords &&
           (version == 0x0100 || version == 0x0300);
}

QSize sizeAt96(double width, double height) {
    if (!std::isfinite(width) || !std::isfinite(height)) return {};
    const double w = std::nearbyint(width);
    const double h = std::nearbyint(height);
    if (w < 1 || h < 1 || w > kMaxPictureSide || h > kMaxPictureSide) return {};
    return {static_cast<int>(w), static_cast<int>(h)};
}

}  // namespace

MetafileKind metafileKind(const QByteArray& head) {
    if (head.size() >= kEmfMinHeader && u32(head, 0) == kEmfHeaderType &&
        u32(head, kEmfSignatureOffset) == kEmfSignature)
        return MetafileKind::Emf;
    if (head.size() >= kPlaceableHeader && u32(head, 0) == kPlaceableKey)
        return wmfHeaderAt(head, kPlaceableHeader) ? MetafileKind::Wmf : MetafileKind::None;
    return wmfHeaderAt(head, 0) ? MetafileKind::Wmf : MetafileKind::None;
}

QSize metafileSize(const QByteArray& head) {
    switch (metafileKind(head)) {
        case MetafileKind::Emf: {
            const double left = s32(head, kEmfFrameOffset);
            const double top = s32(head, kEmfFrameOffset + 4);
            const double right = s32(head, kEmfFrameOffset + 8);
            const double bottom = s32(head, kEmfFrameOffset + 12);
            const double scale = kScreenDpi / kHundredthsMmPerInch;
            return sizeAt96((right - left) * scale, (bottom - top) * scale);
        }
        case MetafileKind::Wmf: {
            if (u32(head, 0) != kPlaceableKey) return {};
            const double left = s16(head, 6);
            const double top = s16(head, 8);
            const double right = s16(head, 10);
            const double bottom = s16(head, 12);
            const double unitsPerInch = u16(head, 14);
            if (unitsPerInch <= 0) return {};
            const double scale = kScreenDpi / unitsPerInch;
            return sizeAt96(std::abs(right - left) * scale, std::abs(bottom - top) * scale);
        }
        case MetafileKind::None:
            break;
    }
    return {};
}

QSize metafileDrawnSize(const QSize& declared) {
    const double pixels = static_cast<double>(declared.width()) * declared.height();
    if (pixels <= static_cast<double>(kMaxMetafilePixels)) return declared;
    const double factor = std::sqrt(static_cast<double>(kMaxMetafilePixels) / pixels);
    const auto fitted = [factor](int side) {
        return std::max(1, static_cast<int>(std::floor(side * factor)));
    };
    return {fitted(declared.width()), fitted(declared.height())};
}

}  // namespace glint
