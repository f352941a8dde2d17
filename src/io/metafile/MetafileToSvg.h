#pragma once
// Metafile to SVG conversion inside the metafile helper.
#include <QByteArray>
#include <QSize>
#include <optional>

namespace glint {

struct SvgDrawing {
    QByteArray svg;
    QSize size;  // pixels at 96 dpi
};

// An enhanced metafile (emf) through libemf2svg, sized by the frame in its header.
std::optional<SvgDrawing> emfToSvg(const QByteArray& file);
// A plain or placeable metafile (wmf) through libwmf's SVG device; sized by the placeable
// header if there is one, else by the extent of what it draws.
std::optional<SvgDrawing> wmfToSvg(const QByteArray& file);

}  // namespace glint
