#include "WmfDevice.h"

#include <QByteArray>
#include <QImage>
#include <QList>
#include <cmath>
#include <cstdint>
#include <numbers>

#include "DibImage.h"
#include "WmfCanvas.h"

// libwmf last: its headers define names (U16, ...) that Qt's headers use.
// clang-format off
#include <libwmf/api.h>
#include <libwmf/defs.h>
#include <libwmf/ipa.h>
#include <libwmf/macro.h>
// clang-format on

namespace glint {
namespace {

constexpr double kTenthsPerDegree = 10.0;
constexpr double kFullTurn = 360.0;

struct DeviceData {
    WmfCanvas* canvas = nullptr;
    bool damaged = false;
};

DeviceData& data(wmfAPI* api) { return *static_cast<DeviceData*>(api->device_data); }
WmfCanvas* canvas(wmfAPI* api) { return data(api).canvas; }

QColor colour(const wmfRGB* rgb) { return QColor(rgb->r, rgb->g, rgb->b); }
QPointF point(const wmfD_Coord& c) { return QPointF(c.x, c.y); }
QRectF rect(const wmfD_Coord& tl, const wmfD_Coord& br) {
    return QRectF(point(tl), point(br)).normalized();
}

QPen penOf(wmfDC* dc, double scale) {
    wmfPen* pen = WMF_DC_PEN(dc);
    const unsigned style = WMF_PEN_STYLE(pen);
    if (style == PS_NULL) return QPen(Qt::NoPen);
    QPen result(colour(WMF_PEN_COLOR(pen)));
    const double width = (WMF_PEN_WIDTH(pen) + WMF_PEN_HEIGHT(pen)) / 2;
    result.setWidthF(width * scale <= 1 ? 0 : width);  // thin pens draw one pixel wide
    switch (style) {
        case PS_DASH:
            result.setStyle(Qt::DashLine);
            break;
        case PS_DOT:
        case PS_ALTERNATE:
            result.setStyle(Qt::DotLine);
            break;
        case PS_DASHDOT:
            result.setStyle(Qt::DashDotLine);
            break;
        case PS_DASHDOTDOT:
            result.setStyle(Qt::DashDotDotLine);
            break;
        default:
            break;
    }
    switch (WMF_PEN_ENDCAP(pen)) {
        case PS_ENDCAP_SQUARE:
            result.setCapStyle(Qt::SquareCap);
            break;
        case PS_ENDCAP_FLAT:
            result.setCapStyle(Qt::FlatCap);
            break;
        default:
            result.setCapStyle(Qt::RoundCap);
            break;
    }
    switch (WMF_PEN_JOIN(pen)) {
        case PS_JOIN_BEVEL:
            result.setJoinStyle(Qt::BevelJoin);
            break;
        case PS_JOIN_MITER:
            result.setJoinStyle(Qt::MiterJoin);
            break;
        default:
            result.setJoinStyle(Qt::RoundJoin);
            break;
    }
    return result;
}

Qt::BrushStyle hatchOf(unsigned hatch) {
    switch (hatch) {
        case HS_HORIZONTAL:
            return Qt::HorPattern;
        case HS_VERTICAL:
            return Qt::VerPattern;
        case HS_FDIAGONAL:
            return Qt::FDiagPattern;
        case HS_BDIAGONAL:
            return Qt::BDiagPattern;
        case HS_CROSS:
            return Qt::CrossPattern;
        default:
            return Qt::DiagCrossPattern;
    }
}

QBrush brushOf(wmfDC* dc) {
    wmfBrush* brush = WMF_DC_BRUSH(dc);
    const QColor c = colour(WMF_BRUSH_COLOR(brush));
    switch (WMF_BRUSH_STYLE(brush)) {
        case BS_NULL:
            return QBrush(Qt::NoBrush);
        case BS_HATCHED:
            return QBrush(c, hatchOf(WMF_BRUSH_HATCH(brush)));
        case BS_SOLID:
            return QBrush(c);
        default: {
            const auto* pattern = static_cast<const QImage*>(WMF_BRUSH_BITMAP(brush)->data);
            return pattern ? QBrush(*pattern) : QBrush(c);
        }
    }
}

WmfStyle styleOf(wmfAPI* api, wmfDC* dc) {
    WmfStyle style;
    style.pen = penOf(dc, canvas(api)->scale());
    style.brush = brushOf(dc);
    style.background = colour(WMF_DC_BACKGROUND(dc));
    style.opaqueBackground = WMF_DC_OPAQUE(dc);
    style.fillRule = WMF_DC_POLYFILL(dc) == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
    style.mix = WMF_DC_ROP(dc);
    return style;
}

void draw(wmfAPI* api, wmfDC* dc, const QPainterPath& path, bool filled) {
    canvas(api)->drawPath(path, styleOf(api, dc), filled);
}

// Angle of a point given relative to the centre of an ellipse with half-axes rx, ry, in
// degrees counter-clockwise as seen (device y grows downwards).
double angleOf(const wmfD_Coord& p, double rx, double ry) {
    const double x = rx > 0 ? p.x / rx : p.x;
    const double y = ry > 0 ? p.y / ry : p.y;
    return std::atan2(-y, x) * 180 / std::numbers::pi;
}

enum class ArcKind { Open, Pie, Chord };

void drawArc(wmfAPI* api, wmfDrawArc_t* arc, ArcKind kind) {
    const QRectF box = rect(arc->TL, arc->BR);
    const double start = angleOf(arc->start, box.width() / 2, box.height() / 2);
    double sweep = angleOf(arc->end, box.width() / 2, box.height() / 2) - start;
    if (sweep <= 0) sweep += kFullTurn;  // arcs run counter-clockwise; equal ends: whole
    QPainterPath path;
    if (kind == ArcKind::Pie)
        path.moveTo(box.center());
    else
        path.arcMoveTo(box, start);
    path.arcTo(box, start, sweep);
    if (kind != ArcKind::Open) path.closeSubpath();
    draw(api, arc->dc, path, kind != ArcKind::Open);
}

QList<QRectF> rectsOf(const wmfPolyRectangle_t* poly) {
    QList<QRectF> rects;
    for (unsigned i = 0; i < poly->count; ++i) rects.append(rect(poly->TL[i], poly->BR[i]));
    return rects;
}

void bmpRead(wmfAPI* api, wmfBMP_Read_t* read) {
    read->bmp.data = nullptr;
    QImage image = decodeDib(QByteArray(reinterpret_cast<const char*>(read->buffer),
                                        static_cast<qsizetype>(read->length)));
    if (image.isNull() || !canvas(api)) {
        data(api).damaged = true;
        return;
    }
    read->bmp.width = static_cast<U16>(image.width());
    read->bmp.height = static_cast<U16>(image.height());
    // The canvas owns it: whatever the player leaves unfreed goes with the canvas.
    read->bmp.data = const_cast<QImage*>(canvas(api)->keepBitmap(std::move(image)));
}

void bmpFree(wmfAPI* api, wmfBMP* bmp) {
    if (canvas(api)) canvas(api)->releaseBitmap(static_cast<const QImage*>(bmp->data));
    bmp->data = nullptr;
}

void bmpDraw(wmfAPI* api, wmfBMP_Draw_t* d) {
    const auto* image = static_cast<const QImage*>(d->bmp.data);
    if (!image) return;
    // The player counts source rows from the bitmap's bottom.
    const QRect source(d->crop.x, image->height() - d->crop.y - d->crop.h, d->crop.w, d->crop.h);
    const QRectF target(point(d->pt),
                        QSizeF(d->crop.w * d->pixel_width, d->crop.h * d->pixel_height));
    canvas(api)->drawImage(target, *image, source, d->type);
}

void drawText(wmfAPI* api, wmfDrawText_t* t) {
    wmfDC* dc = t->dc;
    wmfFont* font = WMF_DC_FONT(dc);
    WmfText text;
    text.text = QString::fromLatin1(t->str);
    const auto signedHeight = static_cast<S16>(WMF_FONT_HEIGHT(font));
    text.height = std::abs(signedHeight) * std::abs(dc->pixel_height);
    text.angle = WMF_FONT_ESCAPEMENT(font) / kTenthsPerDegree;
    // For top alignment the player moved the point down by the font's height, a guess; the
    // canvas aligns by the real font instead. Bottom alignment it leaves alone.
    const unsigned align = WMF_DC_TEXTALIGN(dc);
    double shift = 0;
    if ((align & TA_BASELINE) == TA_BASELINE) {
        text.align = WmfText::Baseline;
    } else if (align & TA_BOTTOM) {
        text.align = WmfText::Bottom;
    } else {
        text.align = WmfText::Top;
        shift = t->font_height;
    }
    const double theta = -text.angle * std::numbers::pi / 180;
    text.baseline = point(t->pt) - QPointF(-shift * std::sin(theta), shift * std::cos(theta));
    if (const char* face = WMF_FONT_NAME(font)) text.font.setFamily(QString::fromLatin1(face));
    const int weight = WMF_FONT_WEIGHT(font);
    if (weight > 0) text.font.setWeight(static_cast<QFont::Weight>(std::clamp(weight, 100, 900)));
    text.font.setItalic(WMF_FONT_ITALIC(font));
    text.font.setUnderline(WMF_TEXT_UNDERLINE(font));
    text.font.setStrikeOut(WMF_TEXT_STRIKEOUT(font));
    text.colour = colour(WMF_DC_TEXTCOLOR(dc));
    text.box = rect(t->TL, t->BR);
    text.fillBox = t->flags & ETO_OPAQUE;
    text.clipToBox = t->flags & ETO_CLIPPED;
    canvas(api)->drawText(text, styleOf(api, dc));
}

void noDevice(wmfAPI*) {}
void noFlood(wmfAPI*, wmfFlood_t*) {}
void noUserData(wmfAPI*, wmfUserData_t*) {}

}  // namespace

void wmfCanvasDevice(wmfAPI* player) {
    auto* fr = static_cast<wmfFunctionReference*>(player->function_reference);
    fr->device_open = noDevice;
    fr->device_close = noDevice;
    fr->device_begin = noDevice;
    fr->device_end = noDevice;
    fr->flood_interior = noFlood;
    fr->flood_exterior = noFlood;
    fr->draw_pixel = [](wmfAPI* api, wmfDrawPixel_t* p) {
        canvas(api)->drawPixel(QRectF(point(p->pt), QSizeF(p->pixel_width, p->pixel_height)),
                               colour(&p->color));
    };
    fr->draw_pie = [](wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Pie); };
    fr->draw_chord = [](wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Chord); };
    fr->draw_arc = [](wmfAPI* api, wmfDrawArc_t* a) { drawArc(api, a, ArcKind::Open); };
    fr->draw_ellipse = [](wmfAPI* api, wmfDrawArc_t* a) {
        QPainterPath path;
        path.addEllipse(rect(a->TL, a->BR));
        draw(api, a->dc, path, true);
    };
    fr->draw_line = [](wmfAPI* api, wmfDrawLine_t* l) {
        QPainterPath path(point(l->from));
        path.lineTo(point(l->to));
        draw(api, l->dc, path, false);
    };
    fr->poly_line = [](wmfAPI* api, wmfPolyLine_t* p) {
        if (p->count < 2) return;
        QPainterPath path(point(p->pt[0]));
        for (unsigned i = 1; i < p->count; ++i) path.lineTo(point(p->pt[i]));
        draw(api, p->dc, path, false);
    };
    fr->draw_polygon = [](wmfAPI* api, wmfPolyLine_t* p) {
        if (p->count < 2) return;
        QPainterPath path(point(p->pt[0]));
        for (unsigned i = 1; i < p->count; ++i) path.lineTo(point(p->pt[i]));
        path.closeSubpath();
        draw(api, p->dc, path, true);
    };
    fr->draw_polypolygon = [](wmfAPI* api, wmfPolyPoly_t* p) {
        QPainterPath path;
        for (unsigned k = 0; k < p->npoly; ++k) {
            if (p->count[k] < 2) continue;
            path.moveTo(point(p->pt[k][0]));
            for (unsigned i = 1; i < p->count[k]; ++i) path.lineTo(point(p->pt[k][i]));
            path.closeSubpath();
        }
        draw(api, p->dc, path, true);
    };
    fr->draw_rectangle = [](wmfAPI* api, wmfDrawRectangle_t* r) {
        QPainterPath path;
        if (r->width > 0 && r->height > 0)
            path.addRoundedRect(rect(r->TL, r->BR), r->width / 2, r->height / 2);
        else
            path.addRect(rect(r->TL, r->BR));
        draw(api, r->dc, path, true);
    };
    fr->rop_draw = [](wmfAPI* api, wmfROP_Draw_t* r) {
        canvas(api)->patternBlit(rect(r->TL, r->BR), styleOf(api, r->dc), r->ROP);
    };
    fr->bmp_draw = bmpDraw;
    fr->bmp_read = bmpRead;
    fr->bmp_free = bmpFree;
    fr->draw_text = drawText;
    fr->udata_init = noUserData;
    fr->udata_copy = noUserData;
    fr->udata_set = noUserData;
    fr->udata_free = noUserData;
    fr->region_frame = [](wmfAPI* api, wmfPolyRectangle_t* p) {
        canvas(api)->frameRects(rectsOf(p), QSizeF(p->width, p->height), styleOf(api, p->dc));
    };
    fr->region_paint = [](wmfAPI* api, wmfPolyRectangle_t* p) {
        canvas(api)->fillRects(rectsOf(p), styleOf(api, p->dc));
    };
    fr->region_clip = [](wmfAPI* api, wmfPolyRectangle_t* p) { canvas(api)->clipTo(rectsOf(p)); };

    auto* device = static_cast<DeviceData*>(wmf_malloc(player, sizeof(DeviceData)));
    if (!device) return;  // wmf_malloc has set the API's error
    *device = DeviceData{};
    player->device_data = device;
}

void attachWmfCanvas(wmfAPI* api, WmfCanvas* c) { data(api).canvas = c; }

bool wmfBitmapDamaged(wmfAPI* api) { return data(api).damaged; }

}  // namespace glint
