// One metafile converter of the metafile helper, in process: GLINT_FUZZ_EMF selects the
// enhanced converter, otherwise the plain one. The drawing is drawn as the helper draws it.
#include "FuzzSupport.h"
#include "MetafileConversion.h"
#include "io/MetafileProbe.h"

namespace {

using namespace glint;

#ifdef GLINT_FUZZ_EMF
constexpr MetafileKind kKind = MetafileKind::Emf;
std::optional<SvgDrawing> convert(const QByteArray& file) { return emfToSvg(file); }
#else
constexpr MetafileKind kKind = MetafileKind::Wmf;
std::optional<SvgDrawing> convert(const QByteArray& file) { return wmfToSvg(file); }
#endif

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (metafileKind(bytes.left(kMetafileProbeBytes)) != kKind) return -1;
    const std::optional<SvgDrawing> drawing = convert(bytes);
    if (!drawing) return 0;
    const QSize pixels = drawing->size;
    fuzz::require(!pixels.isEmpty(), "a drawing has pixels");
    if (std::int64_t{pixels.width()} * pixels.height() > fuzz::kMaxFuzzDrawPixels) return 0;
    const QImage image = drawSvg(*drawing);
    fuzz::require(image.isNull() || image.size() == pixels, "the drawing at its own size");
    return 0;
}
