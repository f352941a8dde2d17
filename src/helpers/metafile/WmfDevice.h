#pragma once
// A libwmf device layer that hands every record the player draws to a WmfCanvas, with the
// colours the metafile stores. Bitmaps inside the metafile are decoded by Qt's bitmap reader.

// libwmf's API object. Its headers define short macro names (U16, ...) that clash with Qt's, so
// they are included after every Qt header, in the source files only.
struct _wmfAPI;  // NOLINT(bugprone-reserved-identifier): libwmf's own name

namespace glint {

class WmfCanvas;

// The device function to give libwmf (wmfAPI_Options::function with WMF_OPT_FUNCTION).
void wmfCanvasDevice(_wmfAPI* api);
// Sends the drawing of `api`, once created with wmfCanvasDevice, to `canvas`.
void attachWmfCanvas(_wmfAPI* api, WmfCanvas* canvas);
// True when a bitmap record of the metafile could not be decoded.
bool wmfBitmapDamaged(_wmfAPI* api);

}  // namespace glint
