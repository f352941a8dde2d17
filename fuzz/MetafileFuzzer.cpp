// One metafile converter of the metafile helper, in process: GLINT_FUZZ_EMF selects the
// enhanced one, otherwise the plain one. Each draws as the helper draws.
#include "FuzzSupport.h"
#include "MetafileConversion.h"
#include "WmfPicture.h"
#include "io/decode/MetafileProbe.h"

namespace {

using namespace glint;

#ifdef GLINT_FUZZ_EMF
constexpr MetafileKind kKind = MetafileKind::Emf;
std::optional<QImage> draw(const QByteArray& file) { return drawEmf(file); }
#else
constexpr MetafileKind kKind = MetafileKind::Wmf;
std::optional<QImage> draw(const QByteArray& file) { return drawWmf(file); }
#endif

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const QByteArray head = bytes.left(kMetafileProbeBytes);
    if (metafileKind(head) != kKind) return -1;
    // Large drawings cost only time: the drawing limit has tests of its own.
    const QSize declared = metafileSize(head);
    if (declared.isValid() &&
        std::int64_t{declared.width()} * declared.height() > fuzz::kMaxFuzzDrawPixels)
        return 0;
    const std::optional<QImage> image = draw(bytes);
    if (!image || image->isNull()) return 0;
    fuzz::require(!declared.isValid() || image->size() == metafileDrawnSize(declared),
                  "the drawing at the size its header gives");
    return 0;
}
