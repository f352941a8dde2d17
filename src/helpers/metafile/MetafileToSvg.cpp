#include "MetafileToSvg.h"

#include <emf2svg.h>

#include <cstdlib>

#include "MetafileRecords.h"
#include "io/decode/MetafileProbe.h"

namespace glint {

std::optional<SvgDrawing> emfToSvg(const QByteArray& file) {
    const QSize size = metafileSize(file);
    if (!size.isValid() || !emfRecordsInside(file)) return std::nullopt;
    generatorOptions options{};
    char svgNamespace[] = "";
    options.nameSpace = svgNamespace;
    options.svgDelimiter = true;
    options.emfplus = true;
    options.imgWidth = size.width();
    options.imgHeight = size.height();
    QByteArray contents = file;  // the converter takes a writable buffer
    char* svg = nullptr;
    size_t svgLength = 0;
    const int ok =
        emf2svg(contents.data(), static_cast<size_t>(contents.size()), &svg, &svgLength, &options);
    if (!ok || !svg) {
        std::free(svg);
        return std::nullopt;
    }
    SvgDrawing drawing{QByteArray(svg, static_cast<qsizetype>(svgLength)), size};
    std::free(svg);
    return drawing;
}

}  // namespace glint
