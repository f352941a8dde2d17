#pragma once
// Enhanced metafile to SVG conversion inside the metafile helper.
#include <QByteArray>
#include <QSize>
#include <optional>

namespace glint {

struct SvgDrawing {
    QByteArray svg;
    QSize size;  // the frame's size in pixels at 96 dpi
};

// An enhanced metafile (emf) through libemf2svg, sized by the frame in its header.
std::optional<SvgDrawing> emfToSvg(const QByteArray& file);

}  // namespace glint
