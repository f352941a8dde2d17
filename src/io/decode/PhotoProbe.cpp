#include "PhotoProbe.h"

#include <array>
#include <string_view>

namespace glint {
namespace {

constexpr int kBoxHeaderBytes = 8;
constexpr int kBrandBytes = 4;
constexpr int kMinorVersionBytes = 4;

// Brands of still images and image sequences coded with HEVC or AV1, and the general ones (mif3:
// the low-overhead layout, which the helper names as unsupported).
constexpr std::array<std::string_view, 13> kHeifBrands = {"heic", "heix", "heim", "heis", "hevc",
                                                          "hevx", "hevm", "hevs", "mif1", "mif3",
                                                          "msf1", "avif", "avis"};

constexpr std::string_view kJxlCodestream("\xff\x0a", 2);
constexpr std::string_view kJxlContainer("\0\0\0\x0cJXL \x0d\x0a\x87\x0a", 12);

bool isHeifBrand(std::string_view brand) {
    for (std::string_view known : kHeifBrands)
        if (brand == known) return true;
    return false;
}

std::uint32_t be32(const QByteArray& b, int at) {
    const auto* p = reinterpret_cast<const unsigned char*>(b.constData()) + at;
    return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

bool startsHeif(const QByteArray& head) {
    if (head.size() < kBoxHeaderBytes + kBrandBytes || head.mid(4, 4) != "ftyp") return false;
    const std::int64_t boxEnd = std::min<std::int64_t>(be32(head, 0), head.size());
    const auto brandAt = [&](int at) {
        return std::string_view(head.constData() + at, kBrandBytes);
    };
    if (isHeifBrand(brandAt(kBoxHeaderBytes))) return true;
    for (std::int64_t at = kBoxHeaderBytes + kBrandBytes + kMinorVersionBytes;
         at + kBrandBytes <= boxEnd; at += kBrandBytes)
        if (isHeifBrand(brandAt(static_cast<int>(at)))) return true;
    return false;
}

}  // namespace

PhotoKind photoKind(const QByteArray& head) {
    const std::string_view bytes(head.constData(), static_cast<size_t>(head.size()));
    if (bytes.starts_with(kJxlCodestream) || bytes.starts_with(kJxlContainer))
        return PhotoKind::Jxl;
    if (startsHeif(head)) return PhotoKind::Heif;
    return PhotoKind::None;
}

}  // namespace glint
